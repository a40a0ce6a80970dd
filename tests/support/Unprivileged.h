// Permission tests must run as an ordinary user: root reads and writes past every mode
// bit. Under root, a test that starts with
//
//   if (!testing_support::RunAsUnprivileged()) return;
//
// runs again, alone, in a new process of this test program as user and group 65534
// (nobody), and its outcome becomes this run's outcome; the root run then returns at
// once. Under any other user the call returns true and the test simply goes on.
#pragma once

namespace testing_support {

bool RunAsUnprivileged();

}  // namespace testing_support
