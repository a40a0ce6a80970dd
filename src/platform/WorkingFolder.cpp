#include "platform/WorkingFolder.h"

#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/Encoding.h"

namespace platform {

bool CurrentFolder(std::string* folder) {
  std::vector<char> buffer(256);
  while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE || buffer.size() > (1u << 20)) return false;
    buffer.resize(buffer.size() * 2);
  }
  // Linux marks a current folder that is not reachable from the root this way.
  if (buffer[0] != '/') return false;
  *folder = OsNameToCp932(buffer.data());
  return true;
}

}  // namespace platform
