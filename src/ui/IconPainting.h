// What the program's icon and the list images share when they are painted in code: a
// transparent, antialiased square to paint on, and the outline of a page with its top
// right corner folded.
#pragma once

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QRectF>
#include <functional>

// A size x size pixmap, transparent, with draw's antialiased painting on it.
QPixmap PaintPixmap(int size, const std::function<void(QPainter&)>& draw);

// A page filling sheet whose top right corner is cut off fold across and fold down.
QPainterPath FoldedPage(const QRectF& sheet, qreal fold);
