// A test-only switch that makes chosen file-system calls of this layer fail with a chosen
// errno, or runs a test's action just before such a call, so that tests can show what the
// program does when a disk fills up, a read fails, a folder is locked or a tree changes
// under a search. It exists only in builds made with VORLET_FAULT_INJECTION: elsewhere the
// hook macros below expand to a constant 0 and their arguments are never evaluated, so
// the program pays nothing for them.
//
// A call is matched by its kind and by a part of its path (the OS's bytes; for calls on an
// open descriptor, the path it was opened with; for an entry opened relative to a folder,
// the folder's path + "/" + the name). Rules stay armed until Reset.
#pragma once

namespace platform::faults {

enum class Call {
  Open,       // open/openat of a file or of one component of a folder walk
  Read,       // pread of an open file
  Write,      // write of a file saved atomically
  Fsync,      // fsync of a written file
  Rename,     // rename of a saved file over the old one
  Renameat2,  // renameat2 without replacing (moves and renames of hits)
  Unlink,     // unlink/unlinkat
  OpenDir,    // opening a folder for listing
  ReadDir,    // one readdir step of a listing
  CopyWrite,  // write of a copy made across file systems
  Stat,       // stat/lstat/fstatat of a path or an entry
  Link,       // linkat giving a finished copy its name
};

}  // namespace platform::faults

#if defined(VORLET_FAULT_INJECTION) && VORLET_FAULT_INJECTION

#include <functional>
#include <string>
#include <string_view>

namespace platform::faults {

constexpr int kForever = -1;

// The matching calls after the first afterNCalls fail with error (times of them, or all).
void Arm(Call call, int error, int afterNCalls = 0, std::string pathSubstring = {}, int times = kForever);
// action runs just before a matching call (after the first afterNCalls; times times). It
// runs with the switch paused, so the platform calls it makes are never matched.
void Before(Call call, std::string pathSubstring, std::function<void()> action, int afterNCalls = 0,
            int times = 1);
// Disarms every rule and zeroes the counters.
void Reset();
// Failures injected and actions run since Reset.
int FailuresInjected();
int ActionsRun();

// Arms rules for a scope and disarms every rule when it ends.
class Scope {
 public:
  Scope() { Reset(); }
  ~Scope() { Reset(); }
  Scope(const Scope&) = delete;
  Scope& operator=(const Scope&) = delete;
};

// ---- for the platform layer ----
// Runs the actions due for this call and returns the errno to inject, or 0.
int Check(Call call, std::string_view path);
int CheckFd(Call call, int fd);
int CheckAt(Call call, int dirFd, std::string_view name);
// Remembers (and forgets) which path a descriptor was opened with.
void NoteFd(int fd, std::string_view path);
void NoteFdAt(int fd, int dirFd, std::string_view name);
void ForgetFd(int fd);

}  // namespace platform::faults

#define VORLET_FAULT(call, path) (::platform::faults::Check(::platform::faults::Call::call, (path)))
#define VORLET_FAULT_FD(call, fd) (::platform::faults::CheckFd(::platform::faults::Call::call, (fd)))
#define VORLET_FAULT_AT(call, dirFd, name) (::platform::faults::CheckAt(::platform::faults::Call::call, (dirFd), (name)))
#define VORLET_NOTE_FD(fd, path) ::platform::faults::NoteFd((fd), (path))
#define VORLET_NOTE_FD_AT(fd, dirFd, name) ::platform::faults::NoteFdAt((fd), (dirFd), (name))
#define VORLET_FORGET_FD(fd) ::platform::faults::ForgetFd((fd))

#else

#define VORLET_FAULT(call, path) 0
#define VORLET_FAULT_FD(call, fd) 0
#define VORLET_FAULT_AT(call, dirFd, name) 0
#define VORLET_NOTE_FD(fd, path) ((void)0)
#define VORLET_NOTE_FD_AT(fd, dirFd, name) ((void)0)
#define VORLET_FORGET_FD(fd) ((void)0)

#endif
