#include "ui/QtSearchHost.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>

#include "engine/CScanEngine.h"
#include "ui/CMainFrame.h"

QtSearchHost::QtSearchHost(CScanEngine& engine, QObject* parent)
    : QObject(parent), engine_(engine) {
  flushTimer_.setSingleShot(true);
  flushTimer_.setInterval(std::chrono::duration_cast<std::chrono::milliseconds>(kStatusInterval));
  connect(&flushTimer_, &QTimer::timeout, this, &QtSearchHost::Flush);
  if (QCoreApplication* app = QCoreApplication::instance()) app->installEventFilter(this);
}

QtSearchHost::~QtSearchHost() {
  if (QCoreApplication* app = QCoreApplication::instance()) app->removeEventFilter(this);
}

void QtSearchHost::SetFrame(CMainFrame* frame) {
  frame_ = frame;
  Flush();
}

void QtSearchHost::SetStatusText(const std::string& text) {
  // Called for every file: remembering the text and reading the clock is all it may cost.
  text_.assign(text);
  textPending_ = true;
  const Clock::time_point now = Clock::now();
  if (now - lastShown_ >= kStatusInterval) {
    ShowText(now);
  } else if (!flushTimer_.isActive()) {
    flushTimer_.start();
  }
}

void QtSearchHost::PumpEvents() {
  const Clock::time_point now = Clock::now();
  if (now - lastPump_ < kPumpInterval) return;
  lastPump_ = now;
  // A text held back shows from flushTimer_, which these events include.
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtSearchHost::Flush() {
  if (textPending_) ShowText(Clock::now());
}

void QtSearchHost::ShowText(Clock::time_point now) {
  if (frame_.isNull()) return;
  textPending_ = false;
  lastShown_ = now;
  frame_->SetStatusText(text_, 0);
}

bool QtSearchHost::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if ((type != QEvent::KeyPress && type != QEvent::Close) || !engine_.running) return false;
  if (type == QEvent::KeyPress) {
    if (static_cast<QKeyEvent*>(event)->key() != Qt::Key_Escape) return false;
    // A message box or an open menu takes its own Esc, as it would without a search.
    if (QApplication::activeModalWidget() != nullptr || QApplication::activePopupWidget() != nullptr) return false;
    engine_.running = false;
    return true;
  }
  // A close request that the program makes of the frame stops the search and the frame
  // stays; the window system's own request goes on to the frame, which refuses it.
  if (frame_.isNull() || watched != frame_.data() || event->spontaneous()) return false;
  event->ignore();
  engine_.running = false;
  return true;
}
