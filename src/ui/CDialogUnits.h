// Dialog units: the forms were designed on a grid that scales with the font (a quarter of
// the average character width across, an eighth of the line height down). Forms give their
// control rectangles in these units and get pixels for the font in use, so all five forms
// keep their proportions and share one size whatever the font. It also builds the controls
// that look the same on every form: the push buttons, the lists, the guide and the unused
// cancel.
#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

class CListCtrEx;
class QPushButton;
class QString;
class QWidget;

class CDialogUnits {
 public:
  // Every form is this many dialog units wide and high.
  static constexpr int kFormWidth = 319;
  static constexpr int kFormHeight = 256;

  explicit CDialogUnits(const QFont& font);

  int X(int units) const;
  int Y(int units) const;
  QRect Rect(int x, int y, int width, int height) const;
  QSize Size(int width, int height) const { return QSize(X(width), Y(height)); }
  // The size of every form in pixels.
  QSize FormSize() const { return Size(kFormWidth, kFormHeight); }
  // Puts widget at the dialog-unit rectangle; a control id other than 0 becomes its
  // objectName (decimal), by which the program and its tests find the control.
  void Place(QWidget* widget, int id, int x, int y, int width, int height) const;

  // A push button of the one button height on form; Enter presses it while it has the
  // focus, as in a dialog.
  QPushButton* Button(QWidget* form, int id, const QString& text, int x, int y, int width) const;
  // A list on form whose rows show the row pictures; with checkBoxes they also show the
  // check-box pictures, which a click or Space toggles. The caller adds the columns.
  CListCtrEx* List(QWidget* form, int id, int x, int y, int width, int height, bool checkBoxes = false) const;
  // The guide across the foot of a form: the "ｶﾞｲﾄﾞ" frame from y down height units and,
  // inside it, the wrapped text (control id) from textY down textHeight. Made before the
  // other controls, so that they lie above the frame.
  void Guide(QWidget* form, int id, const char* text, int y, int height, int textY, int textHeight) const;
  // The form's cancel button (id 2), which exists but can never be seen or pressed.
  void InertCancel(QWidget* form) const;

 private:
  int baseX_;  // average character width in pixels
  int baseY_;  // line height in pixels
};
