#include "ui/CListCtrEx.h"

#include <QHeaderView>
#include <algorithm>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "ui/CListCtrExModel.h"
#include "ui/CListRowPainter.h"
#include "ui/QtText.h"

namespace {
constexpr int kHeaderExtra = 15;
constexpr int kMinimumRowHeight = 18;
}  // namespace

CListCtrEx::CListCtrEx(QWidget* parent) : QTreeView(parent), model_(new CListCtrExModel(this)) {
  setModel(model_);
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
  header()->setStretchLastSection(false);
  header()->setSectionsMovable(false);
  header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  // The highlight reaches past the last column, so any selection change repaints the rows.
  connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
    RepaintAll();
    emit SelectionChanged();
  });
  connect(selectionModel(), &QItemSelectionModel::currentChanged, this, [this] { RepaintAll(); });
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
  const int count = ColumnCount();
  if (column < 0 || column > count) return false;
  const QString title = ToQt(text);
  std::vector<int> widths;
  for (int c = 0; c < count; ++c) widths.push_back(columnWidth(c));
  widths.insert(widths.begin() + column, fontMetrics().horizontalAdvance(title) + kHeaderExtra);
  aligns_.insert(aligns_.begin() + column, align);
  model_->InsertColumn(column, title);
  for (int c = 0; c <= count; ++c) setColumnWidth(c, widths[c]);
  return true;
}

CListCtrEx::Align CListCtrEx::ColumnAlign(int column) const {
  if (column < 0 || column >= static_cast<int>(aligns_.size())) return Align::Left;
  return aligns_[column];
}

bool CListCtrEx::SetItem(int row, int column, const std::string& text, int image, int check, std::any userData) {
  if (row < 0 || column < 0 || column >= std::max(1, ColumnCount())) return false;
  if (column != 0) return SetItemText(row, column, text);
  CListCtrExModel::Row record;
  // The further cells usually follow at once.
  record.cells.reserve(static_cast<size_t>(std::max(1, ColumnCount())));
  record.cells.push_back(text);
  record.image = image;
  // A new row's box is part of the row, not a change the owner has to hear about.
  if (check != -1) record.check = check != 0 ? 1 : 0;
  record.userData = std::move(userData);
  model_->Insert(std::min(row, ItemCount()), std::move(record));
  return true;
}

int CListCtrEx::AppendRow(std::vector<std::string> texts, int image, std::any userData) {
  CListCtrExModel::Row record;
  texts.resize(std::min(texts.size(), static_cast<size_t>(std::max(1, ColumnCount()))));
  record.cells = std::move(texts);
  record.image = image;
  record.userData = std::move(userData);
  const int row = ItemCount();
  model_->Insert(row, std::move(record));
  return row;
}

int CListCtrEx::ItemCount() const { return model_->RowCount(); }

int CListCtrEx::ColumnCount() const { return model_->ColumnCount(); }

void CListCtrEx::MeasureRowHeight() {
  rowHeight_ = std::max(fontMetrics().height() + 4, kMinimumRowHeight);
  model_->SetRowHeight(rowHeight_);
}

bool CListCtrEx::SetItemText(int row, int column, const std::string& text) {
  CListCtrExModel::Row* record = model_->At(row);
  if (record == nullptr || column < 0 || column >= std::max(1, ColumnCount())) return false;
  if (static_cast<int>(record->cells.size()) <= column) record->cells.resize(static_cast<size_t>(column) + 1);
  record->cells[static_cast<size_t>(column)] = text;
  model_->CellChanged(row, column);
  return true;
}

std::string CListCtrEx::ItemText(int row, int column) const { return model_->Text(row, column); }

QString CListCtrEx::DisplayText(int row, int column) const { return PathToQt(model_->Text(row, column)); }

bool CListCtrEx::DeleteItem(int row) {
  if (model_->At(row) == nullptr) return false;
  const bool wasSelected = IsRowSelected(row);
  model_->Remove(row);
  if (wasSelected) emit SelectionChanged();
  return true;
}

std::vector<CListCtrEx::Row> CListCtrEx::TakeRows() {
  const bool hadSelection = selectionModel()->hasSelection();
  std::vector<Row> rows = model_->TakeAll();
  if (hadSelection) emit SelectionChanged();
  return rows;
}

void CListCtrEx::AppendRows(std::vector<Row> rows) {
  const size_t columns = static_cast<size_t>(std::max(1, ColumnCount()));
  for (Row& row : rows) {
    if (row.cells.size() > columns) row.cells.resize(columns);
  }
  model_->Append(std::move(rows));
}

void CListCtrEx::DeleteAllItems() {
  const bool hadSelection = selectionModel()->hasSelection();
  model_->Clear();
  if (hadSelection) emit SelectionChanged();
}

