#include "ui/CListCtrEx.h"

#include <QHeaderView>
#include <algorithm>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "ui/CListRowPainter.h"
#include "ui/QtText.h"

namespace {
// The cell's CP932 bytes, kept beside the display text so that ItemText gives back exactly
// what was stored (a file name need not survive a round trip through UTF-8).
constexpr int kCp932Role = Qt::UserRole + 1;
constexpr int kImageRole = Qt::UserRole + 2;
constexpr int kHeaderExtra = 15;
constexpr int kMinimumRowHeight = 18;
}  // namespace

// The per-row record: the caller's data lives and dies with its row.
class CListCtrEx::Row : public QTreeWidgetItem {
 public:
  static constexpr int kType = QTreeWidgetItem::UserType + 1;
  explicit Row(std::any data) : QTreeWidgetItem(kType), userData(std::move(data)) {
    setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    setData(0, kImageRole, -1);
  }
  // Every cell asks for the list's row height: the view measures a row by the columns in
  // sight, so a row measured while column 0 is scrolled away must not come out smaller.
  QVariant data(int column, int role) const override {
    if (role == Qt::SizeHintRole) {
      if (const auto* list = static_cast<const CListCtrEx*>(treeWidget())) return QSize(0, list->rowHeight_);
    }
    return QTreeWidgetItem::data(column, role);
  }
  std::any userData;
};

CListCtrEx::CListCtrEx(QWidget* parent) : QTreeWidget(parent) {
  setRootIsDecorated(false);
  setIndentation(0);
  setItemsExpandable(false);
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setTextElideMode(Qt::ElideNone);
  setIconSize(QSize(CImageList::kImageSize, CImageList::kImageSize));
  setColumnCount(0);
  header()->setStretchLastSection(false);
  header()->setSectionsMovable(false);
  header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  // The highlight reaches past the last column, so any selection change repaints the rows.
  connect(this, &QTreeWidget::itemSelectionChanged, this, [this] {
    RepaintAll();
    emit SelectionChanged();
  });
  connect(this, &QTreeWidget::currentItemChanged, this, [this] { RepaintAll(); });
  MeasureRowHeight();
}

CListCtrEx::~CListCtrEx() = default;

bool CListCtrEx::Setup(bool checkToggle) {
  checkToggle_ = checkToggle;
  RepaintAll();
  return true;
}

void CListCtrEx::SetImageLists(const CImageList* small, const CImageList* normal, const CImageList* state) {
  if (small != nullptr) smallImages_ = *small;
  if (normal != nullptr) normalImages_ = *normal;
  if (state != nullptr) stateImages_ = *state;
  RepaintAll();
}

std::string CListCtrEx::WideColumnTitle(const QString& name) {
  const QString ideographic(2, QChar(0x3000));
  return FromQt(name + QStringLiteral("   ") + ideographic + QString(112, QLatin1Char(' ')) + ideographic);
}

bool CListCtrEx::InsertColumn(const std::string& text, int column, Align align) {
  const int count = columnCount();
  if (column < 0 || column > count) return false;
  const QString title = ToQt(text);
  std::vector<QString> titles;
  std::vector<int> widths;
  for (int c = 0; c < count; ++c) {
    titles.push_back(headerItem()->text(c));
    widths.push_back(columnWidth(c));
  }
  titles.insert(titles.begin() + column, title);
  widths.insert(widths.begin() + column, fontMetrics().horizontalAdvance(title) + kHeaderExtra);
  aligns_.insert(aligns_.begin() + column, align);
  setColumnCount(count + 1);
  for (int r = 0; r < topLevelItemCount(); ++r) {
    QTreeWidgetItem* item = topLevelItem(r);
    for (int c = count; c > column; --c) {
      item->setText(c, item->text(c - 1));
      item->setData(c, kCp932Role, item->data(c - 1, kCp932Role));
    }
    if (column < count) {
      item->setText(column, QString());
      item->setData(column, kCp932Role, QVariant());
    }
  }
  for (int c = 0; c <= count; ++c) {
    headerItem()->setText(c, titles[c]);
    setColumnWidth(c, widths[c]);
  }
  return true;
}

CListCtrEx::Align CListCtrEx::ColumnAlign(int column) const {
  if (column < 0 || column >= static_cast<int>(aligns_.size())) return Align::Left;
  return aligns_[column];
}

