#include "ui/CMainMenu.h"

#include <QAction>
#include <QMainWindow>
#include <QMenuBar>

CMainMenu::CMainMenu(QMainWindow* window) : QObject(window), window_(window) {
  QMenuBar* bar = window->menuBar();
  QMenu* file = bar->addMenu(QString::fromUtf8("ﾌｧｲﾙ(&F)"));
  AddCommand(file, kIdTopMost, "常にﾄｯﾌﾟｳｨﾝﾄﾞｳ(&T)", "ｳｨﾝﾄﾞｳを常に手前に表示\nﾄｯﾌﾟｳｪｲﾝﾄﾞｳ")->setCheckable(true);
  file->addSeparator();
  AddCommand(file, kIdAppExit, "ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)", "ｱﾌﾟﾘｹｰｼｮﾝを終了し、ﾌｧｲﾙの保存を指示\n終了");

  settingsMenu_ = bar->addMenu(QString::fromUtf8("設定・管理(&S)"));
  AddCommand(settingsMenu_, kIdViewOption, "検索設定(&C)...", "検索設定ﾀﾞｲｱﾛｸﾞを表示\n検索設定ﾀﾞｲｱﾛｸﾞ");
  settingsMenu_->addSeparator();
  AddCommand(settingsMenu_, kIdViewLog, "ログ管理(&L)...", "ﾛｸﾞ管理ﾀﾞｲｱﾛｸﾞを表示\nﾛｸﾞ管理ﾀﾞｲｱﾛｸﾞ");
  AddCommand(settingsMenu_, kIdViewDb, "DB管理(&D)...", "DBﾞ管理ﾀﾞｲｱﾛｸﾞを表示\nDB管理ﾀﾞｲｱﾛｸﾞ");

  QMenu* help = bar->addMenu(QString::fromUtf8("ﾍﾙﾌﾟ(&H)"));
  AddCommand(help, kIdOnlineHelp, "ｵﾝﾗｲﾝﾍﾙﾌﾟ(&H)", "ｵﾝﾗｲﾝﾍﾙﾌﾟの表示\nｵﾝﾗｲﾝﾍﾙﾌﾟ表示");
  help->addSeparator();
  AddCommand(help, kIdAppAbout, "Vorlet のﾊﾞｰｼﾞｮﾝ情報(&A)...",
             "ﾌﾟﾛｸﾞﾗﾑの情報、ﾊﾞｰｼﾞｮﾝそして著作権を表示\nﾊﾞｰｼﾞｮﾝ情報");

  // Reached from the forms' buttons, not from the menu.
  AddCommand(nullptr, kIdViewTarget, "", "");
  AddCommand(nullptr, kIdViewResult, "", "");
}

QAction* CMainMenu::Action(int commandId) const {
  const auto it = actions_.find(commandId);
  return it == actions_.end() ? nullptr : it->second;
}

QAction* CMainMenu::AddCommand(QMenu* menu, int commandId, const char* text, const char* prompt) {
  auto* action = new QAction(QString::fromUtf8(text), window_);
  action->setObjectName(QString::number(commandId));
  // The prompt is the part before the line break; the rest is the short tip.
  const QStringList parts = QString::fromUtf8(prompt).split(QLatin1Char('\n'));
  action->setStatusTip(parts.value(0));
  if (parts.size() > 1) action->setToolTip(parts.value(1));
  if (menu != nullptr) menu->addAction(action);
  else window_->addAction(action);
  actions_[commandId] = action;
  return action;
}
