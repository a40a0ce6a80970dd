#include "support/ColdCache.h"

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

namespace bench {

const char* const kColdSkipped =
    "skipped: the page cache cannot be dropped here (needs root and /proc/sys/vm/drop_caches)";

bool DropCaches() {
  sync();
  const int fd = open("/proc/sys/vm/drop_caches", O_WRONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = write(fd, "3", 1) == 1;
  close(fd);
  return ok;
}

double RunParallelReference(const std::string& root) {
  const std::string command = "find '" + root + "' -type f -print0 | xargs -0 -P 32 -n 200 head -q -c 257 >/dev/null";
  const auto start = std::chrono::steady_clock::now();
  if (std::system(command.c_str()) != 0) return -1;
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace bench
