#include "ui/support/UiTestSupport.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QInputMethodEvent>
#include <QTest>

#include "platform/Encoding.h"
#include "ui/AppLook.h"

namespace uitest {

std::string Cp(const char* utf8) { return platform::Utf8ToCp932(utf8); }

void UseProgramLook() {
  auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
  if (app == nullptr) return;
  UseJapaneseFont(*app);
  LoadQtJapanese(*app);
}

void TypeText(QWidget* widget, const QString& text) {
  QInputMethodEvent event;
  event.setCommitString(text);
  QApplication::sendEvent(widget, &event);
}

void ClickInView(QAbstractItemView* view, const QPoint& viewportPos, Qt::MouseButton button) {
  QTest::mouseClick(view->viewport(), button, Qt::NoModifier, viewportPos);
}

QImage Render(QWidget* widget) { return widget->grab().toImage(); }

}  // namespace uitest
