#include "support/BareLoop.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <vector>

namespace bench {

BareLoopResult RunBareLoop(const std::string& root) {
  BareLoopResult result;
  std::vector<std::string> pending{root};
  char buffer[257];
  while (!pending.empty()) {
    std::string folder = std::move(pending.back());
    pending.pop_back();
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) continue;
    while (struct dirent* e = readdir(dir)) {
      if (e->d_name[0] == '.') continue;
      std::string path = folder + "/" + e->d_name;
      if (e->d_type == DT_DIR) {
        pending.push_back(std::move(path));
      } else if (e->d_type == DT_REG) {
        int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) continue;
        ssize_t n = pread(fd, buffer, sizeof buffer, 0);
        close(fd);
        ++result.files;
        if (n > 0) result.bytes += static_cast<uint64_t>(n);
      }
    }
    closedir(dir);
  }
  return result;
}

double TimeBareLoop(const std::string& root) {
  const auto start = std::chrono::steady_clock::now();
  RunBareLoop(root);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace bench
