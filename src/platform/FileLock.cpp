#include "platform/FileLock.h"

#include <sys/file.h>

#include <cerrno>
#include <ctime>

#include "platform/Encoding.h"
#include "platform/SysCalls.h"

namespace platform {

bool FileLock::Acquire(const std::string& path, const std::function<void()>& wait, int* error) {
  Release();
  const std::string os = Cp932ToOsName(path);
  const int flags = O_CLOEXEC | O_NOFOLLOW | O_NOCTTY;
  int fd = sys::Open(os.c_str(), O_RDWR | O_CREAT | flags, 0644);
  // A lock file someone else made may be ours to read only; a lock needs no more.
  if (fd < 0 && (errno == EACCES || errno == EROFS)) fd = sys::Open(os.c_str(), O_RDONLY | flags);
  if (fd < 0) {
    if (error != nullptr) *error = errno;
    return false;
  }
  // Polled rather than blocking, so that the waiting program stays responsive.
  const timespec pause{0, 20 * 1000 * 1000};
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK && errno != EINTR) {
      if (error != nullptr) *error = errno;
      sys::Close(fd);
      return false;
    }
    if (wait) wait();
    ::nanosleep(&pause, nullptr);
  }
  fd_ = fd;
  return true;
}

void FileLock::Release() {
  if (fd_ < 0) return;
  // Closing the only descriptor of the open file lets the lock go.
  sys::Close(fd_);
  fd_ = -1;
}

}  // namespace platform
