#include "ui/CImageList.h"

#include "ui/IconPainting.h"

namespace {

QPixmap Paint(const std::function<void(QPainter&)>& draw) {
  return PaintPixmap(CImageList::kImageSize, draw);
}

const QColor kFolderFill(0xF2, 0xC9, 0x4C);
const QColor kFolderLine(0x9C, 0x6E, 0x12);

void FolderClosed(QPainter& p) {
  p.setPen(QPen(kFolderLine, 1));
  p.setBrush(kFolderFill.darker(110));
  p.drawRoundedRect(QRectF(1.5, 2.5, 6, 3), 1, 1);  // the tab
  p.setBrush(kFolderFill);
  p.drawRect(QRectF(1.5, 4.5, 13, 9));
}

void FolderOpen(QPainter& p) {
  p.setPen(QPen(kFolderLine, 1));
  p.setBrush(kFolderFill.darker(115));
  p.drawRect(QRectF(1.5, 3.5, 12, 10));  // the back
  QPainterPath front;
  front.moveTo(1.5, 13.5);
  front.lineTo(4.5, 7.5);
  front.lineTo(15.0, 7.5);
  front.lineTo(12.0, 13.5);
  front.closeSubpath();
  p.setBrush(kFolderFill.lighter(115));
  p.drawPath(front);
}

// A round mark with a small arrow head in each corner pointing outwards.
void Mark(QPainter& p, const QColor& fill) {
  p.setPen(QPen(fill.darker(150), 1));
  p.setBrush(fill);
  p.drawEllipse(QRectF(3.5, 3.5, 9, 9));
  p.setPen(Qt::NoPen);
  p.setBrush(fill.darker(140));
  for (int corner = 0; corner < 4; ++corner) {
    const qreal sx = (corner & 1) ? 1 : -1;
    const qreal sy = (corner & 2) ? 1 : -1;
    const QPointF tip(8 + sx * 7.5, 8 + sy * 7.5);
    const QPointF arrow[3] = {tip, QPointF(tip.x() - sx * 4, tip.y()), QPointF(tip.x(), tip.y() - sy * 4)};
    p.drawPolygon(arrow, 3);
  }
}

void Page(QPainter& p) {
  p.setPen(QPen(QColor(0x60, 0x60, 0x60), 1));
  p.setBrush(Qt::white);
  p.drawPath(FoldedPage(QRectF(QPointF(3.5, 1.5), QPointF(13.5, 14.5)), 3));
  p.drawLine(QPointF(10.5, 1.5), QPointF(10.5, 4.5));
  p.drawLine(QPointF(10.5, 4.5), QPointF(13.5, 4.5));
  p.setPen(QPen(QColor(0x50, 0x70, 0xB0), 1));
  for (qreal y = 6.5; y < 14; y += 2) p.drawLine(QPointF(5, y), QPointF(12, y));
}

void Swatch(QPainter& p, const QColor& colour) {
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setPen(QColor(0x40, 0x40, 0x40));
  p.setBrush(colour);
  p.drawRect(2, 2, 11, 11);
}

void CheckBox(QPainter& p, bool checked) {
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setPen(QColor(0x50, 0x50, 0x50));
  p.setBrush(Qt::white);
  p.drawRect(2, 2, 12, 12);
  if (!checked) return;
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setPen(QPen(QColor(0x10, 0x10, 0x10), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  const QPointF tick[3] = {QPointF(4.5, 8.0), QPointF(7.0, 10.5), QPointF(11.5, 5.0)};
  p.drawPolyline(tick, 3);
}

}  // namespace

CImageList CImageList::RowImages() {
  static const QColor kSwatches[kSwatchCount] = {
      QColor(0xD0, 0x30, 0x30), QColor(0xF0, 0x90, 0x20), QColor(0xF0, 0xD0, 0x20), QColor(0x40, 0xA0, 0x40),
      QColor(0x30, 0x90, 0xC0), QColor(0x30, 0x50, 0xC0), QColor(0x80, 0x40, 0xB0), QColor(0xE0, 0x70, 0xA0),
      QColor(0x90, 0x90, 0x90), QColor(0x20, 0x20, 0x20)};
  CImageList list;
  list.Add(Paint(FolderClosed));
  list.Add(Paint(FolderOpen));
  list.Add(Paint([](QPainter& p) { Mark(p, QColor(0xD8, 0x28, 0x28)); }));
  list.Add(Paint(Page));
  list.Add(Paint([](QPainter& p) { Mark(p, QColor(0xF0, 0xC8, 0x20)); }));
  for (const QColor& colour : kSwatches) list.Add(Paint([&](QPainter& p) { Swatch(p, colour); }));
  return list;
}

CImageList CImageList::CheckBoxes() {
  CImageList list;
  list.Add(Paint([](QPainter& p) { CheckBox(p, false); }));
  list.Add(Paint([](QPainter& p) { CheckBox(p, true); }));
  return list;
}

QPixmap CImageList::Image(int index) const {
  if (index < 0 || index >= images_.size()) return QPixmap();
  return images_.at(index);
}
