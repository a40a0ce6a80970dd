#include "ui/support/UiTestSupport.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QEventLoop>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QRadioButton>
#include <QStyle>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include "platform/Encoding.h"
#include "ui/AppLook.h"
#include "ui/DialogHooks.h"
#include "ui/QtMessagePresenter.h"

namespace uitest {

std::string Cp(const char* utf8) { return platform::Utf8ToCp932(utf8); }

void UseProgramLook() {
  auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
  if (app == nullptr) return;
  UseJapaneseFont(*app);
  LoadQtJapanese(*app);
}

void StartFormTests(QtMessagePresenter* presenter) {
  UseProgramLook();
  SetMessagePresenter(presenter);
  DialogHooks::SetStrict(true);
}

void TypeText(QWidget* widget, const QString& text) {
  QInputMethodEvent event;
  event.setCommitString(text);
  QApplication::sendEvent(widget, &event);
}

bool AllColumnsInSight(QTreeView* view, bool withScrollBar) {
  const int bar = withScrollBar ? view->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, view) : 0;
  return view->header()->length() <= view->viewport()->width() - bar;
}

void Retype(QLineEdit* edit, const QString& text) {
  edit->setFocus();
  edit->selectAll();
  TypeText(edit, text);
}

void ClickInView(QAbstractItemView* view, const QPoint& viewportPos, Qt::MouseButton button) {
  QTest::mouseClick(view->viewport(), button, Qt::NoModifier, viewportPos);
}

void ClickRadio(QRadioButton* button) {
  QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(6, button->height() / 2));
}

std::shared_ptr<InvalFileInfo> Record(const std::string& name, const std::string& category,
                                      const std::string& risk, const OleDate& created,
                                      const std::string& author, const std::string& summary) {
  auto record = std::make_shared<InvalFileInfo>();
  record->SetFromText(name, category, risk, created, author, "00112233445566778899aabbccddeeff", summary);
  return record;
}

bool RunEventLoopUntil(const std::function<bool()>& done, int timeoutMs) {
  QEventLoop loop;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
    if (done()) loop.quit();
  });
  poll.start(5);
  QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
  loop.exec();
  return done();
}

bool PaintCounter::eventFilter(QObject*, QEvent* event) {
  if (event->type() == QEvent::Paint) ++count;
  return false;
}

QImage Render(QWidget* widget) { return widget->grab().toImage(); }

}  // namespace uitest
