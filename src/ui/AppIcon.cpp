#include "ui/AppIcon.h"

#include "ui/IconPainting.h"

QPixmap AppIconPixmap(int size) {
  return PaintPixmap(size, [size](QPainter& p) {
    p.scale(size / 32.0, size / 32.0);

    // The page.
    p.setPen(QPen(QColor(0x55, 0x55, 0x55), 1.2));
    p.setBrush(Qt::white);
    p.drawPath(FoldedPage(QRectF(QPointF(5, 2), QPointF(25, 29)), 6));
    p.setPen(QPen(QColor(0x7A, 0x9A, 0xD0), 1.4));
    for (int y = 10; y <= 24; y += 4) p.drawLine(QPointF(8, y), QPointF(21, y));

    // The red mark the search found.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xD8, 0x28, 0x28));
    p.drawEllipse(QPointF(15, 16), 4.5, 4.5);

    // The magnifying glass over it.
    p.setPen(QPen(QColor(0x30, 0x30, 0x30), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(21, 22), QPointF(29, 30));
    p.setPen(QPen(QColor(0x20, 0x40, 0x80), 2.2));
    p.setBrush(QColor(0xC8, 0xE0, 0xFF, 90));
    p.drawEllipse(QPointF(15, 16), 8, 8);
  });
}

QIcon AppIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64}) icon.addPixmap(AppIconPixmap(size));
  return icon;
}
