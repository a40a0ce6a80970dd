#include "ui/CMainStatusBar.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>

namespace {
const char* const kIndicators[] = {"ｶﾅ", "CAP", "NUM", "SCRL"};
// A lock key pressed in another window shows here within this time.
constexpr int kLockPollMs = 300;
}

CMainStatusBar::CMainStatusBar(QWidget* parent) : QStatusBar(parent) {
  setObjectName(QStringLiteral("59393"));  // the frame's status bar id
  setSizeGripEnabled(false);
  panes_[kMessagePane] = new QLabel(this);
  panes_[kMessagePane]->setObjectName(QStringLiteral("pane0"));
  panes_[kMessagePane]->setTextFormat(Qt::PlainText);
  panes_[kMessagePane]->setMinimumWidth(1);
  // A new text must never change the pane's size: a relayout would repaint the whole
  // window, and a search shows a new text many times a second.
  panes_[kMessagePane]->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  addWidget(panes_[kMessagePane], 1);
  for (int i = 1; i < kPaneCount; ++i) {
    auto* label = new QLabel(QString::fromUtf8(kIndicators[i - 1]), this);
    label->setObjectName(QStringLiteral("pane%1").arg(i));
    label->setAlignment(Qt::AlignCenter);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("SCRL")) + 12);
    label->setEnabled(false);
    addPermanentWidget(label);
    panes_[i] = label;
  }
  lockTimer_.setInterval(kLockPollMs);
  connect(&lockTimer_, &QTimer::timeout, this, &CMainStatusBar::UpdateLockIndicators);
  SetLockReader(ReadLockStates);
  // Any key typed in the program may have been a lock key.
  qApp->installEventFilter(this);
}

void CMainStatusBar::SetLockReader(LockReader reader) {
  lockReader_ = std::move(reader);
  UpdateLockIndicators();
  LockStates ignored;
  // Only a platform that tells the states is asked again and again.
  if (lockReader_ && lockReader_(&ignored)) {
    lockTimer_.start();
  } else {
    lockTimer_.stop();
  }
}

void CMainStatusBar::UpdateLockIndicators() {
  LockStates states;
  if (!lockReader_ || !lockReader_(&states)) return;
  SetIndicator(1, states.kana);
  SetIndicator(2, states.caps);
  SetIndicator(3, states.num);
  SetIndicator(4, states.scroll);
}

bool CMainStatusBar::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyRelease && watched->isWidgetType()) UpdateLockIndicators();
  return QStatusBar::eventFilter(watched, event);
}

void CMainStatusBar::SetPaneText(int pane, const QString& text) {
  if (pane < 0 || pane >= kPaneCount) return;
  panes_[pane]->setText(text);
  // Painted at once (a search keeps the event loop busy), and only this pane.
  panes_[pane]->repaint();
}

QString CMainStatusBar::PaneText(int pane) const {
  if (pane < 0 || pane >= kPaneCount) return QString();
  return panes_[pane]->text();
}

void CMainStatusBar::SetIndicator(int pane, bool on) {
  if (pane <= kMessagePane || pane >= kPaneCount) return;
  panes_[pane]->setEnabled(on);
}

bool CMainStatusBar::IndicatorOn(int pane) const {
  if (pane <= kMessagePane || pane >= kPaneCount) return false;
  return panes_[pane]->isEnabled();
}

QLabel* CMainStatusBar::Pane(int pane) const {
  if (pane < 0 || pane >= kPaneCount) return nullptr;
  return panes_[pane];
}
