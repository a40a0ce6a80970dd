// Runs a search that a form has armed, the way the program's idle time does it: ask the
// log side whether the search may start, run it with the standard buffer, write the
// automatic log, then finish (status text, forms refreshed, the window flashed). The hooks
// keep this free of the forms and of the log manager; any hook may be left empty.
#pragma once

#include <functional>

#include "settings/SearchRunInfo.h"

class CScanEngine;

class SearchDriver {
 public:
  struct Hooks {
    // Whether the search may start (the log folder check); empty: it may.
    std::function<bool()> checkLogFolder;
    // Called after every run that was started, with what the log needs of it; the caller
    // adds the hit list (LogManager::WriteAutoLog).
    std::function<void(const SearchRunInfo&)> writeAutoLog;
    // After a search: the forms refresh their controls, the window flashes if minimised.
    std::function<void()> refreshForms;
    std::function<void()> flashIfMinimised;
  };

  // Status texts go to the engine's host.
  SearchDriver(CScanEngine& engine, Hooks hooks) : engine_(engine), hooks_(std::move(hooks)) {}

  // Does nothing and returns false unless the engine's running flag is set; otherwise
  // runs (or declines) the search, finishes it and returns true.
  bool RunArmedSearch();
  // Clears running and shows "検索終了" when it was still set, "検索を中止しました" when
  // the user had cleared it; then refreshes the forms and flashes the window.
  void FinishSearch();

  Hooks& hooks() { return hooks_; }

 private:
  CScanEngine& engine_;
  Hooks hooks_;
};
