#include "platform/UserFolders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/Encoding.h"

namespace platform {

std::string EnvironmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : OsNameToCp932(value);
}

std::string AccountHomeFolder() {
  long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
  struct passwd entry {};
  struct passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr ||
      found->pw_dir == nullptr) {
    return std::string();
  }
  return OsNameToCp932(found->pw_dir);
}

bool CanWriteFolder(const std::string& folder) {
  return !folder.empty() && ::access(Cp932ToOsName(folder).c_str(), W_OK) == 0;
}

bool MakePrivateDirectory(const std::string& path, int* error) {
  if (::mkdir(Cp932ToOsName(path).c_str(), 0700) != 0) {
    if (error != nullptr) *error = errno;
    return false;
  }
  return true;
}

}  // namespace platform
