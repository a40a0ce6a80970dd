// Small helpers the file-system sources of the platform layer share: the optional error
// out-parameter, the status and identity taken from a stat record or an open descriptor,
// and writing a whole buffer. Used inside src/platform only.
#pragma once

#include <sys/stat.h>

#include <cerrno>
#include <cstddef>
#include <string>

#include "platform/FileStamp.h"
#include "platform/FileSystem.h"

namespace platform {

// Writes all of data to fd through write, a system-call wrapper (each use has its own, so
// that a test can break one without the other); false with errno on failure.
template <typename WriteCall>
bool WriteFully(WriteCall write, int fd, const char* data, size_t size) {
  while (size > 0) {
    const auto n = write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

// Opens os (a path in the OS's encoding) as open(2) would with flags, also when the path is
// longer than the kernel takes in one call: a folder nested deeper than that must still be
// reached, or a file could be hidden from the search by nesting. Such a path is opened a
// piece at a time, each piece whole components shorter than the limit, relative to the
// folder the piece before it reached; links on the way are followed as in one call.
// -1 with errno on failure.
int OpenInPieces(const std::string& os, int flags);

// openWhole(path, flags), a system-call wrapper, and OpenInPieces when the path is too long.
template <typename OpenCall>
int OpenAnyLength(const std::string& os, int flags, OpenCall openWhole) {
  const int fd = openWhole(os.c_str(), flags);
  if (fd >= 0 || errno != ENAMETOOLONG) return fd;
  return OpenInPieces(os, flags);
}

// Looks at what name (relative to dirFd, or AT_FDCWD) leads to, or with followLink false at
// the entry itself, through an O_PATH descriptor: it reaches the file without opening it, so
// a device or FIFO there is not acted on. The descriptor, with the status in *st, or -1 with
// errno.
int LookAt(int dirFd, const char* osName, bool followLink, struct stat* st);

// Opens with flags the very file look (from LookAt, with st) holds, through its entry in
// /proc. Without /proc (a bare chroot, or one a security policy closes) the name is opened
// again and kept only when it is the same file (else ESTALE). -1 with errno.
int ReopenLookedAt(int look, const struct stat& st, int dirFd, const char* osName, bool followLink, int flags);

inline void SetError(int* error, int value) {
  if (error != nullptr) *error = value;
}

inline FileIdentity IdentityOfStat(const struct stat& st) {
  return FileIdentity{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino), true};
}

inline void FillStatus(const struct stat& st, FileStatus* out) {
  out->isDirectory = S_ISDIR(st.st_mode);
  out->isRegular = S_ISREG(st.st_mode);
  out->isLink = S_ISLNK(st.st_mode);
  out->size = static_cast<uint64_t>(st.st_size);
  out->modifiedTime = st.st_mtime;
  out->device = st.st_dev;
  out->inode = st.st_ino;
}

inline void FillStamp(const struct stat& st, FileStamp* out) {
  constexpr int64_t kNsPerSecond = 1000000000;
  out->device = static_cast<uint64_t>(st.st_dev);
  out->inode = static_cast<uint64_t>(st.st_ino);
  out->size = static_cast<uint64_t>(st.st_size);
  out->modifiedNs = static_cast<int64_t>(st.st_mtim.tv_sec) * kNsPerSecond + st.st_mtim.tv_nsec;
  out->changedNs = static_cast<int64_t>(st.st_ctim.tv_sec) * kNsPerSecond + st.st_ctim.tv_nsec;
}

// The identity of the file open as fd; EBADF when nothing is open.
inline bool IdentityOfFd(int fd, FileIdentity* identity, int* error) {
  struct stat st;
  if (fd < 0 || ::fstat(fd, &st) != 0) {
    SetError(error, fd < 0 ? EBADF : errno);
    return false;
  }
  *identity = IdentityOfStat(st);
  return true;
}

}  // namespace platform
