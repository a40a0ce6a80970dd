#include "ui/IconPainting.h"

QPixmap PaintPixmap(int size, const std::function<void(QPainter&)>& draw) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing, true);
  draw(p);
  return pixmap;
}

QPainterPath FoldedPage(const QRectF& sheet, qreal fold) {
  QPainterPath page;
  page.moveTo(sheet.left(), sheet.top());
  page.lineTo(sheet.right() - fold, sheet.top());
  page.lineTo(sheet.right(), sheet.top() + fold);
  page.lineTo(sheet.right(), sheet.bottom());
  page.lineTo(sheet.left(), sheet.bottom());
  page.closeSubpath();
  return page;
}
