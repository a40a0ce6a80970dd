// Where vorlet-scan writes: hit and listing lines to stdout, the progress line, messages
// and the summary to stderr, each text converted for the user's terminal once, here.
// Texts come in as CP932. Path gives file and folder names back as the file system's own
// bytes (lossless, so a script can use them); Text converts any other text for display.
// With a CP932 locale both leave the bytes as they are.
//
// Nothing a name or a signature holds reaches the terminal as a control: Shown* escape
// every control character (LogFormat's escapes, backslash included, and in UTF-8 the C1
// controls too), so a name can neither forge a line nor send the terminal a sequence.
//
// A write that fails (a full disk, a reader that went away) is remembered; Finish says
// whether everything written went through. A write that waits on a reader who does not
// read gives way to a stop (Ctrl+C, SIGTERM, SIGHUP) and counts as failed.
//
// The progress line is throttled by its caller; on a terminal it is redrawn in place and
// wiped before any other line is written, elsewhere each update is a line of its own.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/Terminal.h"
#include "result/ScanCounts.h"

class CliConsole {
 public:
  struct Traits {
    bool cp932 = false;          // the locale wants CP932 bytes
    bool stdoutTerminal = false;
    bool stderrTerminal = false;
    int columns = 0;             // of the stderr terminal; 0 unknown
  };
  // What the process's streams and locale say.
  static Traits Detect();

  explicit CliConsole(const Traits& traits) : traits_(traits) {}

  bool Cp932() const { return traits_.cp932; }
  bool ProgressInPlace() const { return traits_.stderrTerminal; }
  std::string Path(std::string_view cp932) const;
  std::string Text(std::string_view cp932) const;
  // Path and Text with every control character escaped: for display.
  std::string ShownPath(std::string_view cp932) const;
  std::string ShownText(std::string_view cp932) const;
  // The OS's bytes (UTF-8 or not) with every control character and backslash escaped; a
  // C1 control counts both in UTF-8 (0xC2 0x80-0x9F, escaped byte by byte) and as a lone
  // byte 0x80-0x9F that is no part of a UTF-8 character.
  static std::string EscapeOsBytes(std::string_view bytes);
  // CP932 text with its control characters escaped (and with escapeBackslash its
  // backslashes), and a lead byte without its second byte as \xHH.
  static std::string Escaped(std::string_view cp932, bool escapeBackslash);

  // bytes already converted; written as they are (a line ends with its own newline).
  void Out(std::string_view bytes);
  void FlushOut();
  // One line of CP932 text, converted, with a newline added.
  void ErrLine(std::string_view cp932);
  // bytes already converted, written as they are.
  void ErrRaw(std::string_view bytes);

  void Progress(const ScanCounts& counts, std::string_view cp932Path);
  // Wipes the progress line of a terminal, so the summary starts on a clean line.
  void EndProgress();

  // Flushes both streams; false when any write to either failed. A failure of stdout is
  // then said on stderr, as long as stderr still takes it.
  bool Finish();

 private:
  // A standard stream with what is written to it and not yet passed on. The streams are
  // written here rather than through the C library, so that a write that waits for its
  // reader gives way to Ctrl+C, SIGTERM or SIGHUP (platform::WriteStream).
  struct Stream {
    explicit Stream(platform::StandardStream s) : which(s) {}
    platform::StandardStream which;
    std::string pending;
    int error = 0;  // errno of the first failed write, 0 while none failed
  };
  // What stdout gathers before it is passed on, when it is not a terminal.
  static constexpr size_t kGather = 64 * 1024;

  void WipeProgress();
  void Write(Stream& stream, std::string_view bytes);
  void Flush(Stream& stream);

  Traits traits_;
  bool progressShown_ = false;
  Stream out_{platform::StandardStream::Output};
  Stream err_{platform::StandardStream::Error};
};