int CListCtrEx::Image(int row) const {
  const CListCtrExModel::Row* record = model_->At(row);
  return record == nullptr ? -1 : record->image;
}

int CListCtrEx::Check(int row) const {
  const CListCtrExModel::Row* record = model_->At(row);
  return record == nullptr ? -1 : record->check;
}

bool CListCtrEx::SetCheck(int row, int check) {
  CListCtrExModel::Row* record = model_->At(row);
  if (record == nullptr) return false;
  const int before = record->check;
  record->check = check < 0 ? -1 : check != 0 ? 1 : 0;
  const int after = record->check;
  model_->CellChanged(row, 0);
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
  CListCtrExModel::Row* record = model_->At(row);
  return record == nullptr ? nullptr : &record->userData;
}

void CListCtrEx::SuspendRedraw(bool on) {
  redrawSuspended_ = on;
  setUpdatesEnabled(!on);
  model_->HoldAnnouncements(on);
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
  const QModelIndex index = RowIndex(row);
  if (!index.isValid()) return false;
  const bool autoScroll = hasAutoScroll();
  setAutoScroll(false);
  selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  setAutoScroll(autoScroll);
  return true;
}

bool CListCtrEx::EnsureVisible(int row) {
  const QModelIndex index = RowIndex(row);
  if (!index.isValid()) return false;
  scrollTo(index);
  return true;
}

int CListCtrEx::RowAt(const QPoint& viewportPos) const {
  const QModelIndex index = indexAt(viewportPos);
  return index.isValid() ? index.row() : -1;
}

bool CListCtrEx::IsRowSelected(int row) const {
  if (row < 0 || row >= model_->rowCount()) return false;
  return selectionModel()->isSelected(model_->index(row, 0));
}

QModelIndex CListCtrEx::RowIndex(int row) const {
  if (row < 0 || row >= ItemCount()) return QModelIndex();
  model_->Announce();
  return model_->index(row, 0);
}

QRect CListCtrEx::RowBounds(int row) const {
  const QModelIndex index = RowIndex(row);
  return index.isValid() ? visualRect(index) : QRect();
}

QModelIndex CListCtrEx::indexAt(const QPoint& point) const {
  const QModelIndex index = QTreeView::indexAt(point);
  if (index.isValid() || ColumnCount() == 0 || point.x() < header()->length() - header()->offset()) return index;
  const QModelIndex last = QTreeView::indexAt(QPoint(header()->sectionViewportPosition(ColumnCount() - 1), point.y()));
  return last.isValid() ? last.sibling(last.row(), 0) : last;
}

QRect CListCtrEx::RowRect(int row) const {
  const QRect bounds = RowBounds(row);
  if (!bounds.isValid()) return QRect();
  return CListRowPainter(*this).Layout(row, bounds).frame;
}

QRect CListCtrEx::CheckRect(int row) const {
  const QRect bounds = RowBounds(row);
  if (!bounds.isValid()) return QRect();
  return CListRowPainter(*this).Layout(row, bounds).checkArea;
}

QString CListCtrEx::ShownText(int row, int column) const {
  const QRect bounds = RowBounds(row);
  if (!bounds.isValid()) return QString();
  const CListRowPainter painter(*this);
  return painter.ShownText(painter.Layout(row, bounds), row, column);
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
  QTreeView::mousePressEvent(event);
  emit RowClicked(row, event->button());
}

void CListCtrEx::mouseDoubleClickEvent(QMouseEvent* event) {
  int row = -1;
  if (ToggleOnCheckClick(event, &row)) return;
  QTreeView::mouseDoubleClickEvent(event);
}

void CListCtrEx::keyPressEvent(QKeyEvent* event) {
  emit KeyPressed(event->key(), event->modifiers());
  const int row = FocusedRow();
  if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier && checkToggle_ && Check(row) >= 0) {
    ToggleCheck(row);
    event->accept();
    return;
  }
  QTreeView::keyPressEvent(event);
}

void CListCtrEx::focusInEvent(QFocusEvent* event) {
  QTreeView::focusInEvent(event);
  RepaintAll();
}

void CListCtrEx::focusOutEvent(QFocusEvent* event) {
  QTreeView::focusOutEvent(event);
  RepaintAll();
}

void CListCtrEx::changeEvent(QEvent* event) {
  QTreeView::changeEvent(event);
  if (event->type() == QEvent::FontChange) MeasureRowHeight();
}

bool CListCtrEx::InCheckArea(int row, const QPoint& viewportPos) const {
  if (row < 0) return false;
  return CheckRect(row).contains(viewportPos);
}

void CListCtrEx::RepaintAll() {
  if (!redrawSuspended_) viewport()->update();
}
