#include "ui/CListCtrExModel.h"

#include <QSize>

#include "ui/QtText.h"

CListCtrExModel::~CListCtrExModel() {
  // The rows' records go last row first, as the forms free them.
  while (!rows_.empty()) rows_.pop_back();
}

int CListCtrExModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : announced_; }

int CListCtrExModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount(); }

QVariant CListCtrExModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= announced_) return QVariant();
  switch (role) {
    case Qt::DisplayRole:
      // Converted when asked (typing a name to find a row, accessibility): the list paints
      // its rows itself and keeps no converted copy of 100,000 texts.
      return PathToQt(Text(index.row(), index.column()));
    case Qt::SizeHintRole:
      return QSize(0, rowHeight_);
    default:
      return QVariant();
  }
}

QVariant CListCtrExModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount()) {
    return QVariant();
  }
  return titles_[section];
}

Qt::ItemFlags CListCtrExModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
}

void CListCtrExModel::InsertColumn(int column, const QString& title) {
  Announce();
  beginInsertColumns(QModelIndex(), column, column);
  titles_.insert(titles_.begin() + column, title);
  for (Row& row : rows_) {
    if (static_cast<int>(row.cells.size()) > column) row.cells.insert(row.cells.begin() + column, std::string());
  }
  endInsertColumns();
}

const CListCtrExModel::Row* CListCtrExModel::At(int row) const {
  return row >= 0 && row < RowCount() ? &rows_[static_cast<size_t>(row)] : nullptr;
}

CListCtrExModel::Row* CListCtrExModel::At(int row) {
  return row >= 0 && row < RowCount() ? &rows_[static_cast<size_t>(row)] : nullptr;
}

const std::string& CListCtrExModel::Text(int row, int column) const {
  static const std::string kEmpty;
  const Row* record = At(row);
  if (record == nullptr || column < 0 || column >= static_cast<int>(record->cells.size())) return kEmpty;
  return record->cells[static_cast<size_t>(column)];
}

void CListCtrExModel::Insert(int row, Row&& record) {
  if (row == RowCount() && hold_) {
    rows_.push_back(std::move(record));
    return;
  }
  Announce();
  beginInsertRows(QModelIndex(), row, row);
  rows_.insert(rows_.begin() + row, std::move(record));
  ++announced_;
  endInsertRows();
}

void CListCtrExModel::Remove(int row) {
  Announce();
  beginRemoveRows(QModelIndex(), row, row);
  rows_.erase(rows_.begin() + row);
  --announced_;
  endRemoveRows();
}

void CListCtrExModel::Clear() {
  beginResetModel();
  while (!rows_.empty()) rows_.pop_back();
  announced_ = 0;
  endResetModel();
}

std::vector<CListCtrExModel::Row> CListCtrExModel::TakeAll() {
  beginResetModel();
  std::vector<Row> rows;
  rows.swap(rows_);
  announced_ = 0;
  endResetModel();
  return rows;
}

void CListCtrExModel::Append(std::vector<Row>&& rows) {
  if (rows_.empty()) {
    rows_ = std::move(rows);
  } else {
    rows_.reserve(rows_.size() + rows.size());
    for (Row& row : rows) rows_.push_back(std::move(row));
  }
  if (!hold_) Announce();
}

void CListCtrExModel::CellChanged(int row, int column) {
  // A changed cell would make the view lay out every row again before it knows where to
  // repaint; while announcements are held the whole list is repainted afterwards anyway.
  if (hold_ || row >= announced_) return;
  const QModelIndex cell = index(row, column);
  emit dataChanged(cell, cell);
}

void CListCtrExModel::HoldAnnouncements(bool hold) {
  hold_ = hold;
  if (!hold) Announce();
}

void CListCtrExModel::Announce() {
  if (announced_ >= RowCount()) return;
  beginInsertRows(QModelIndex(), announced_, RowCount() - 1);
  announced_ = RowCount();
  endInsertRows();
}
