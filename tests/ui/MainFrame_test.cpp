// The main frame driven through its menu, its close paths and its status bar, with
// placeholder forms standing in for the real ones.
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTest>

#include "ui/CDialogUnits.h"
#include "ui/CMainMenu.h"
#include "ui/CMainStatusBar.h"
#include "ui/DialogHooks.h"
#include "ui/QtMessagePresenter.h"
#include "ui/QtText.h"
#include "ui/support/FormRecorder.h"
#include "ui/support/UiTestSupport.h"
#include "util/PathParts.h"
#include "util/StringTable.h"

using uitest::Cp;
using uitest::PaintCounter;

class MainFrameTest : public QObject {
  Q_OBJECT

 private:
  QtMessagePresenter presenter_;
  bool running_ = false;
  int stops_ = 0;

  std::unique_ptr<CMainFrame> MakeFrame(const uitest::FormRecorder& recorder = uitest::FormRecorder()) {
    auto frame = std::make_unique<CMainFrame>();
    frame->SetRunningPredicate([this] { return running_; });
    frame->SetStopSearch([this] {
      ++stops_;
      running_ = false;
    });
    if (!frame->Create(recorder.Factory())) return nullptr;
    frame->show();
    if (!QTest::qWaitForWindowExposed(frame.get())) return nullptr;
    return frame;
  }

  static QStringList MenuLayout(QMenu* menu) {
    QStringList items;
    for (QAction* action : menu->actions()) {
      items << (action->isSeparator() ? QStringLiteral("-") : action->objectName() + QLatin1Char(' ') + action->text());
    }
    return items;
  }

 private slots:
  void initTestCase() { uitest::StartFormTests(&presenter_); }

  void init() {
    running_ = false;
    stops_ = 0;
    DialogHooks::Reset();
  }

  void cleanup() { QVERIFY(DialogHooks::Messages().empty() || !DialogHooks::Messages().back().unanswered); }

  void StartsWithTargetFormSizedToIt() {
    auto frame = MakeFrame();
    QVERIFY(frame);
    QCOMPARE(frame->CurrentFormId(), int(kFormTarget));
    QCOMPARE(frame->windowTitle(), QStringLiteral("Vorlet"));
    const QSize formSize = CDialogUnits(frame->font()).FormSize();
    QCOMPARE(frame->FormSize(), formSize);
    for (int id : {102, 103, 104, 105, 106}) {
      QWidget* form = uitest::FindById(frame.get(), id);
      QVERIFY(form != nullptr);
      QCOMPARE(form->size(), formSize);
      QCOMPARE(form->isVisible(), id == 102);
    }
    QWidget* target = frame->Form(kFormTarget);
    QCOMPARE(target->mapTo(frame.get(), QPoint(0, 0)), QPoint(0, frame->menuBar()->height()));
    QVERIFY(frame->statusBar()->isVisible());
    QCOMPARE(frame->statusBar()->geometry().top(), frame->menuBar()->height() + formSize.height());
    QCOMPARE(frame->size(),
             QSize(formSize.width(), frame->menuBar()->height() + formSize.height() + frame->statusBar()->height()));
    QCOMPARE(frame->minimumSize(), frame->size());
    QCOMPARE(frame->maximumSize(), frame->size());
    QVERIFY(!(frame->windowFlags() & Qt::WindowMaximizeButtonHint));
    // Room for the forms: at least the size the forms were designed for at 9 points.
    QVERIFY(formSize.width() >= 450 && formSize.height() >= 380);
  }

  void MenuItemsInOrder() {
    auto frame = MakeFrame();
    const QList<QAction*> menus = frame->menuBar()->actions();
    QCOMPARE(menus.size(), 3);
    QCOMPARE(menus[0]->text(), QString::fromUtf8("ﾌｧｲﾙ(&F)"));
    QCOMPARE(menus[1]->text(), QString::fromUtf8("設定・管理(&S)"));
    QCOMPARE(menus[2]->text(), QString::fromUtf8("ﾍﾙﾌﾟ(&H)"));
    QCOMPARE(MenuLayout(menus[0]->menu()),
             QStringList({QString::fromUtf8("32776 常にﾄｯﾌﾟｳｨﾝﾄﾞｳ(&T)"), "-", QString::fromUtf8("57665 ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)")}));
    QCOMPARE(MenuLayout(menus[1]->menu()),
             QStringList({QString::fromUtf8("32774 検索設定(&C)..."), "-", QString::fromUtf8("32773 ログ管理(&L)..."),
                          QString::fromUtf8("32777 DB管理(&D)...")}));
    QCOMPARE(MenuLayout(menus[2]->menu()),
             QStringList({QString::fromUtf8("32772 ｵﾝﾗｲﾝﾍﾙﾌﾟ(&H)"), "-",
                          QString::fromUtf8("57664 Vorlet のﾊﾞｰｼﾞｮﾝ情報(&A)...")}));
  }

