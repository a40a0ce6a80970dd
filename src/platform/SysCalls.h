// The OS calls of the file-system layer, each behind one inline function, so that the
// test-only fault switch (Faults.h) can fail or interleave any of them. In a build without
// the switch every function is the bare call. Used inside src/platform only.
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <linux/close_range.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>

#include "platform/Faults.h"

namespace platform::sys {

// Sets errno to an injected error; the callers return their failure value.
inline bool Injected(int error) {
  if (error == 0) return false;
  errno = error;
  return true;
}

inline int Open(const char* path, int flags, mode_t mode = 0) {
  if (Injected(VORLET_FAULT(Open, path))) return -1;
  const int fd = ::open(path, flags, mode);
  VORLET_NOTE_FD(fd, path);
  return fd;
}

inline int OpenAt(int dirFd, const char* name, int flags, mode_t mode = 0) {
  if (Injected(VORLET_FAULT_AT(Open, dirFd, name))) return -1;
  const int fd = ::openat(dirFd, name, flags, mode);
  VORLET_NOTE_FD_AT(fd, dirFd, name);
  return fd;
}

// Opens again, with flags, the very file an O_PATH descriptor holds (through its entry in
// /proc, which no path resolution can redirect). Noted as the entry name of folder dirFd.
inline int Reopen(int pathFd, int flags, [[maybe_unused]] int dirFd, [[maybe_unused]] const char* name) {
  char proc[40];
  std::snprintf(proc, sizeof proc, "/proc/self/fd/%d", pathFd);
  const int fd = ::open(proc, flags);
  VORLET_NOTE_FD_AT(fd, dirFd, name);
  return fd;
}

// Gives the calling thread a descriptor table of its own with nothing open in it but the
// standard input, output and error (what the C library and the sanitizers write their
// messages to). The build with faults keeps one table: it tells descriptors apart by their
// numbers.
inline int UnshareEmptyDescriptorTable() {
#if defined(VORLET_FAULT_INJECTION) && VORLET_FAULT_INJECTION
  errno = ENOSYS;
  return -1;
#else
  return ::close_range(3, ~0U, CLOSE_RANGE_UNSHARE);
#endif
}

// Whether close_range with CLOSE_RANGE_UNSHARE can be had: a range holding no descriptor
// is closed (nothing) where the call exists.
inline bool CloseRangeWorks() {
#if defined(VORLET_FAULT_INJECTION) && VORLET_FAULT_INJECTION
  return false;
#else
  return ::close_range(~0U, ~0U, 0) == 0;
#endif
}

// A folder opened for listing.
inline int OpenFolderForListing(const char* path, int flags) {
  if (Injected(VORLET_FAULT(OpenDir, path))) return -1;
  const int fd = ::open(path, flags);
  VORLET_NOTE_FD(fd, path);
  return fd;
}

inline struct dirent* ReadDir(DIR* dir, [[maybe_unused]] int fd) {
  if (Injected(VORLET_FAULT_FD(ReadDir, fd))) return nullptr;
  return ::readdir(dir);
}

inline void Forget([[maybe_unused]] int fd) { VORLET_FORGET_FD(fd); }

inline int Close(int fd) {
  Forget(fd);
  return ::close(fd);
}

inline ssize_t Pread(int fd, void* buffer, size_t count, off_t offset) {
  if (Injected(VORLET_FAULT_FD(Read, fd))) return -1;
  return ::pread(fd, buffer, count, offset);
}

inline ssize_t Read(int fd, void* buffer, size_t count) {
  if (Injected(VORLET_FAULT_FD(Read, fd))) return -1;
  return ::read(fd, buffer, count);
}

inline ssize_t Write(int fd, const void* data, size_t count) {
  if (Injected(VORLET_FAULT_FD(Write, fd))) return -1;
  return ::write(fd, data, count);
}

inline ssize_t CopyWrite(int fd, const void* data, size_t count) {
  if (Injected(VORLET_FAULT_FD(CopyWrite, fd))) return -1;
  return ::write(fd, data, count);
}

inline int Fsync(int fd) {
  if (Injected(VORLET_FAULT_FD(Fsync, fd))) return -1;
  return ::fsync(fd);
}

inline int Rename(const char* from, const char* to) {
  if (Injected(VORLET_FAULT(Rename, to))) return -1;
  return ::rename(from, to);
}

inline int RenameAt2(int fromDir, const char* from, int toDir, const char* to, unsigned int flags) {
  if (Injected(VORLET_FAULT_AT(Renameat2, fromDir, from))) return -1;
  return ::renameat2(fromDir, from, toDir, to, flags);
}

// A second name for a finished file; matched by the new name.
inline int LinkAt(int fromDir, const char* from, int toDir, const char* to) {
  if (Injected(VORLET_FAULT_AT(Link, toDir, to))) return -1;
  return ::linkat(fromDir, from, toDir, to, 0);
}

inline int Unlink(const char* path) {
  if (Injected(VORLET_FAULT(Unlink, path))) return -1;
  return ::unlink(path);
}

inline int UnlinkAt(int dirFd, const char* name) {
  if (Injected(VORLET_FAULT_AT(Unlink, dirFd, name))) return -1;
  return ::unlinkat(dirFd, name, 0);
}

inline int Stat(const char* path, struct stat* st) {
  if (Injected(VORLET_FAULT(Stat, path))) return -1;
  return ::stat(path, st);
}

inline int Lstat(const char* path, struct stat* st) {
  if (Injected(VORLET_FAULT(Stat, path))) return -1;
  return ::lstat(path, st);
}

inline int FstatAt(int dirFd, const char* name, struct stat* st, int flags) {
  if (Injected(VORLET_FAULT_AT(Stat, dirFd, name))) return -1;
  return ::fstatat(dirFd, name, st, flags);
}

}  // namespace platform::sys
