#include "ui/CListRowPainter.h"

#include <QHeaderView>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionViewItem>

#include "ui/CListCtrEx.h"
#include "ui/QtText.h"
#include "util/ShortenText.h"

namespace {

// Padding inside the label and the further cells, on each side.
constexpr int kLabelPadding = 2;
constexpr int kCellPadding = 6;

QPixmap Blended(const QPixmap& image, const QColor& highlight) {
  QPixmap blended = image;
  QPainter p(&blended);
  p.setCompositionMode(QPainter::CompositionMode_SourceAtop);
  QColor half = highlight;
  half.setAlpha(128);
  p.fillRect(blended.rect(), half);
  return blended;
}

void DrawCentred(QPainter& painter, const QRect& area, const QPixmap& image) {
  const QSize size = image.deviceIndependentSize().toSize();
  painter.drawPixmap(area.left() + (area.width() - size.width()) / 2,
                     area.top() + (area.height() - size.height()) / 2, image);
}

}  // namespace

CListRowPainter::Geometry CListRowPainter::Layout(int row, const QRect& rowRect) const {
  Geometry g;
  const QHeaderView* header = list_.header();
  for (int c = 0; c < list_.ColumnCount(); ++c) {
    g.cells.emplace_back(header->sectionViewportPosition(c), rowRect.top(), header->sectionSize(c),
                         rowRect.height());
  }
  if (g.cells.empty()) g.cells.emplace_back(0, rowRect.top(), 0, rowRect.height());
  g.cell0 = g.cells[0];

  const bool hasCheck = list_.Check(row) >= 0;
  const bool hasIcon = !list_.SmallImages().IsEmpty();
  QStyleOptionViewItem opt;
  opt.initFrom(&list_);
  opt.rect = g.cell0;
  opt.font = list_.font();
  opt.fontMetrics = list_.fontMetrics();
  opt.decorationSize = QSize(CImageList::kImageSize, CImageList::kImageSize);
  opt.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
  if (hasCheck) opt.features |= QStyleOptionViewItem::HasCheckIndicator;
  if (hasIcon) opt.features |= QStyleOptionViewItem::HasDecoration;
  opt.features |= QStyleOptionViewItem::HasDisplay;
  QStyle* style = list_.style();

  int labelLeft = g.cell0.left();
  if (hasCheck) {
    g.checkIndicator = style->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &opt, &list_);
    labelLeft = g.checkIndicator.right() + 1;
  }
  if (hasIcon) {
    g.icon = style->subElementRect(QStyle::SE_ItemViewItemDecoration, &opt, &list_);
    labelLeft = g.icon.right() + 1;
  }
  if (hasCheck) {
    const int right = hasIcon ? g.icon.left() : labelLeft;
    g.checkArea = QRect(g.cell0.left(), rowRect.top(), right - g.cell0.left(), rowRect.height());
  }
  labelLeft = std::min(labelLeft, g.cell0.right() + 1);
  g.label = QRect(labelLeft, rowRect.top(), g.cell0.right() + 1 - labelLeft, rowRect.height());
  g.cells[0] = g.label;

  int right = g.cell0.right();
  for (const QRect& cell : g.cells) right = std::max(right, cell.right());
  right = std::max(right, list_.viewport()->width() - 1);
  g.frame = QRect(QPoint(g.label.left(), rowRect.top()), QPoint(right, rowRect.bottom()));
  return g;
}

QString CListRowPainter::ShownText(const Geometry& geometry, int row, int column) const {
  if (column < 0 || column >= static_cast<int>(geometry.cells.size())) return QString();
  bool shortened = false;
  return FitText(row, column, geometry.cells[column].width(), list_.fontMetrics(), &shortened);
}

QString CListRowPainter::FitText(int row, int column, int width, const QFontMetrics& metrics, bool* shortened) const {
  // The display text is converted from the cell's CP932 text as it is painted (only the
  // rows in sight are); a text that does not fit is cut over its CP932 characters.
  const QString full = list_.DisplayText(row, column);
  const int margin = column == 0 ? kFirstColumnMargin : kOtherColumnMargin;
  *shortened = !full.isEmpty() && metrics.horizontalAdvance(full) + margin > width;
  if (!*shortened) return full;
  const TextWidthFn measure = [&metrics](std::string_view text) {
    return metrics.horizontalAdvance(PathToQt(std::string(text)));
  };
  return PathToQt(ShortenText(list_.ItemText(row, column), width, margin, measure));
}

void CListRowPainter::Paint(QPainter& painter, int row, const QRect& rowRect) const {
  painter.save();
  const Geometry g = Layout(row, rowRect);
  const QPalette& palette = list_.palette();
  // The selection shows in the active colours even while the focus is elsewhere.
  const bool selected = list_.IsRowSelected(row);
  const QColor highlight = palette.color(QPalette::Active, QPalette::Highlight);

  painter.fillRect(QRect(QPoint(g.cell0.left(), rowRect.top()), g.frame.bottomRight()),
                   palette.color(QPalette::Active, QPalette::Base));
  if (selected) painter.fillRect(g.frame, highlight);
  painter.setPen(palette.color(QPalette::Active, selected ? QPalette::HighlightedText : QPalette::Text));
  painter.setFont(list_.font());

  const int check = list_.Check(row);
  if (check >= 0) {
    const QPixmap box = list_.StateImages().Image(check);
    if (!box.isNull()) {
      DrawCentred(painter, g.checkIndicator, box);
    } else {
      QStyleOptionViewItem opt;
      opt.initFrom(&list_);
      opt.rect = g.checkIndicator;
      opt.state |= check == 1 ? QStyle::State_On : QStyle::State_Off;
      list_.style()->drawPrimitive(QStyle::PE_IndicatorItemViewItemCheck, &opt, &painter, &list_);
    }
  }
  const QPixmap image = list_.SmallImages().Image(list_.Image(row));
  if (!image.isNull() && g.icon.width() >= 2) DrawCentred(painter, g.icon, selected ? Blended(image, highlight) : image);

  const int flags = Qt::AlignVCenter | Qt::TextSingleLine;
  const QFontMetrics metrics = list_.fontMetrics();
  for (int c = 0; c < static_cast<int>(g.cells.size()); ++c) {
    const QRect& cell = g.cells[c];
    if (cell.width() <= 0) continue;
    bool shortened = false;
    const QString shown = FitText(row, c, cell.width(), metrics, &shortened);
    Qt::Alignment align = Qt::AlignLeft;
    if (c > 0 && !shortened) {
      const CListCtrEx::Align a = list_.ColumnAlign(c);
      align = a == CListCtrEx::Align::Right ? Qt::AlignRight : a == CListCtrEx::Align::Center ? Qt::AlignHCenter : Qt::AlignLeft;
    }
    const int pad = c == 0 ? kLabelPadding : kCellPadding;
    painter.setClipRect(cell);
    painter.drawText(cell.adjusted(pad, 0, -pad, 0), flags | align, shown);
    painter.setClipping(false);
  }

  if (list_.hasFocus() && list_.currentIndex().isValid() && list_.currentIndex().row() == row) {
    QStyleOptionFocusRect focus;
    focus.initFrom(&list_);
    focus.rect = g.frame;
    focus.backgroundColor = selected ? highlight : palette.color(QPalette::Base);
    list_.style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, &list_);
  }
  painter.restore();
}
