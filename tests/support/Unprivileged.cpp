#include "support/Unprivileged.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <string>
#include <vector>

namespace testing_support {

bool RunAsUnprivileged() {
  if (::geteuid() != 0) return true;
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  char self[PATH_MAX];
  const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (info == nullptr || length <= 0) {
    ADD_FAILURE() << "cannot find the test program to run it unprivileged";
    return false;
  }
  self[length] = '\0';
  const std::string filter = std::string("--gtest_filter=") + info->test_suite_name() + "." + info->name();
  std::vector<std::string> args = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--", self,
                                   filter, "--gtest_also_run_disabled_tests"};
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  std::fflush(stdout);
  const pid_t child = ::fork();
  if (child == 0) {
    // The unprivileged run makes its scratch folders where it may.
    ::setenv("TMPDIR", "/tmp", 1);
    ::execvp("setpriv", argv.data());
    ::_exit(127);
  }
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child) {
    ADD_FAILURE() << "cannot start the unprivileged run";
    return false;
  }
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
      << "the test failed as user 65534 (status " << status << "); its output is above";
  return false;
}

}  // namespace testing_support
