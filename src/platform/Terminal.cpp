#include "platform/Terminal.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/StatusHelpers.h"

namespace platform {
namespace {

volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void OnInterrupt(int) { g_interrupted = 1; }

int FdOf(StandardStream stream) { return stream == StandardStream::Output ? STDOUT_FILENO : STDERR_FILENO; }

bool NamesShiftJis(std::string_view locale) {
  // The code set follows the first "." and ends at "@" (ja_JP.SJIS@euro is not a thing,
  // but a modifier must not hide the code set).
  const size_t dot = locale.find('.');
  if (dot == std::string_view::npos) return false;
  std::string_view codeset = locale.substr(dot + 1);
  codeset = codeset.substr(0, codeset.find('@'));
  std::string lower;
  for (char c : codeset) {
    if (c == '-' || c == '_') continue;
    lower.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c);
  }
  return lower == "sjis" || lower == "shiftjis" || lower == "cp932" || lower == "windows31j" || lower == "pck";
}

}  // namespace

bool IsTerminal(StandardStream stream) { return ::isatty(FdOf(stream)) == 1; }

int TerminalColumns(StandardStream stream) {
  struct winsize size {};
  if (::ioctl(FdOf(stream), TIOCGWINSZ, &size) != 0) return 0;
  return size.ws_col;
}

bool LocaleUsesCp932() {
  for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return NamesShiftJis(value);
  }
  return false;
}

void CatchInterrupt() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  // Restarted calls keep a read or a listing from failing only because the user pressed
  // Ctrl+C; the reset lets a second signal end the process.
  action.sa_flags = SA_RESTART | SA_RESETHAND;
  // A shutdown (SIGTERM) or a closed session (SIGHUP) must leave the same record as
  // Ctrl+C: the file in hand finished, the log written and marked as not completed.
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

bool InterruptRequested() { return g_interrupted != 0; }

namespace {

// A regular file, or a memory device such as /dev/null, takes what is written without a
// reader: no wait there can hold a stop up, and a plain write spares a poll per page.
bool NeverWaitsForAReader(int fd) {
  struct stat st;
  if (::fstat(fd, &st) != 0) return false;
  return S_ISREG(st.st_mode) || S_ISBLK(st.st_mode) || (S_ISCHR(st.st_mode) && major(st.st_rdev) == 1);
}

}  // namespace

bool WriteStream(StandardStream stream, std::string_view bytes, int* error) {
  // How long one wait for room lasts before the interrupt flag is looked at again: the
  // signal may be taken by another thread and leave the wait running.
  constexpr int kWaitMs = 100;
  // Once a pipe has room for one more page, a write of one page goes through without
  // blocking; a larger one could block again until the reader reads.
  constexpr size_t kChunk = 4096;
  const int fd = FdOf(stream);
  // What the stream is stays so for the process (asked once per stream).
  static const bool plain[2] = {NeverWaitsForAReader(STDOUT_FILENO), NeverWaitsForAReader(STDERR_FILENO)};
  if (plain[fd == STDOUT_FILENO ? 0 : 1]) {
    if (WriteFully(::write, fd, bytes.data(), bytes.size())) return true;
    *error = errno;
    return false;
  }
  size_t done = 0;
  while (done < bytes.size()) {
    pollfd wait{fd, POLLOUT, 0};
    const int ready = ::poll(&wait, 1, kWaitMs);
    if (ready < 0 && errno != EINTR) {
      *error = errno;
      return false;
    }
    if (ready <= 0) {
      if (InterruptRequested()) {
        *error = EINTR;
        return false;
      }
      continue;
    }
    // Room, or an error or hang-up that the write reports.
    const ssize_t written = ::write(fd, bytes.data() + done, std::min(kChunk, bytes.size() - done));
    if (written < 0) {
      // EAGAIN: a stream left non-blocking by whoever opened it; poll waits for room.
      if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
      *error = errno;
      return false;
    }
    done += static_cast<size_t>(written);
  }
  return true;
}

void IgnoreBrokenPipe() { std::signal(SIGPIPE, SIG_IGN); }

}  // namespace platform
