#include "platform/Process.h"

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string_view>

#include "platform/StatusHelpers.h"

extern char** environ;

namespace platform {
namespace {

bool IsExecutableFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// The file execve is to run. Resolved here, before the fork: between fork and exec only
// async-signal-safe calls are allowed, and a PATH search allocates.
bool ResolveProgram(const std::string& name, std::string* path) {
  if (name.find('/') != std::string::npos) {
    *path = name;
    return true;
  }
  const char* env = std::getenv("PATH");
  const std::string_view folders = env != nullptr && *env != '\0' ? env : "/usr/local/bin:/usr/bin:/bin";
  size_t start = 0;
  while (start <= folders.size()) {
    size_t end = folders.find(':', start);
    if (end == std::string_view::npos) end = folders.size();
    // An empty entry is the current folder, as the shell has it.
    std::string candidate(end > start ? folders.substr(start, end - start) : std::string_view("."));
    candidate += '/';
    candidate += name;
    if (IsExecutableFile(candidate)) {
      *path = std::move(candidate);
      return true;
    }
    start = end + 1;
  }
  return false;
}

void WriteError(int fd, int value) {
  ssize_t written;
  do {
    written = ::write(fd, &value, sizeof value);
  } while (written < 0 && errno == EINTR);
}

// In the intermediate child: only async-signal-safe calls from here to _exit.
[[noreturn]] void RunGrandchild(const char* path, char* const* argv, int errorFd) {
  // A fresh session: the program outlives us and ignores our terminal's signals.
  ::setsid();
  const pid_t pid = ::fork();
  if (pid < 0) {
    WriteError(errorFd, errno);
    ::_exit(1);
  }
  if (pid > 0) ::_exit(0);  // the program is handed to init, which reaps it
  sigset_t all;
  ::sigemptyset(&all);
  ::sigprocmask(SIG_SETMASK, &all, nullptr);
  ::signal(SIGPIPE, SIG_DFL);
  ::execve(path, argv, environ);
  WriteError(errorFd, errno);
  ::_exit(127);
}

}  // namespace

bool StartDetached(const std::vector<std::string>& argv, int* error) {
  if (argv.empty() || argv.front().empty()) {
    SetError(error, EINVAL);
    return false;
  }
  std::string path;
  if (!ResolveProgram(argv.front(), &path)) {
    SetError(error, ENOENT);
    return false;
  }
  std::vector<char*> args;
  args.reserve(argv.size() + 1);
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);

  // The child reports a failed exec through the pipe; a successful exec closes it.
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) {
    SetError(error, errno);
    return false;
  }
  const pid_t child = ::fork();
  if (child < 0) {
    SetError(error, errno);
    ::close(fds[0]);
    ::close(fds[1]);
    return false;
  }
  if (child == 0) {
    ::close(fds[0]);
    RunGrandchild(path.c_str(), args.data(), fds[1]);
  }
  ::close(fds[1]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  int childError = 0;
  ssize_t got;
  do {
    got = ::read(fds[0], &childError, sizeof childError);
  } while (got < 0 && errno == EINTR);
  ::close(fds[0]);
  if (got == static_cast<ssize_t>(sizeof childError)) {
    SetError(error, childError != 0 ? childError : ECHILD);
    return false;
  }
  SetError(error, 0);
  return true;
}

int ProcessorCount() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) != 0) return 1;
  const int count = CPU_COUNT(&set);
  return count > 0 ? count : 1;
}

long CurrentThreadId() { return static_cast<long>(gettid()); }

}  // namespace platform