  void HoveredItemShowsItsPrompt_data() {
    QTest::addColumn<int>("command");
    QTest::addColumn<QString>("prompt");
    QTest::newRow("top-most") << int(kIdTopMost) << QString::fromUtf8("ｳｨﾝﾄﾞｳを常に手前に表示");
    QTest::newRow("exit") << int(kIdAppExit) << QString::fromUtf8("ｱﾌﾟﾘｹｰｼｮﾝを終了し、ﾌｧｲﾙの保存を指示");
    QTest::newRow("option") << int(kIdViewOption) << QString::fromUtf8("検索設定ﾀﾞｲｱﾛｸﾞを表示");
    QTest::newRow("log") << int(kIdViewLog) << QString::fromUtf8("ﾛｸﾞ管理ﾀﾞｲｱﾛｸﾞを表示");
    QTest::newRow("db") << int(kIdViewDb) << QString::fromUtf8("DBﾞ管理ﾀﾞｲｱﾛｸﾞを表示");
    QTest::newRow("help") << int(kIdOnlineHelp) << QString::fromUtf8("ｵﾝﾗｲﾝﾍﾙﾌﾟの表示");
    QTest::newRow("about") << int(kIdAppAbout) << QString::fromUtf8("ﾌﾟﾛｸﾞﾗﾑの情報、ﾊﾞｰｼﾞｮﾝそして著作権を表示");
  }

  void HoveredItemShowsItsPrompt() {
    QFETCH(int, command);
    QFETCH(QString, prompt);
    auto frame = MakeFrame();
    frame->SetStatusText(Cp("検索終了"));
    QAction* action = frame->Action(command);
    QMenu* menu = qobject_cast<QMenu*>(action->associatedObjects().constFirst());
    QVERIFY(menu != nullptr);
    menu->popup(frame->mapToGlobal(QPoint(10, 10)));
    QVERIFY(QTest::qWaitForWindowExposed(menu));
    QTest::mouseMove(menu, menu->actionGeometry(action).center());
    QTRY_COMPARE(frame->statusBar()->currentMessage(), prompt);
    // Leaving the menu gives the pane its own text back.
    menu->close();
    QTRY_COMPARE(frame->statusBar()->currentMessage(), QString());
    QCOMPARE(frame->StatusBar()->PaneText(0), QString::fromUtf8("検索終了"));
    QVERIFY(frame->StatusBar()->Pane(0)->isVisible());
  }

  void TopMostTogglesCheckAndFlag() {
    auto frame = MakeFrame();
    const QRect before = frame->geometry();
    QAction* topMost = frame->Action(kIdTopMost);
    for (bool expected : {true, false}) {
      topMost->trigger();
      QCOMPARE(frame->IsTopMost(), expected);
      QCOMPARE(topMost->isChecked(), expected);
      QCOMPARE(bool(frame->windowFlags() & Qt::WindowStaysOnTopHint), expected);
      QCOMPARE(bool(frame->windowHandle()->flags() & Qt::WindowStaysOnTopHint), expected);
      QVERIFY(frame->isVisible());
      QCOMPARE(frame->geometry(), before);
    }
  }

  void FormCommandsGreyedWhileSearchRuns() {
    auto frame = MakeFrame();
    QMenu* settings = frame->menuBar()->actions()[1]->menu();
    const int commands[] = {kIdViewOption, kIdViewLog, kIdViewDb};
    running_ = true;
    emit settings->aboutToShow();
    for (int id : commands) QVERIFY(!frame->Action(id)->isEnabled());
    for (int id : {kIdTopMost, kIdAppExit, kIdOnlineHelp, kIdAppAbout, kIdViewTarget}) {
      QVERIFY(frame->Action(id)->isEnabled());
    }
    running_ = false;
    frame->UpdateCommandStates();  // the search driver's notice at the end of a search
    for (int id : commands) QVERIFY(frame->Action(id)->isEnabled());
    // A command still lit from before the search started does not switch forms.
    running_ = true;
    frame->Action(kIdViewDb)->trigger();
    QCOMPARE(frame->CurrentFormId(), int(kFormTarget));
    QVERIFY(!frame->Action(kIdViewDb)->isEnabled());
  }

