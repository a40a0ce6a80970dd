#include "CliSearchHost.h"

#include "CliConsole.h"
#include "engine/CScanEngine.h"
#include "platform/Terminal.h"
#include "result/ScanResultModel.h"

namespace {

// On a terminal the line is redrawn in place; in a file or pipe every update is a line.
constexpr std::chrono::milliseconds kTerminalInterval(200);
constexpr std::chrono::milliseconds kLineInterval(1000);

}  // namespace

CliSearchHost::CliSearchHost(CScanEngine& engine, const ScanResultModel& results, CliConsole& console, bool quiet)
    : CliSearchHost(engine, results.Counts(), console, quiet) {}

CliSearchHost::CliSearchHost(CScanEngine& engine, const ScanCounts& counts, CliConsole& console, bool quiet)
    : engine_(engine),
      counts_(counts),
      console_(console),
      quiet_(quiet),
      interval_(console.ProgressInPlace() ? kTerminalInterval : kLineInterval) {
  platform::CatchInterrupt();
}

void CliSearchHost::SetStatusText(const std::string& text) {
  if (!engine_.running) {
    // Outside a walk: the end text, kept for the summary.
    lastText_ = text;
    return;
  }
  if (quiet_ || (++calls_ % kClockStride != 0 && shownOnce_)) return;
  const Clock::time_point now = Clock::now();
  if (shownOnce_ && now - lastShown_ < interval_) return;
  shownOnce_ = true;
  lastShown_ = now;
  console_.Progress(counts_, text);
}

void CliSearchHost::PumpEvents() {
  if (!platform::InterruptRequested() || !engine_.running) return;
  engine_.running = false;
}
