// The log management form (dialog 104): the logs of the log folder, the three log
// settings (automatic logging on or off, log folder, log editor) and the button that opens
// the selected log in the editor. It edits the log settings of the application context:
// every change on screen goes into them at once, so the folder check before a search and
// the automatic log after it always use what the form shows. The list is refreshed after
// every automatic log.
//
// The settings are read when the form is created and written when it is destroyed.
#pragma once

#include <QWidget>
#include <functional>
#include <string>
#include <vector>

class AppContext;
class CListCtrEx;
class QLineEdit;
class QPushButton;
class QRadioButton;

class CDLogManage : public QWidget {
  Q_OBJECT

 public:
  // Control ids.
  enum : int {
    kIdBack = 1,
    kIdCancel = 2,
    kIdBrowseEditor = 1009,
    kIdShowLog = 1015,
    kIdEditor = 1025,
    kIdList = 1027,
    kIdGuide = 1037,
    kIdAutoLogOn = 1041,
    kIdAutoLogOff = 1043,
    kIdFolder = 1046,
    kIdBrowseFolder = 1048,
  };
  // Starts a program from its argument vector (OS bytes); false when it could not start.
  using Launcher = std::function<bool(const std::vector<std::string>& argv)>;

  explicit CDLogManage(AppContext& ctx, QWidget* parent = nullptr);
  ~CDLogManage() override;

  // Lists the log folder again, selects the first log and (with takeFocus) gives the list
  // the focus.
  void RefreshLogList(bool takeFocus = true);
  // Takes the selected row's log; false when none is selected.
  bool UpdateSelection();
  // Opens the selected log (or only the editor, with none selected) in the log editor;
  // when the editor cannot be started, the default editor is tried once with the same log.
  void ShowLog();
  void BrowseLogFolder();
  void BrowseLogEditor();

  // Replaces the process start (tests).
  void SetLauncher(Launcher launcher) { launcher_ = std::move(launcher); }

  // The log file names as listed, and the selected one (empty for none).
  const std::vector<std::string>& Entries() const { return entries_; }
  const std::string& SelectedEntry() const { return selectedEntry_; }
  int SelectedIndex() const { return selectedIndex_; }
  CListCtrEx* List() const { return list_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void BuildControls();
  void ShowMembers();
  void UpdateFolderField();
  bool Launch(const std::vector<std::string>& argv);

  AppContext& ctx_;
  CListCtrEx* list_ = nullptr;
  QRadioButton* autoLogOff_ = nullptr;
  QRadioButton* autoLogOn_ = nullptr;
  QLineEdit* folder_ = nullptr;
  QLineEdit* editor_ = nullptr;
  QPushButton* back_ = nullptr;
  std::vector<std::string> entries_;
  int selectedIndex_ = -1;
  std::string selectedEntry_;
  Launcher launcher_;
};
