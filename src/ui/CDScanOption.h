// The search settings form (dialog 103): the categories that take part in a search, as a
// list of check boxes, and the automatic processing of every hit (leave, delete, rename by
// a rule, move to a folder) with its rule and move folder. It edits the search settings of
// the application context: every change on screen goes into the model at once, so the
// processing of a hit and the category flags at a search start always use what is shown.
//
// The settings are read when the form is created and written when it is destroyed.
#pragma once

#include <QWidget>
#include <array>

class AppContext;
class CListCtrEx;
class QButtonGroup;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

class CDScanOption : public QWidget {
  Q_OBJECT

 public:
  // Control ids.
  enum : int {
    kIdBack = 1,
    kIdCancel = 2,
    kIdMoveFolder = 1003,
    kIdBrowse = 1005,
    kIdModeLeave = 1011,
    kIdModeDelete = 1013,
    kIdModeRename = 1014,
    kIdModeMove = 1017,
    kIdRule = 1023,
    kIdCategories = 1024,
    kIdGuide = 1037,
  };

  explicit CDScanOption(AppContext& ctx, QWidget* parent = nullptr);
  ~CDScanOption() override;

  // Takes every row's check box into the settings (a row without one is left as it was).
  void CaptureChecks();
  // The folder chooser for the move folder; cancelling changes nothing.
  void BrowseMoveFolder();
  // The rule box only in rename mode, the move folder only in move mode.
  void UpdateEnabling();

  CListCtrEx* List() const { return list_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void BuildControls();
  void RefillRows();
  void ShowMembers();

  AppContext& ctx_;
  CListCtrEx* list_ = nullptr;
  QButtonGroup* modes_ = nullptr;
  QComboBox* rule_ = nullptr;
  QLineEdit* moveFolder_ = nullptr;
  QPushButton* back_ = nullptr;
};
