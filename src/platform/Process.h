// Starting another program, as the log management form opens a log in the user's editor.
// The program is started directly, never through a shell, so no text of a setting is ever
// run as shell syntax, and detached: it belongs to no one once it runs, the caller neither
// waits for it nor leaves it behind as a zombie when it ends.
#pragma once

#include <string>
#include <vector>

namespace platform {

// Runs argv[0] with argv as its argument vector. Texts are the OS's bytes (Cp932ToOsName).
// argv[0] without a "/" is looked up in the folders of PATH. True once the program is
// running; false with *error (errno) when it could not be found or started (ENOENT for a
// missing program, EINVAL for an empty argv).
bool StartDetached(const std::vector<std::string>& argv, int* error = nullptr);

// The processors this process may run on (at least 1).
int ProcessorCount();
// The calling thread's id, as /proc/self/task names it.
long CurrentThreadId();

}  // namespace platform
