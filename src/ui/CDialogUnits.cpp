#include "ui/CDialogUnits.h"

#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QWidget>
#include <cmath>

#include "ui/CListCtrEx.h"
#include "ui/QtText.h"

CDialogUnits::CDialogUnits(const QFont& font) {
  const QFontMetrics metrics(font);
  // The average over the Latin letters, as the dialog manager takes it: a CJK font's own
  // average width would count its full-width characters.
  static const QString kLetters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  baseX_ = std::max(1, static_cast<int>(std::lround(metrics.horizontalAdvance(kLetters) / 52.0)));
  baseY_ = std::max(1, metrics.height());
}

// Rounded to the nearest pixel, as the dialog manager maps its rectangles.
int CDialogUnits::X(int units) const { return static_cast<int>(std::lround(units * baseX_ / 4.0)); }
int CDialogUnits::Y(int units) const { return static_cast<int>(std::lround(units * baseY_ / 8.0)); }

QRect CDialogUnits::Rect(int x, int y, int width, int height) const {
  const int left = X(x);
  const int top = Y(y);
  return QRect(left, top, X(x + width) - left, Y(y + height) - top);
}

void CDialogUnits::Place(QWidget* widget, int id, int x, int y, int width, int height) const {
  if (id != 0) widget->setObjectName(QString::number(id));
  widget->setGeometry(Rect(x, y, width, height));
}

QPushButton* CDialogUnits::Button(QWidget* form, int id, const QString& text, int x, int y, int width) const {
  auto* button = new QPushButton(text, form);
  button->setAutoDefault(true);
  Place(button, id, x, y, width, 14);
  return button;
}

CListCtrEx* CDialogUnits::List(QWidget* form, int id, int x, int y, int width, int height, bool checkBoxes) const {
  auto* list = new CListCtrEx(form);
  Place(list, id, x, y, width, height);
  list->Setup(checkBoxes);
  const CImageList rows = CImageList::RowImages();
  const CImageList boxes = checkBoxes ? CImageList::CheckBoxes() : CImageList();
  list->SetImageLists(&rows, nullptr, checkBoxes ? &boxes : nullptr);
  return list;
}

void CDialogUnits::Guide(QWidget* form, int id, const char* text, int y, int height, int textY,
                         int textHeight) const {
  Place(new QGroupBox(Utf8("ｶﾞｲﾄﾞ"), form), 0, 7, y, 305, height);
  auto* label = new QLabel(Utf8(text), form);
  label->setWordWrap(true);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Place(label, id, 14, textY, 291, textHeight);
}

void CDialogUnits::InertCancel(QWidget* form) const {
  QPushButton* cancel = Button(form, 2, Utf8("ｷｬﾝｾﾙ"), 208, 236, 50);
  cancel->setEnabled(false);
  cancel->hide();
}