  void MenuCommandsSwitchForms_data() {
    QTest::addColumn<int>("command");
    QTest::addColumn<int>("form");
    QTest::newRow("option") << int(kIdViewOption) << int(kFormOption);
    QTest::newRow("log") << int(kIdViewLog) << int(kFormLog);
    QTest::newRow("db") << int(kIdViewDb) << int(kFormDb);
  }

  void MenuCommandsSwitchForms() {
    QFETCH(int, command);
    QFETCH(int, form);
    auto frame = MakeFrame();
    const QSize size = frame->size();
    frame->Action(command)->trigger();
    QCOMPARE(frame->CurrentFormId(), form);
    QCOMPARE(frame->CurrentForm(), frame->Form(form));
    for (int id : {102, 103, 104, 105, 106}) QCOMPARE(frame->Form(id)->isVisible(), id == form);
    QCOMPARE(frame->Form(form)->pos(), QPoint(0, 0));
    QCOMPARE(frame->size(), size);
    frame->Action(kIdViewTarget)->trigger();  // the 戻る button of every form
    QCOMPARE(frame->CurrentFormId(), int(kFormTarget));
    QVERIFY(frame->Form(kFormTarget)->isVisible());
    QVERIFY(!frame->Form(form)->isVisible());
  }

  void ResultCommandOnlyAfterFirstSearch() {
    auto frame = MakeFrame();
    QAction* result = frame->Action(kIdViewResult);
    QVERIFY(!result->isEnabled());
    result->trigger();
    QCOMPARE(frame->CurrentFormId(), int(kFormTarget));
    frame->SetResultAvailable(true);
    QVERIFY(result->isEnabled());
    result->trigger();
    QCOMPARE(frame->CurrentFormId(), int(kFormResult));
  }

  void UnknownFormIdChangesNothing() {
    auto frame = MakeFrame();
    frame->ShowForm(kFormLog);
    frame->ShowForm(999);
    QCOMPARE(frame->CurrentFormId(), int(kFormLog));
    QVERIFY(frame->Form(kFormLog)->isVisible());
    QVERIFY(frame->Form(999) == nullptr);
    QVERIFY(DialogHooks::Messages().empty());
  }

  void CloseRefusedWhileSearchRunsThenAccepted() {
    uitest::FormRecorder recorder;
    auto frame = MakeFrame(recorder);
    running_ = true;
    QVERIFY(!frame->close());                  // close box, system menu
    frame->Action(kIdAppExit)->trigger();      // ｱﾌﾟﾘｹｰｼｮﾝの終了
    QVERIFY(frame->isVisible());
    QCOMPARE(stops_, 0);
    QVERIFY(running_);
    QVERIFY(recorder.Destroyed().isEmpty());
    QVERIFY(frame->Form(kFormTarget) != nullptr);

    running_ = false;
    frame->Action(kIdAppExit)->trigger();
    QVERIFY(!frame->isVisible());
    QCOMPARE(recorder.Destroyed(), QStringList({"102", "103", "106", "104", "105"}));
    QVERIFY(frame->Form(kFormTarget) == nullptr);
    QVERIFY(frame->CurrentForm() == nullptr);
  }

  void PostedCloseStopsSearchAndKeepsWindow() {
    uitest::FormRecorder recorder;
    auto frame = MakeFrame(recorder);
    running_ = true;
    frame->RequestClose();
    QTRY_COMPARE(stops_, 1);
    QVERIFY(!running_);
    QVERIFY(frame->isVisible());
    QVERIFY(recorder.Destroyed().isEmpty());
    // With no search running the same request ends the program.
    frame->RequestClose();
    QTRY_VERIFY(!frame->isVisible());
    QCOMPARE(stops_, 1);
    QCOMPARE(recorder.Destroyed().size(), 5);
  }

  void EndProgramClosesAfterTheButtonHandler() {
    uitest::FormRecorder recorder;
    auto frame = MakeFrame(recorder);
    running_ = true;
    frame->EndProgram();
    QTest::qWait(20);
    QVERIFY(frame->isVisible());
    running_ = false;
    frame->EndProgram();
    QVERIFY(frame->isVisible());  // not from inside the calling form's handler
    QTRY_VERIFY(!frame->isVisible());
    QCOMPARE(recorder.Destroyed().first(), QStringLiteral("102"));
  }

