// The desktop program's side of a running search: the status text goes to pane 0 of the
// frame's status bar, and pending events are handled so that the window stays live and the
// user can stop the search. Both are throttled by a monotonic clock, because the engine
// calls them several times for every file: the status bar is repainted at most every
// kStatusInterval (the last text always ends up shown), and events are dispatched at most
// every kPumpInterval. Between those, a call costs a read of a coarse clock.
//
// While it exists it also watches the whole application's events: an Esc key press while
// a search is armed or running stops it, and so does a close request that the program
// itself makes of the frame (not spontaneous); the window system's close box is left to
// the frame, which refuses to close during a search.
#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <chrono>
#include <string>

#include "engine/SearchHost.h"
#include "platform/Clock.h"

class CMainFrame;
class CScanEngine;

class QtSearchHost : public QObject, public SearchHost {
  Q_OBJECT

 public:
  // Read several times per file: the coarse clock's few milliseconds do not matter here.
  using Clock = platform::CoarseClock;
  static constexpr Clock::duration kStatusInterval = std::chrono::milliseconds(100);
  static constexpr Clock::duration kPumpInterval = std::chrono::milliseconds(10);

  // Installs its event filter on the application; a stop request clears the engine's
  // running flag.
  explicit QtSearchHost(CScanEngine& engine, QObject* parent = nullptr);
  ~QtSearchHost() override;

  // The frame whose status bar shows the texts; texts wait until there is one.
  void SetFrame(CMainFrame* frame);

  // SearchHost.
  void SetStatusText(const std::string& text) override;
  void PumpEvents() override;

  // Shows the last text now if it is not shown yet (the end of a search).
  void Flush();
  // The text last given, shown or not.
  const std::string& LastText() const { return text_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ShowText(Clock::time_point now);

  CScanEngine& engine_;
  QPointer<CMainFrame> frame_;
  std::string text_;
  bool textPending_ = false;
  Clock::time_point lastShown_{};
  Clock::time_point lastPump_{};
  // Shows a text that arrived too soon after the last one once the interval has passed.
  QTimer flushTimer_;
};
