// The rows of a CListCtrEx as plain records: per row the CP932 texts of its cells, its
// picture, its check box and the caller's data, and nothing per row for the view. A list
// of 100,000 hits or signatures costs little more than its texts, and rows filled in bulk
// (while the list holds its redraws) reach the view in one announcement instead of one per
// row, which is what keeps a growing or refilled list fast at any size.
//
// The view sees the announced rows only; rows added at the end while announcements are
// held wait until Announce. Operations that touch rows already announced (inserting
// before the end, removing) announce the waiting ones first, so the view never sees rows
// out of order.
#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <any>
#include <string>
#include <vector>

class CListCtrExModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  struct Row {
    std::vector<std::string> cells;  // by column; missing ones are empty
    int image = -1;
    int check = -1;  // -1 no check box, 0 unchecked, 1 checked
    std::any userData;
  };

  using QAbstractTableModel::QAbstractTableModel;
  ~CListCtrExModel() override;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  void InsertColumn(int column, const QString& title);
  int ColumnCount() const { return static_cast<int>(titles_.size()); }

  // Every row, announced or waiting.
  int RowCount() const { return static_cast<int>(rows_.size()); }
  const Row* At(int row) const;
  Row* At(int row);
  // A cell's text; empty for a cell never set or a row that does not exist.
  const std::string& Text(int row, int column) const;

  // Inserts at row (0..RowCount()); at the end it waits while announcements are held.
  void Insert(int row, Row&& record);
  void Remove(int row);
  void Clear();
  // Every row out of the model (left empty, as by Clear), and rows back in at the end.
  std::vector<Row> TakeAll();
  void Append(std::vector<Row>&& rows);
  // The view hears about a changed cell, unless announcements are held: the view is
  // repainted as a whole when they are released.
  void CellChanged(int row, int column);

  // Holding announcements is for bulk fills; releasing them announces the waiting rows.
  void HoldAnnouncements(bool hold);
  void Announce();

  // Every cell reports this height, so the view measures the same row whatever columns
  // are in sight.
  void SetRowHeight(int height) { rowHeight_ = height; }

 private:
  std::vector<Row> rows_;
  std::vector<QString> titles_;
  int announced_ = 0;
  bool hold_ = false;
  int rowHeight_ = 0;
};
