#include "CliConsole.h"

#include <cstdio>

#include "CliTexts.h"
#include "platform/Encoding.h"
#include "platform/Terminal.h"
#include "util/ShiftJis.h"

namespace {

// Erase the line the cursor is on and return to its start.
constexpr std::string_view kWipeLine = "\r\x1b[K";

void Write(std::FILE* stream, std::string_view bytes) { std::fwrite(bytes.data(), 1, bytes.size(), stream); }

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

void CliConsole::Out(std::string_view bytes) {
  // Only a progress line on the same screen is in the way.
  if (traits_.stdoutTerminal) WipeProgress();
  Write(stdout, bytes);
}

void CliConsole::FlushOut() { std::fflush(stdout); }

void CliConsole::ErrLine(std::string_view cp932) {
  WipeProgress();
  std::string line = Text(cp932);
  line.push_back('\n');
  Write(stderr, line);
  std::fflush(stderr);
}

void CliConsole::ErrRaw(std::string_view bytes) {
  WipeProgress();
  Write(stderr, bytes);
  std::fflush(stderr);
}

void CliConsole::Progress(const ScanCounts& counts, std::string_view cp932Path) {
  std::string line = cli_text::kCounterLabels[0] + std::to_string(counts.searched) + "  " +
                     cli_text::kCounterLabels[1] + std::to_string(counts.invalid) + "  ";
  if (traits_.stderrTerminal) {
    // One column short of the width, so the terminal never wraps the line.
    const size_t width = traits_.columns > 0 ? static_cast<size_t>(traits_.columns) : 80;
    line += FitTail(cp932Path, width > line.size() + 1 ? width - line.size() - 1 : 0);
    std::string shown(kWipeLine);
    shown += Text(line);
    Write(stderr, shown);
    progressShown_ = true;
  } else {
    line += cp932Path;
    std::string shown = Text(line);
    shown.push_back('\n');
    Write(stderr, shown);
  }
  std::fflush(stderr);
}

void CliConsole::EndProgress() {
  WipeProgress();
  std::fflush(stderr);
}

void CliConsole::WipeProgress() {
  if (!progressShown_) return;
  Write(stderr, kWipeLine);
  progressShown_ = false;
}
