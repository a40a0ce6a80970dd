// Shared helpers of the form tests: CP932 literals from UTF-8, typing Japanese without
// QTest::keyClicks (which aborts outside Latin-1), clicking inside a list's viewport,
// finding controls by their decimal id and reading back rendered pixels.
#pragma once

#include <QImage>
#include <QString>
#include <QWidget>
#include <string>

class QAbstractItemView;
class QApplication;

namespace uitest {

// UTF-8 source text as the program's CP932.
std::string Cp(const char* utf8);

// The program's font and Japanese Qt texts, as the application sets them up.
void UseProgramLook();

// Commits text to the focused input of widget as an input method would.
void TypeText(QWidget* widget, const QString& text);

void ClickInView(QAbstractItemView* view, const QPoint& viewportPos, Qt::MouseButton button = Qt::LeftButton);

// The child with objectName id (a control or form id), or null.
template <class T = QWidget>
T* FindById(QObject* parent, int id) {
  return parent->findChild<T*>(QString::number(id));
}

// The widget rendered offscreen.
QImage Render(QWidget* widget);

}  // namespace uitest
