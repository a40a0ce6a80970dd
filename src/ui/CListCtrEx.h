// The list behind every list of the forms: a report view that paints its own rows, with a
// selection highlight reaching the right edge, cell texts shortened with "..." over whole
// Shift_JIS characters, check boxes that toggle on a click in their area (or Space) without
// moving the selection, column widths taken from the header text, and a per-row record
// carrying the caller's data. Texts cross its interface as CP932.
//
// Rows are numbered from 0 in list order; columns likewise. A check value is -1 (no check
// box), 0 (unchecked) or 1 (checked).
//
// The rows live in a model of plain records (CListCtrExModel), not in a widget item per
// row: a list of 100,000 hits fills, grows and refills in proportion to its texts.
#pragma once

#include <QTreeView>
#include <any>
#include <string>
#include <vector>

#include "ui/CImageList.h"
#include "ui/CListCtrExModel.h"

class CListCtrEx : public QTreeView {
  Q_OBJECT

 public:
  enum class Align { Left, Right, Center };

  explicit CListCtrEx(QWidget* parent = nullptr);
  ~CListCtrEx() override;

  // Once, before the first column: rows are drawn by the list, and with checkToggle a click
  // in a row's check area (or Space) toggles its check box.
  bool Setup(bool checkToggle);

  // Installs the row pictures, the large pictures (kept, not drawn in report view) and the
  // check-box pictures; a null pointer leaves that list as it was.
  void SetImageLists(const CImageList* small, const CImageList* normal, const CImageList* state);
  const CImageList& SmallImages() const { return smallImages_; }
  const CImageList& StateImages() const { return stateImages_; }

  // Width = the pixel width of text in the list's font, plus 15. column may be at most the
  // current column count (the cells of later columns move right).
  bool InsertColumn(const std::string& text, int column, Align align = Align::Left);
  // name, 3 blanks, 2 ideographic blanks, 112 blanks, 2 ideographic blanks (CP932): the
  // title of a list's only column, which makes it wider than the list whatever its texts.
  static std::string WideColumnTitle(const QString& name);
  Align ColumnAlign(int column) const;

  // Column 0 inserts a new row at index row (at the end when row is past it) and attaches a
  // record holding userData; another column sets a cell of an existing row. image -1 and
  // check -1 leave the picture and the check box alone.
  bool SetItem(int row, int column, const std::string& text, int image = -1, int check = -1,
               std::any userData = {});
  bool SetItemText(int row, int column, const std::string& text);
  // A whole row at the end: texts by column (further texts are ignored), the picture and
  // the record, as SetItem per cell would give, but filled before the list sees it, which
  // is much cheaper for a list that grows by thousands of rows. Returns the row index.
  int AppendRow(std::vector<std::string> texts, int image, std::any userData);
  // Refilling a long list after a small change: every row's record taken out (the list is
  // left empty, as by DeleteAllItems), and records put back at the end, reaching the view
  // together. A caller that puts most records back, with their texts set again, saves
  // making 100,000 rows anew.
  using Row = CListCtrExModel::Row;
  std::vector<Row> TakeRows();
  void AppendRows(std::vector<Row> rows);
  std::string ItemText(int row, int column) const;
  int ItemCount() const;
  int ColumnCount() const;
  bool DeleteItem(int row);
  void DeleteAllItems();

  int Image(int row) const;
  int Check(int row) const;
  bool SetCheck(int row, int check);
  // With check toggling on, flips a row's box between unchecked and checked; a row without
  // a check box is left alone.
  void ToggleCheck(int row);

  // The caller's data of a row; null when the row or the type does not match.
  std::any* UserDataAny(int row) const;
  template <class T>
  T* UserData(int row) const {
    std::any* data = UserDataAny(row);
    return data != nullptr ? std::any_cast<T>(data) : nullptr;
  }

  // Holds every repaint while rows are filled in bulk; off repaints the whole list once.
  // Rows added at the end meanwhile reach the view together (at the latest when the list
  // needs them: selecting, scrolling to or measuring a row, or off).
  void SuspendRedraw(bool on);

  // Removes the selected and the focused state from every row.
  void DeselectAll();
  int SelectedRow() const;  // the first selected row in list order, or -1
  std::vector<int> SelectedRows() const;
  int FocusedRow() const;
  // Selects and focuses one row (the others lose their selection); does not scroll.
  bool SelectRow(int row);
  bool EnsureVisible(int row);
  int RowAt(const QPoint& viewportPos) const;

  // Viewport geometry of a row's check area (empty without a check box) and of its frame.
  QRect CheckRect(int row) const;
  QRect RowRect(int row) const;
  // The text a cell shows after shortening, as painted.
  QString ShownText(int row, int column) const;
  // The text a cell shows before shortening.
  QString DisplayText(int row, int column) const;
  bool IsRowSelected(int row) const;

 signals:
  void SelectionChanged();
  void CheckChanged(int row, int check);
  // A mouse button went down on the list (row -1 below the last row); not sent for a click
  // that toggled a check box.
  void RowClicked(int row, Qt::MouseButton button);
  // Sent for every key press before the list handles it.
  void KeyPressed(int key, Qt::KeyboardModifiers modifiers);

 protected:
  // A point right of the last column still hits its row, as the highlight shows.
  QModelIndex indexAt(const QPoint& point) const override;
  void drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  // The view's index of a row's first cell; rows waiting for the view reach it first.
  QModelIndex RowIndex(int row) const;
  // The row's frame in the viewport (its vertical extent is what counts).
  QRect RowBounds(int row) const;
  bool InCheckArea(int row, const QPoint& viewportPos) const;
  // A left click in a row's check area toggles its box; true when it did (row is set either way).
  bool ToggleOnCheckClick(QMouseEvent* event, int* row);
  void RepaintAll();
  // Every row's height follows the list's font; measured once per font, not per row.
  void MeasureRowHeight();

  CListCtrExModel* model_ = nullptr;
  bool checkToggle_ = false;
  bool redrawSuspended_ = false;
  int rowHeight_ = 0;
  std::vector<Align> aligns_;
  CImageList smallImages_;
  CImageList normalImages_;
  CImageList stateImages_;
};
