#include "platform/AppendFile.h"

#include <sys/file.h>

#include "platform/Encoding.h"
#include "platform/StatusHelpers.h"
#include "platform/SysCalls.h"

namespace platform {

bool AppendFile::Lock(int fd, int* error) {
  if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
    fd_ = fd;
    return true;
  }
  SetError(error, errno);
  sys::Close(fd);
  return false;
}

bool AppendFile::CreateNew(const std::string& path, int* error) {
  Close();
  readOnlyError_ = 0;
  const int fd = sys::Open(Cp932ToOsName(path).c_str(),
                           O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0644);
  if (fd < 0) {
    SetError(error, errno);
    return false;
  }
  return Lock(fd, error);
}

bool AppendFile::OpenExisting(const std::string& path, int* error) {
  Close();
  const std::string os = Cp932ToOsName(path);
  constexpr int kFlags = O_APPEND | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
  int fd = sys::Open(os.c_str(), O_RDWR | kFlags);
  readOnlyError_ = 0;
  if (fd < 0 && (errno == EACCES || errno == EROFS)) {
    readOnlyError_ = errno;
    fd = sys::Open(os.c_str(), O_RDONLY | kFlags);
  }
  if (fd < 0) {
    SetError(error, errno);
    return false;
  }
  struct stat st;
  int failure = 0;
  if (::fstat(fd, &st) != 0) failure = errno;
  else if (!S_ISREG(st.st_mode)) failure = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
  if (failure != 0) {
    SetError(error, failure);
    sys::Close(fd);
    return false;
  }
  return Lock(fd, error);
}

bool AppendFile::ReadAll(std::string* content, int* error) const {
  content->clear();
  if (fd_ < 0) {
    SetError(error, EBADF);
    return false;
  }
  char buffer[1 << 16];
  for (off_t offset = 0;;) {
    const ssize_t n = sys::Pread(fd_, buffer, sizeof buffer, offset);
    if (n < 0) {
      if (errno == EINTR) continue;
      SetError(error, errno);
      return false;
    }
    if (n == 0) return true;
    content->append(buffer, static_cast<size_t>(n));
    offset += n;
  }
}

bool AppendFile::Append(std::string_view text, int* error) {
  if (fd_ < 0 || readOnlyError_ != 0) {
    SetError(error, fd_ < 0 ? EBADF : readOnlyError_);
    return false;
  }
  if (WriteFully(sys::Write, fd_, text.data(), text.size())) return true;
  SetError(error, errno);
  return false;
}

bool AppendFile::Sync(int* error) {
  if (fd_ >= 0 && sys::Fsync(fd_) == 0) return true;
  SetError(error, fd_ < 0 ? EBADF : errno);
  return false;
}

void AppendFile::Close() {
  if (fd_ >= 0) sys::Close(fd_);
  fd_ = -1;
}

}  // namespace platform
