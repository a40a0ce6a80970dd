// The command line's side of a running search: the status texts become a progress line on
// stderr (at most one every kInterval, or none with quiet), and Ctrl+C, SIGTERM or SIGHUP
// stops the search the way Esc does in the window, by clearing the engine's running flag
// at its next check.
//
// The engine calls both several times for every file, so the common call costs a counter
// (and a flag read): the clock is read only every kClockStride status texts.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "engine/SearchHost.h"
#include "result/ScanCounts.h"

class CliConsole;
class CScanEngine;
class ScanResultModel;

class CliSearchHost : public SearchHost {
 public:
  using Clock = std::chrono::steady_clock;

  // Installs the handler of Ctrl+C, SIGTERM and SIGHUP. results gives the counters shown
  // with the progress.
  CliSearchHost(CScanEngine& engine, const ScanResultModel& results, CliConsole& console, bool quiet);
  // counts: what the progress shows, kept by whoever counts the run.
  CliSearchHost(CScanEngine& engine, const ScanCounts& counts, CliConsole& console, bool quiet);

  void SetStatusText(const std::string& text) override;
  void PumpEvents() override;

  // The last status text given (the end text of a search or registration).
  const std::string& LastText() const { return lastText_; }

 private:
  static constexpr uint32_t kClockStride = 16;

  CScanEngine& engine_;
  const ScanCounts& counts_;
  CliConsole& console_;
  const bool quiet_;
  const Clock::duration interval_;
  uint32_t calls_ = 0;
  bool shownOnce_ = false;
  Clock::time_point lastShown_{};
  std::string lastText_;
};