bool CListCtrEx::SetItem(int row, int column, const std::string& text, int image, int check, std::any userData) {
  if (row < 0 || column < 0 || column >= std::max(1, columnCount())) return false;
  if (column != 0) {
    if (RowItem(row) == nullptr) return false;
    return SetItemText(row, column, text);
  }
  row = std::min(row, topLevelItemCount());
  Row* item = NewRow(std::move(userData));
  FillCell(item, 0, text);
  if (image != -1) item->setData(0, kImageRole, image);
  // A new row's box is part of the row, not a change the owner has to hear about.
  if (check != -1) item->setCheckState(0, check != 0 ? Qt::Checked : Qt::Unchecked);
  insertTopLevelItem(row, item);
  return true;
}

int CListCtrEx::AppendRow(const std::vector<std::string>& texts, int image, std::any userData) {
  Row* item = NewRow(std::move(userData));
  const size_t columns = std::min(texts.size(), static_cast<size_t>(std::max(1, columnCount())));
  for (size_t c = 0; c < columns; ++c) FillCell(item, static_cast<int>(c), texts[c]);
  if (image != -1) item->setData(0, kImageRole, image);
  addTopLevelItem(item);
  return topLevelItemCount() - 1;
}

CListCtrEx::Row* CListCtrEx::NewRow(std::any userData) const {
  return new Row(std::move(userData));
}

void CListCtrEx::MeasureRowHeight() { rowHeight_ = std::max(fontMetrics().height() + 4, kMinimumRowHeight); }

void CListCtrEx::FillCell(Row* item, int column, const std::string& text) {
  item->setData(column, kCp932Role, QByteArray::fromStdString(text));
  item->setText(column, PathToQt(text));
}

bool CListCtrEx::SetItemText(int row, int column, const std::string& text) {
  Row* item = RowItem(row);
  if (item == nullptr || column < 0 || column >= std::max(1, columnCount())) return false;
  FillCell(item, column, text);
  return true;
}

std::string CListCtrEx::ItemText(int row, int column) const {
  const Row* item = RowItem(row);
  if (item == nullptr) return std::string();
  return item->data(column, kCp932Role).toByteArray().toStdString();
}

bool CListCtrEx::DeleteItem(int row) {
  Row* item = RowItem(row);
  if (item == nullptr) return false;
  const bool wasSelected = item->isSelected();
  delete item;
  if (wasSelected) emit SelectionChanged();
  return true;
}

void CListCtrEx::DeleteAllItems() {
  const bool hadSelection = !selectedItems().isEmpty();
  clear();
  if (hadSelection) emit SelectionChanged();
}

int CListCtrEx::Image(int row) const {
  const Row* item = RowItem(row);
  return item == nullptr ? -1 : item->data(0, kImageRole).toInt();
}

int CListCtrEx::Check(int row) const {
  const Row* item = RowItem(row);
  if (item == nullptr) return -1;
  const QVariant state = item->data(0, Qt::CheckStateRole);
  if (!state.isValid()) return -1;
  return state.toInt() == Qt::Checked ? 1 : 0;
}

bool CListCtrEx::SetCheck(int row, int check) {
  Row* item = RowItem(row);
  if (item == nullptr) return false;
  const int before = Check(row);
  if (check < 0) item->setData(0, Qt::CheckStateRole, QVariant());
  else item->setCheckState(0, check != 0 ? Qt::Checked : Qt::Unchecked);
  const int after = Check(row);
  if (after != before) emit CheckChanged(row, after);
  return true;
}

void CListCtrEx::ToggleCheck(int row) {
  if (!checkToggle_) return;
  const int check = Check(row);
  if (check < 0) return;
  SetCheck(row, check == 1 ? 0 : 1);
}

std::any* CListCtrEx::UserDataAny(int row) const {
  Row* item = RowItem(row);
  return item == nullptr ? nullptr : &item->userData;
}

void CListCtrEx::SuspendRedraw(bool on) {
  redrawSuspended_ = on;
  setUpdatesEnabled(!on);
  if (!on) RepaintAll();
}

void CListCtrEx::DeselectAll() {
  clearSelection();
  selectionModel()->clearCurrentIndex();
}

int CListCtrEx::SelectedRow() const {
  const std::vector<int> rows = SelectedRows();
  return rows.empty() ? -1 : rows.front();
}

std::vector<int> CListCtrEx::SelectedRows() const {
  std::vector<int> rows;
  for (const QModelIndex& index : selectionModel()->selectedRows()) rows.push_back(index.row());
  std::sort(rows.begin(), rows.end());
  return rows;
}

int CListCtrEx::FocusedRow() const {
  const QModelIndex current = currentIndex();
  return current.isValid() ? current.row() : -1;
}

