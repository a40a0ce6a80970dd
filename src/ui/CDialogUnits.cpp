#include "ui/CDialogUnits.h"

#include <QFontMetrics>
#include <QWidget>
#include <cmath>

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
