#include "platform/TempFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <random>
#include <set>
#include <tuple>
#include <utility>

#include "platform/StatusHelpers.h"
#include "platform/SysCalls.h"

namespace platform {
namespace {

// How long a temporary must have been left alone before a sweep takes it: far more than
// the instant between its creation and its lock.
constexpr time_t kAbandonedAfterSeconds = 5;

std::string NewName(const char* prefix) {
  static std::mutex mutex;
  static std::mt19937_64 rng{std::random_device{}()};
  uint64_t value;
  {
    std::lock_guard<std::mutex> lock(mutex);
    value = rng();
  }
  char name[40];
  std::snprintf(name, sizeof name, "%s%016llx", prefix, static_cast<unsigned long long>(value));
  return name;
}

// A folder is known by its identity and its birth time, so that a new folder which
// reuses a removed one's inode is swept too.
bool FirstSweepOf(int dirFd) {
  struct statx folder;
  if (::statx(dirFd, "", AT_EMPTY_PATH | AT_SYMLINK_NOFOLLOW, STATX_INO | STATX_BTIME, &folder) != 0) return false;
  using Key = std::tuple<dev_t, uint64_t, int64_t, uint32_t>;
  const Key key{
      makedev(folder.stx_dev_major, folder.stx_dev_minor), folder.stx_ino,
      (folder.stx_mask & STATX_BTIME) != 0 ? folder.stx_btime.tv_sec : 0,
      (folder.stx_mask & STATX_BTIME) != 0 ? folder.stx_btime.tv_nsec : 0};
  static std::mutex mutex;
  static std::set<Key> swept;
  std::lock_guard<std::mutex> lock(mutex);
  return swept.insert(key).second;
}

void RemoveIfAbandoned(int dirFd, const char* name) {
  const int fd = ::openat(dirFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return;
  struct stat held;
  struct stat now;
  if (::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
      held.st_mtime + kAbandonedAfterSeconds <= std::time(nullptr) &&
      ::fstatat(dirFd, name, &now, AT_SYMLINK_NOFOLLOW) == 0 && now.st_dev == held.st_dev &&
      now.st_ino == held.st_ino) {
    ::unlinkat(dirFd, name, 0);
  }
  ::close(fd);
}

}  // namespace

std::string NewAsideName() { return NewName(kAsidePrefix); }

bool IsTemporaryName(std::string_view osName) {
  constexpr size_t prefix = sizeof kTemporaryPrefix - 1;
  if (osName.size() != prefix + 16 || osName.substr(0, prefix) != kTemporaryPrefix) return false;
  for (char c : osName.substr(prefix)) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  }
  return true;
}

void SweepTemporariesAt(int dirFd) {
  if (!FirstSweepOf(dirFd)) return;
  const int listFd = ::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (listFd < 0) return;
  DIR* dir = ::fdopendir(listFd);
  if (dir == nullptr) {
    ::close(listFd);
    return;
  }
  while (const struct dirent* entry = ::readdir(dir)) {
    if (IsTemporaryName(entry->d_name)) RemoveIfAbandoned(dirFd, entry->d_name);
  }
  ::closedir(dir);
}

int CreateTemporaryAt(int dirFd, mode_t mode, std::string* osName) {
  SweepTemporariesAt(dirFd);
  for (int attempt = 0; attempt < 16; ++attempt) {
    std::string name = NewName(kTemporaryPrefix);
    const int fd = sys::OpenAt(dirFd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return -1;
    }
    ::flock(fd, LOCK_EX);  // cannot block: nobody else knows the file yet
    *osName = std::move(name);
    return fd;
  }
  errno = EEXIST;
  return -1;
}

}  // namespace platform
