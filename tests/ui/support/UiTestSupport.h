// Shared helpers of the form tests: CP932 literals from UTF-8, the set-up every form test
// program starts with, typing Japanese without QTest::keyClicks (which aborts outside
// Latin-1), clicking inside a list's viewport or on a radio button's circle, finding
// controls by their decimal id, signature records, running the event loop until a
// condition holds, counting paints and reading back rendered pixels.
#pragma once

#include <QImage>
#include <QObject>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "db/InvalFileInfo.h"

class QAbstractItemView;
class QTreeView;
class QApplication;
class QLineEdit;
class QRadioButton;
class QtMessagePresenter;

namespace uitest {

// UTF-8 source text as the program's CP932.
std::string Cp(const char* utf8);

// The program's font and Japanese Qt texts, as the application sets them up.
void UseProgramLook();

// Once per form test program: the program's look, and message boxes shown through
// presenter that only DialogHooks may answer.
void StartFormTests(QtMessagePresenter* presenter);

// Commits text to the focused input of widget as an input method would.
void TypeText(QWidget* widget, const QString& text);

// Replaces the whole text of edit by typing text into it.
void Retype(QLineEdit* edit, const QString& text);

void ClickInView(QAbstractItemView* view, const QPoint& viewportPos, Qt::MouseButton button = Qt::LeftButton);

// On the button's circle: the blank right of its text takes no clicks.
void ClickRadio(QRadioButton* button);

// The child with objectName id (a control or form id), or null.
template <class T = QWidget>
T* FindById(QObject* parent, int id) {
  return parent->findChild<T*>(QString::number(id));
}

// A signature record with one fixed search text; the texts are CP932.
std::shared_ptr<InvalFileInfo> Record(const std::string& name, const std::string& category,
                                      const std::string& risk = std::string(),
                                      const OleDate& created = OleDate{},
                                      const std::string& author = std::string(),
                                      const std::string& summary = std::string());

// Whether every column of view is in sight without scrolling sideways, also once the
// vertical scroll bar takes its room when withScrollBar is set.
bool AllColumnsInSight(QTreeView* view, bool withScrollBar = false);

// Runs a real event loop (one that blocks when it has nothing to do, as the program's
// does, so idle work runs) until done says so or the time is up; done's last answer.
bool RunEventLoopUntil(const std::function<bool()>& done, int timeoutMs = 5000);

// Counts the paint events of the widgets it is installed on.
class PaintCounter : public QObject {
 public:
  int count = 0;
  bool eventFilter(QObject*, QEvent* event) override;
};

// The widget rendered offscreen.
QImage Render(QWidget* widget);

}  // namespace uitest