  void MissingFormShowsMemoryMessage() {
    auto frame = MakeFrame(uitest::FormRecorder({kFormLog}));
    QVERIFY(frame);
    QVERIFY(frame->Form(kFormLog) == nullptr);
    QVERIFY(uitest::FindById(frame.get(), kFormLog) == nullptr);
    DialogHooks::QueueAnswer(kIdOk);
    QVERIFY(!frame->ShowForm(kFormLog));
    QCOMPARE(DialogHooks::Messages().size(), size_t(1));
    const DialogHooks::Message& shown = DialogHooks::Messages().front();
    QCOMPARE(shown.text, std::string(kMessageFormCreationFailed));
    QCOMPARE(ToQt(shown.text), QString::fromUtf8("ﾒﾓﾘｰ不足等で、処理を中断しました。"));
    QVERIFY(shown.buttons == MessageButtons::Ok);
    QVERIFY(!shown.unanswered);
    QCOMPARE(frame->CurrentFormId(), int(kFormTarget));
    QVERIFY(frame->Form(kFormTarget)->isVisible());
  }

  void MissingTargetFormMeansNoFrame() {
    CMainFrame frame;
    QVERIFY(!frame.Create(uitest::FormRecorder({kFormTarget}).Factory()));
  }

  void StatusTextPaintedAtOnce() {
    auto frame = MakeFrame();
    PaintCounter paints;
    frame->StatusBar()->Pane(0)->installEventFilter(&paints);
    frame->SetStatusText(Cp("/home/ユーザー/表"));
    QVERIFY(paints.count > 0);  // without returning to the event loop
    QCOMPARE(frame->StatusBar()->PaneText(0), QString::fromUtf8("/home/ユーザー/表"));
    frame->SetStatusText("NUM", 3);
    QCOMPARE(frame->StatusBar()->PaneText(3), QStringLiteral("NUM"));
    frame->SetStatusText("ignored", 7);
    QCOMPARE(frame->StatusBar()->PaneText(0), QString::fromUtf8("/home/ユーザー/表"));
  }

  void StatusBarHasFivePanes() {
    auto frame = MakeFrame();
    const QStringList expected = {"", QString::fromUtf8("ｶﾅ"), "CAP", "NUM", "SCRL"};
    int left = -1;
    for (int pane = 0; pane < CMainStatusBar::kPaneCount; ++pane) {
      QLabel* label = frame->StatusBar()->Pane(pane);
      QCOMPARE(label->text(), expected[pane]);
      QVERIFY(label->isVisible());
      QVERIFY(label->geometry().left() > left);
      left = label->geometry().left();
    }
    // The message pane takes what the indicators leave.
    QVERIFY(frame->StatusBar()->Pane(0)->width() > frame->width() / 2);

    // Offscreen the lock states cannot be read: grey. Where they can, a key shows them.
    for (int pane = 1; pane < CMainStatusBar::kPaneCount; ++pane) QVERIFY(!frame->StatusBar()->IndicatorOn(pane));
    LockStates keys;
    frame->StatusBar()->SetLockReader([&keys](LockStates* states) {
      *states = keys;
      return true;
    });
    keys.caps = keys.scroll = true;
    frame->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(frame.get()));
    QTest::keyClick(frame.get(), Qt::Key_CapsLock);
    QCOMPARE(QString("%1%2%3%4")
                 .arg(frame->StatusBar()->IndicatorOn(1))
                 .arg(frame->StatusBar()->IndicatorOn(2))
                 .arg(frame->StatusBar()->IndicatorOn(3))
                 .arg(frame->StatusBar()->IndicatorOn(4)),
             QStringLiteral("0101"));
  }

  void HelpOpensTheHelpFileBesideTheProgram() {
    auto frame = MakeFrame();
    QList<QUrl> opened;
    frame->SetUrlOpener([&opened](const QUrl& url) {
      opened << url;
      return true;
    });
    frame->Action(kIdOnlineHelp)->trigger();
    QCOMPARE(opened.size(), 1);
    QVERIFY(opened[0].isLocalFile());
    QCOMPARE(opened[0].toLocalFile(), PathToQt(GetModuleFolder()) + QStringLiteral("vorlet.html"));
    QCOMPARE(frame->GetHelpPath(), GetModuleFolder() + "vorlet.html");
    frame->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(frame.get()));
    QTest::keyClick(frame.get(), Qt::Key_F1);
    QTest::keyClick(frame.get(), Qt::Key_F1, Qt::ShiftModifier);
    QCOMPARE(opened.size(), 3);
    // No program to show it: the user is told, with the help file's name.
    frame->SetUrlOpener([](const QUrl&) { return false; });
    DialogHooks::QueueAnswer(kIdOk);
    frame->Action(kIdOnlineHelp)->trigger();
    QCOMPARE(DialogHooks::Messages().size(), size_t(1));
    QCOMPARE(DialogHooks::Messages()[0].text,
             Cp("ファイルを表示するプログラムを起動できませんでした。\n") + GetModuleFolder() + "vorlet.html");
  }
};

QTEST_MAIN(MainFrameTest)
#include "MainFrame_test.moc"
