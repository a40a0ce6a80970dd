// How one row of a CListCtrEx is laid out and painted: check area, picture, label and the
// further cells, the highlight from the label to the right edge of the list, the shortened
// texts and the focus frame. Kept apart from the list so the click test, the tests and the
// painting share one layout.
#pragma once

#include <QRect>
#include <QString>
#include <vector>

class CListCtrEx;
class QFontMetrics;
class QPainter;

class CListRowPainter {
 public:
  struct Geometry {
    QRect cell0;              // column 0
    QRect checkIndicator;     // where the box is drawn; empty without a check box
    QRect checkArea;          // a click here toggles: from the row's left edge to the picture
    QRect icon;               // empty without row pictures
    QRect label;              // column 0 right of the picture
    QRect frame;              // highlighted part: from the label to the right edge
    std::vector<QRect> cells;  // every column by index; cells[0] is the label
  };

  explicit CListRowPainter(const CListCtrEx& list) : list_(list) {}

  // rowRect: the row's vertical extent in viewport coordinates (x is ignored).
  Geometry Layout(int row, const QRect& rowRect) const;
  QString ShownText(const Geometry& geometry, int row, int column) const;
  void Paint(QPainter& painter, int row, const QRect& rowRect) const;

 private:
  // The cell's display text, or when it is too wide for width, its CP932 text cut to whole
  // characters; *shortened says which.
  QString FitText(int row, int column, int width, const QFontMetrics& metrics, bool* shortened) const;

  const CListCtrEx& list_;
};
