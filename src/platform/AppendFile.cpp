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
  struct stat st;
  if (::fstat(fd, &st) == 0) Remember(st);
  return Lock(fd, error);
}

bool AppendFile::OpenExisting(const std::string& path, int* error, const FileIdentity& expected) {
  Close();
  readOnlyError_ = 0;
  const std::string os = Cp932ToOsName(path);
  // Looked at without following a link; only a regular file is then opened, through the
  // descriptor it was looked at by, so it is the very file looked at.
  struct stat st;
  const int look = LookAt(AT_FDCWD, os.c_str(), false, &st);
  if (look < 0) {
    SetError(error, errno);
    return false;
  }
  int refused = 0;
  if (S_ISLNK(st.st_mode)) refused = ELOOP;
  else if (!S_ISREG(st.st_mode)) refused = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
  else if (expected.known && !SameIdentity(IdentityOfStat(st), expected)) refused = ESTALE;
  if (refused != 0) {
    sys::Close(look);
    SetError(error, refused);
    return false;
  }
  constexpr int kFlags = O_APPEND | O_NOCTTY | O_CLOEXEC;
  int fd = ReopenLookedAt(look, st, AT_FDCWD, os.c_str(), false, O_RDWR | kFlags);
  if (fd < 0 && (errno == EACCES || errno == EROFS)) {
    readOnlyError_ = errno;
    fd = ReopenLookedAt(look, st, AT_FDCWD, os.c_str(), false, O_RDONLY | kFlags);
  }
  const int saved = errno;
  sys::Close(look);
  if (fd < 0) {
    SetError(error, saved);
    return false;
  }
  Remember(st);
  return Lock(fd, error);
}

void AppendFile::Remember(const struct stat& st) {
  identity_ = IdentityOfStat(st);
  owner_ = st.st_uid;
  mode_ = st.st_mode;
}

bool AppendFile::OwnersAlone() const {
  return fd_ >= 0 && (owner_ == 0 || owner_ == ::geteuid()) && (mode_ & (S_IWGRP | S_IWOTH)) == 0;
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
  identity_ = FileIdentity{};
}

}  // namespace platform
