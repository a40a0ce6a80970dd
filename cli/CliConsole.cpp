#include "CliConsole.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "CliTexts.h"
#include "platform/Encoding.h"
#include "platform/Terminal.h"
#include "settings/LogFormat.h"
#include "util/ShiftJis.h"

namespace {

// Erase the line the cursor is on and return to its start.
constexpr std::string_view kWipeLine = "\r\x1b[K";

// The tail of path that fits width columns, behind "..." when cut. A CP932 character is
// as many columns wide as it has bytes, so bytes count columns; no character is split.
std::string FitTail(std::string_view path, size_t width) {
  if (path.size() <= width) return std::string(path);
  if (width <= 3) return std::string("...").substr(0, width);
  size_t start = 0;
  while (start < path.size() && path.size() - start > width - 3) start += shiftjis::CharSize(path, start);
  return "..." + std::string(path.substr(start));
}

}  // namespace

CliConsole::Traits CliConsole::Detect() {
  Traits traits;
  traits.cp932 = platform::LocaleUsesCp932();
  traits.stdoutTerminal = platform::IsTerminal(platform::StandardStream::Output);
  traits.stderrTerminal = platform::IsTerminal(platform::StandardStream::Error);
  traits.columns = traits.stderrTerminal ? platform::TerminalColumns(platform::StandardStream::Error) : 0;
  return traits;
}

std::string CliConsole::Path(std::string_view cp932) const {
  return traits_.cp932 ? std::string(cp932) : platform::Cp932ToOsName(cp932);
}

std::string CliConsole::Text(std::string_view cp932) const {
  return traits_.cp932 ? std::string(cp932) : platform::Cp932ToUtf8(cp932);
}

std::string CliConsole::ShownPath(std::string_view cp932) const {
  return traits_.cp932 ? Escaped(cp932, true) : EscapeOsBytes(Path(cp932));
}

std::string CliConsole::ShownText(std::string_view cp932) const {
  // CP932 text converts to UTF-8 without producing a control character of its own.
  return Text(Escaped(cp932, true));
}

std::string CliConsole::Escaped(std::string_view cp932, bool escapeBackslash) {
  // Every console text is read as CP932 after its escapes are in, by the conversion to
  // UTF-8 or by a CP932 terminal: a lead byte left without its second byte would take the
  // backslash of the escape after it for one.
  return EscapeControlCharacters(cp932, escapeBackslash, true);
}

std::string CliConsole::EscapeOsBytes(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  auto escapeByte = [&](std::string& out, unsigned char c) {
    out += "\\x";
    out.push_back(kHex[c >> 4]);
    out.push_back(kHex[c & 0xF]);
  };
  std::string out;
  out.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c < 0x80) {
      // Plain ASCII: LogFormat's escapes are this one byte's.
      if (c < 0x20 || c == 0x7F || c == '\\') {
        out += EscapeControlCharacters(bytes.substr(i, 1), true);
      } else {
        out.push_back(static_cast<char>(c));
      }
      continue;
    }
    const size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
    if (length != 0 && bytes.size() - i >= length && platform::IsValidUtf8(bytes.substr(i, length))) {
      if (c == 0xC2 && static_cast<unsigned char>(bytes[i + 1]) < 0xA0) {
        // A C1 control in UTF-8 (U+0080 to U+009F).
        escapeByte(out, c);
        escapeByte(out, static_cast<unsigned char>(bytes[i + 1]));
      } else {
        out.append(bytes.substr(i, length));
      }
      i += length - 1;
    } else if (c <= 0x9F) {
      // A byte of no UTF-8 character (a name from a file system of another encoding): a
      // terminal that takes 8-bit controls reads 0x80-0x9F as one (0x9B starts a sequence).
      escapeByte(out, c);
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  return out;
}

void CliConsole::Out(std::string_view bytes) {
  // Only a progress line on the same screen is in the way.
  if (traits_.stdoutTerminal) WipeProgress();
  Write(out_, bytes);
  // A terminal gets each line as it is written; elsewhere lines are gathered.
  if (traits_.stdoutTerminal || out_.pending.size() >= kGather) Flush(out_);
}

void CliConsole::FlushOut() { Flush(out_); }

void CliConsole::ErrLine(std::string_view cp932) {
  WipeProgress();
  // A message may carry a name, with whatever it holds.
  std::string line = Text(Escaped(cp932, false));
  line.push_back('\n');
  Write(err_, line);
  Flush(err_);
}

void CliConsole::ErrRaw(std::string_view bytes) {
  WipeProgress();
  Write(err_, bytes);
  Flush(err_);
}

void CliConsole::Progress(const ScanCounts& counts, std::string_view cp932Path) {
  std::string line = cli_text::kCounterLabels[0] + std::to_string(counts.searched) + "  " +
                     cli_text::kCounterLabels[1] + std::to_string(counts.invalid) + "  ";
  if (traits_.stderrTerminal) {
    // One column short of the width, so the terminal never wraps the line.
    const size_t width = traits_.columns > 0 ? static_cast<size_t>(traits_.columns) : 80;
    line += FitTail(Escaped(cp932Path, false), width > line.size() + 1 ? width - line.size() - 1 : 0);
    std::string shown(kWipeLine);
    shown += Text(line);
    Write(err_, shown);
    progressShown_ = true;
  } else {
    line += Escaped(cp932Path, false);
    std::string shown = Text(line);
    shown.push_back('\n');
    Write(err_, shown);
  }
  Flush(err_);
}

void CliConsole::EndProgress() {
  WipeProgress();
  Flush(err_);
}

void CliConsole::WipeProgress() {
  if (!progressShown_) return;
  Write(err_, kWipeLine);
  progressShown_ = false;
}

bool CliConsole::Finish() {
  Flush(out_);
  Flush(err_);
  if (out_.error != 0 && err_.error == 0) {
    // EINTR: the stream gave way to a stop while it took nothing.
    const std::string why = out_.error == EINTR ? "nothing read it when the search was stopped"
                                                : std::string(std::strerror(out_.error));
    ErrRaw("vorlet-scan: cannot write to standard output: " + why + "\n");
  }
  return out_.error == 0 && err_.error == 0;
}

void CliConsole::Write(Stream& stream, std::string_view bytes) {
  // After a failed write the rest could only come out with a gap, and a stream that gave
  // way to a stop would hold the stop up again.
  if (stream.error == 0) stream.pending.append(bytes);
}

void CliConsole::Flush(Stream& stream) {
  if (stream.pending.empty()) return;
  int error = 0;
  if (!platform::WriteStream(stream.which, stream.pending, &error)) stream.error = error != 0 ? error : EIO;
  stream.pending.clear();
}
