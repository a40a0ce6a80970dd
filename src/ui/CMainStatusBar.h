// The frame's status bar: the message pane (stretching; the searched folder, the end of a
// search, menu prompts while the mouse is on an item) and the four lock indicators ｶﾅ, CAP,
// NUM and SCRL. The indicators follow the lock keys where the platform tells their states
// (read after every key and a few times a second); elsewhere they stay grey.
#pragma once

#include <QStatusBar>
#include <QTimer>
#include <array>
#include <functional>

#include "ui/LockKeys.h"

class QLabel;

class CMainStatusBar : public QStatusBar {
  Q_OBJECT

 public:
  static constexpr int kMessagePane = 0;
  static constexpr int kPaneCount = 5;

  explicit CMainStatusBar(QWidget* parent = nullptr);

  // Puts text into a pane and paints the bar at once, so it is seen while a long
  // operation keeps the event loop busy. An unknown pane is ignored.
  void SetPaneText(int pane, const QString& text);
  QString PaneText(int pane) const;
  // Lights (or greys) one of the indicators, panes 1 to 4.
  void SetIndicator(int pane, bool on);
  bool IndicatorOn(int pane) const;
  QLabel* Pane(int pane) const;

  // Where the lock states come from (ReadLockStates unless replaced); read at once.
  using LockReader = std::function<bool(LockStates*)>;
  void SetLockReader(LockReader reader);
  // Lights the indicators by the reader; a reader that cannot tell leaves them as they are.
  void UpdateLockIndicators();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::array<QLabel*, kPaneCount> panes_{};
  LockReader lockReader_;
  QTimer lockTimer_;
};
