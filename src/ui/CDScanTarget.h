// The search target form (dialog 102), the first form the frame shows: the file-type
// patterns (with the history of patterns used before), the target folders and whether
// subfolders are searched. It arms a search over all targets or over the selected one (the
// program's idle time then runs it), opens the result form and ends the program.
//
// The "ScanDlg" keys fSubDir, File0..20 and Path0..20 are read when the form is created and
// written when it is destroyed. Paths and patterns cross to Qt on the lossless file-name
// route, so a folder whose name CP932 cannot hold is kept and searched as it is.
#pragma once

#include "settings/ScanTargetSettings.h"

#include <QWidget>
#include <memory>
#include <string>

#include "util/CPatternList.h"
#include "util/TextList.h"

class AppContext;
class CListCtrEx;
class QCheckBox;
class QComboBox;
class QPushButton;

class CDScanTarget : public QWidget {
  Q_OBJECT

 public:
  // Control ids.
  enum : int {
    kIdSearchAll = 1,
    kIdCancel = 2,
    kIdTargets = 1020,
    kIdSubfolders = 1033,
    kIdDelete = 1035,
    kIdAdd = 1038,
    kIdFileType = 1040,
    kIdGuide = 1042,
    kIdSearchSelected = 1047,
    kIdExit = 1053,
    kIdResult = 1054,
  };
  // The longest file-type text the combo box takes, in characters.
  static constexpr int kMaxFileTypeChars = 256;
  // Slots of the File and Path lists read back at start.
  static constexpr int kSettingSlots = ScanTargetSettings::kSlots;

  explicit CDScanTarget(AppContext& ctx, QWidget* parent = nullptr);
  ~CDScanTarget() override;

  // 全検索 and 選択検索: arm a search (false when nothing was armed).
  bool OnSearchAll();
  bool OnSearchSelected();
  // ｷｬﾝｾﾙ and Esc: stop a running search.
  void OnCancel();
  void OnAddFolder();
  void OnDeleteFolder();
  // 検索結果: the result form, once a search has been started.
  void OnShowResult();
  // 終了: ends the program when no search runs.
  void OnExit();
  // Takes the selected row as the selected target and applies the enable rules; true
  // when a target is selected.
  bool UpdateSelection();
  // The enable rules, by whether a search is armed or running; also after a search ends.
  void EnableControls();
  // Moves text to the front of the pattern history and makes it the current file type.
  void RememberPattern(const std::string& text);

  const TextList& Targets() const { return targetList_; }
  const TextList& RecentPatterns() const { return recentPatterns_; }
  const std::string& FileTypeText() const { return fileTypeText_; }
  bool SearchesSubfolders() const { return subfolders_ == 1; }
  // Index of the selected target, or -1.
  int SelectedTarget() const { return selectedTarget_; }
  CListCtrEx* List() const { return list_; }

 signals:
  // A search has been armed; the program's idle time will run it.
  void SearchArmed();

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void LoadSettings();
  void SaveSettings() const;
  void BuildControls();
  void InitDialog();
  void RefillList();
  // The history as the box's drop-down list, after the text typed so far is taken in.
  void RefillPatternChoices();
  // The history as the box's drop-down list; the text in the box is WriteControls' part.
  void FillPatternChoices();
  // Data exchange with the controls; false, with the length message, when the file type
  // is too long (the members are then unchanged).
  bool ReadControls();
  void WriteControls();
  void PreparePattern();
  bool ArmSearch(const TextList& targets);

  AppContext& ctx_;
  TextList targetList_;
  CPatternList patternList_{';'};
  TextList recentPatterns_;
  int selectedTarget_ = -1;
  // The one-entry target list of the last search of the selected target.
  std::unique_ptr<TextList> selectedList_;
  int subfolders_ = 1;
  std::string fileTypeText_;

  QComboBox* fileType_ = nullptr;
  QCheckBox* subfolderBox_ = nullptr;
  CListCtrEx* list_ = nullptr;
  QPushButton* searchAll_ = nullptr;
  QPushButton* searchSelected_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QPushButton* result_ = nullptr;
  QPushButton* add_ = nullptr;
  QPushButton* delete_ = nullptr;
  QPushButton* exit_ = nullptr;
};
