// The frame's status bar: the message pane (stretching; the searched folder, the end of a
// search, menu prompts while the mouse is on an item) and the four lock indicators ｶﾅ, CAP,
// NUM and SCRL. Qt cannot read the lock states portably, so the indicators stay greyed
// unless someone reports a state with SetIndicator.
#pragma once

#include <QStatusBar>
#include <array>

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

 private:
  std::array<QLabel*, kPaneCount> panes_{};
};