bool CListCtrEx::SelectRow(int row) {
  Row* item = RowItem(row);
  if (item == nullptr) return false;
  const bool autoScroll = hasAutoScroll();
  setAutoScroll(false);
  selectionModel()->setCurrentIndex(indexFromItem(item), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  setAutoScroll(autoScroll);
  return true;
}

bool CListCtrEx::EnsureVisible(int row) {
  Row* item = RowItem(row);
  if (item == nullptr) return false;
  scrollToItem(item);
  return true;
}

int CListCtrEx::RowAt(const QPoint& viewportPos) const {
  const QModelIndex index = indexAt(viewportPos);
  return index.isValid() ? index.row() : -1;
}

QModelIndex CListCtrEx::indexAt(const QPoint& point) const {
  const QModelIndex index = QTreeWidget::indexAt(point);
  if (index.isValid() || columnCount() == 0 || point.x() < header()->length() - header()->offset()) return index;
  const QModelIndex last = QTreeWidget::indexAt(QPoint(header()->sectionViewportPosition(columnCount() - 1), point.y()));
  return last.isValid() ? last.sibling(last.row(), 0) : last;
}

QRect CListCtrEx::RowRect(int row) const {
  Row* item = RowItem(row);
  if (item == nullptr) return QRect();
  const QRect r = visualItemRect(item);
  return CListRowPainter(*this).Layout(row, r).frame;
}

QRect CListCtrEx::CheckRect(int row) const {
  Row* item = RowItem(row);
  if (item == nullptr) return QRect();
  return CListRowPainter(*this).Layout(row, visualItemRect(item)).checkArea;
}

QString CListCtrEx::ShownText(int row, int column) const {
  Row* item = RowItem(row);
  if (item == nullptr) return QString();
  const CListRowPainter painter(*this);
  return painter.ShownText(painter.Layout(row, visualItemRect(item)), row, column);
}

void CListCtrEx::drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  QRect rowRect = option.rect;
  rowRect.setHeight(std::max(rowRect.height(), 1));
  CListRowPainter(*this).Paint(*painter, index.row(), rowRect);
}

bool CListCtrEx::ToggleOnCheckClick(QMouseEvent* event, int* row) {
  const QPoint pos = event->position().toPoint();
  *row = RowAt(pos);
  if (event->button() != Qt::LeftButton || !InCheckArea(*row, pos)) return false;
  // The box toggles and the selection stays where it was. The second click of a quick
  // pair toggles again, as two single clicks would.
  ToggleCheck(*row);
  event->accept();
  return true;
}

void CListCtrEx::mousePressEvent(QMouseEvent* event) {
  int row = -1;
  if (ToggleOnCheckClick(event, &row)) return;
  QTreeWidget::mousePressEvent(event);
  emit RowClicked(row, event->button());
}

void CListCtrEx::mouseDoubleClickEvent(QMouseEvent* event) {
  int row = -1;
  if (ToggleOnCheckClick(event, &row)) return;
  QTreeWidget::mouseDoubleClickEvent(event);
}

void CListCtrEx::keyPressEvent(QKeyEvent* event) {
  emit KeyPressed(event->key(), event->modifiers());
  const int row = FocusedRow();
  if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier && checkToggle_ && Check(row) >= 0) {
    ToggleCheck(row);
    event->accept();
    return;
  }
  QTreeWidget::keyPressEvent(event);
}

void CListCtrEx::focusInEvent(QFocusEvent* event) {
  QTreeWidget::focusInEvent(event);
  RepaintAll();
}

void CListCtrEx::focusOutEvent(QFocusEvent* event) {
  QTreeWidget::focusOutEvent(event);
  RepaintAll();
}

void CListCtrEx::changeEvent(QEvent* event) {
  QTreeWidget::changeEvent(event);
  if (event->type() == QEvent::FontChange) MeasureRowHeight();
}

CListCtrEx::Row* CListCtrEx::RowItem(int row) const {
  if (row < 0 || row >= topLevelItemCount()) return nullptr;
  QTreeWidgetItem* item = topLevelItem(row);
  return item->type() == Row::kType ? static_cast<Row*>(item) : nullptr;
}

bool CListCtrEx::InCheckArea(int row, const QPoint& viewportPos) const {
  if (row < 0) return false;
  return CheckRect(row).contains(viewportPos);
}

void CListCtrEx::RepaintAll() {
  if (!redrawSuspended_) viewport()->update();
}
