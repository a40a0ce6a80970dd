// The main frame's menu: three drop-downs (ﾌｧｲﾙ, 設定・管理, ﾍﾙﾌﾟ) whose items carry their
// command ids as object names, their prompts as status tips (shown in the status bar while
// the item is under the mouse) and their short tips as tool tips; plus the two commands
// without a menu item (the search target and search result forms).
#pragma once

#include <QObject>
#include <map>

class QAction;
class QMainWindow;
class QMenu;

// Command ids, also the object names of their actions.
enum CommandId : int {
  kIdViewResult = 32771,
  kIdOnlineHelp = 32772,
  kIdViewLog = 32773,
  kIdViewOption = 32774,
  kIdViewTarget = 32775,
  kIdTopMost = 32776,
  kIdViewDb = 32777,
  kIdAppAbout = 57664,
  kIdAppExit = 57665,
};

class CMainMenu : public QObject {
  Q_OBJECT

 public:
  // Builds the menu bar of window; the actions belong to window.
  explicit CMainMenu(QMainWindow* window);

  QAction* Action(int commandId) const;
  QMenu* SettingsMenu() const { return settingsMenu_; }

 private:
  QAction* AddCommand(QMenu* menu, int commandId, const char* text, const char* prompt);

  QMainWindow* window_;
  QMenu* settingsMenu_ = nullptr;
  std::map<int, QAction*> actions_;
};
