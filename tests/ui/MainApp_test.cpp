// The application object: start-up with its settings binding and frame, the about box, the
// idle-time work and the exit.
#include <QApplication>
#include <QMessageBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <csignal>

#include "settings/AppFiles.h"
#include "support/TempDir.h"
#include "ui/AppContext.h"
#include "ui/CMainApp.h"
#include "ui/CMainMenu.h"
#include "ui/DialogHooks.h"
#include "ui/support/FormRecorder.h"
#include "ui/support/UiTestSupport.h"
#include "util/StringTable.h"

using uitest::RunEventLoopUntil;

class MainAppTest : public QObject {
  Q_OBJECT

 private:
  QApplication& Qt() { return *qobject_cast<QApplication*>(QCoreApplication::instance()); }

 private slots:
  void StartUpBindsSettingsAndOpensFrame() {
    testing_support::TempDir dir;
    uitest::FormRecorder recorder;
    {
      CMainApp app(Qt());
      QCOMPARE(CMainApp::Instance(), &app);
      QVERIFY(GetMessagePresenter() != nullptr);
      app.SetFormFactory(recorder.Factory());
      QVERIFY(app.InitInstance(dir.path()));
      QCOMPARE(SettingsFile().FullPath(), dir.folder() + "Vorlet.ini");
      QCOMPARE(app.ProgramFolder(), dir.path());
      CMainFrame* frame = app.Frame();
      QVERIFY(frame != nullptr);
      QVERIFY(frame->isVisible());
      QCOMPARE(frame->CurrentFormId(), int(kFormTarget));
      // The look every screen shares: the Japanese font and Qt's own texts in Japanese.
      QCOMPARE(QApplication::font().family(), QStringLiteral("IPAPGothic"));
      QCOMPARE(QLocale().name(), QStringLiteral("ja_JP"));
      QVERIFY(QCoreApplication::translate("QPlatformTheme", "Cancel") != QStringLiteral("Cancel"));

      QCOMPARE(app.ExitInstance(7), 7);
      QVERIFY(app.Frame() == nullptr);
      QCOMPARE(recorder.Destroyed(), QStringList({"102", "103", "106", "104", "105"}));
    }
    QVERIFY(GetMessagePresenter() == nullptr);
    QVERIFY(CMainApp::Instance() == nullptr);
  }

  // Installed: the settings start from the installation's, and settings and signatures
  // are saved each in its own folder.
  void InstalledStartSavesIntoTheUsersFolders() {
    testing_support::TempDir dir;
    AppLocations at;
    at.kind = AppLocations::Kind::Installed;
    at.settingsFolder = dir.folder() + "config/vorlet/";
    at.dataFolder = dir.folder() + "data/vorlet/";
    at.logFolder = at.dataFolder + "logs";
    at.shippedSettings = dir.Write("share/Vorlet.ini", "[DB]\r\nC0=shipped\r\n");
    {
      CMainApp app(Qt());
      QVERIFY(app.InitInstance(at));
      QCOMPARE(SettingsFile().FullPath(), at.settingsFolder + "Vorlet.ini");
      QCOMPARE(app.ExitInstance(0), 0);
    }
    const std::string settings = dir.Read("config/vorlet/Vorlet.ini");
    QVERIFY(settings.starts_with("[DB]\r\nC0=shipped\r\n"));
    QVERIFY(settings.find("[General]") != std::string::npos);
    QVERIFY(!dir.Read("data/vorlet/Vorlet.dat").empty());
    QVERIFY(dir.Read("data/vorlet/Vorlet.ini").empty());
  }

  // Settings that are there but cannot be read are said at start-up, not taken for empty
  // in silence: the searches would go by the defaults (processing mode, log folder).
  void UnreadableSettingsAreSaidAtStartUp() {
    testing_support::TempDir dir;
    dir.MakeDir("Vorlet.ini");  // a folder in the settings file's place: unreadable even for root
    DialogHooks::Reset();
    DialogHooks::QueueAnswer(kIdOk);
    {
      CMainApp app(Qt());
      app.SetFormFactory(uitest::FormRecorder().Factory());
      QVERIFY(app.InitInstance(dir.path()));
      QCOMPARE(DialogHooks::Messages().size(), size_t(1));
      QCOMPARE(DialogHooks::Messages()[0].text, LoadString(kStrSettingsUnreadable));
      app.ExitInstance(0);
    }
    DialogHooks::Reset();
  }

  void NoTargetFormNoStart() {
    testing_support::TempDir dir;
    CMainApp app(Qt());
    app.SetFormFactory(uitest::FormRecorder({kFormTarget}).Factory());
    QVERIFY(!app.InitInstance(dir.path()));
    QVERIFY(app.Frame() == nullptr);
  }

  void AboutBoxFromTheHelpMenu() {
    testing_support::TempDir dir;
    CMainApp app(Qt());
    QVERIFY(app.InitInstance(dir.path()));
    QString title;
    QStringList texts;
    bool hasIcon = false;
    QTimer::singleShot(0, [&] {
      QWidget* modal = QApplication::activeModalWidget();
      if (modal == nullptr || modal->objectName() != QStringLiteral("100")) return;
      title = modal->windowTitle();
      for (QLabel* label : modal->findChildren<QLabel*>()) {
        if (!label->text().isEmpty()) texts << label->text();
        if (!label->pixmap().isNull()) hasIcon = true;
      }
      QTest::mouseClick(uitest::FindById<QPushButton>(modal, 1), Qt::LeftButton);
    });
    app.Frame()->Action(kIdAppAbout)->trigger();  // returns once OK was pressed
    QCOMPARE(title, QString::fromUtf8("Vorletのﾊﾞｰｼﾞｮﾝ情報"));
    QCOMPARE(texts, QStringList{QStringLiteral("Vorlet Version 2.0")});
    QVERIFY(hasIcon);
    QVERIFY(QApplication::activeModalWidget() == nullptr);
  }

  void IdleWorkRunsWhenQueueIsEmpty() {
    CMainApp app(Qt());
    bool armed = false;
    int runs = 0;
    int depth = 0;
    int deepest = 0;
    app.SetIdleWork([&] { return armed; },
                    [&] {
                      ++runs;
                      deepest = std::max(deepest, ++depth);
                      QTest::qWait(30);  // a search pumps events while it runs
                      armed = false;
                      --depth;
                    });
    RunEventLoopUntil([] { return false; }, 30);
    QCOMPARE(runs, 0);
    armed = true;
    QVERIFY(RunEventLoopUntil([&] { return runs == 1; }, 3000));
    RunEventLoopUntil([] { return false; }, 50);
    QCOMPARE(runs, 1);
    QCOMPARE(deepest, 1);

    // Never inside a modal dialog: the work waits until it is closed.
    QDialog dialog;
    dialog.setModal(true);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    armed = true;
    RunEventLoopUntil([] { return false; }, 50);
    QCOMPARE(runs, 1);
    dialog.hide();
    QVERIFY(RunEventLoopUntil([&] { return runs == 2; }, 3000));
  }

  void SearchControlReachesTheFrame() {
    testing_support::TempDir dir;
    CMainApp app(Qt());
    QVERIFY(app.InitInstance(dir.path()));
    bool running = true;
    int stops = 0;
    app.SetSearchControl([&] { return running; }, [&] {
      ++stops;
      running = false;
    });
    CMainFrame* frame = app.Frame();
    QVERIFY(!frame->Action(kIdViewOption)->isEnabled());
    QVERIFY(!frame->close());
    frame->RequestClose();
    QTRY_COMPARE(stops, 1);
    QVERIFY(frame->isVisible());
    frame->UpdateCommandStates();
    QVERIFY(frame->Action(kIdViewOption)->isEnabled());
  }

  // A logout's SIGTERM ends the program as its exit command does: the open dialog is
  // cancelled, the running search stopped, then the frame closes and the forms write
  // their settings.
  void TerminationEndsLikeTheExitCommand() {
    testing_support::TempDir dir;
    uitest::FormRecorder recorder;
    CMainApp app(Qt());
    app.SetFormFactory(recorder.Factory());
    QVERIFY(app.InitInstance(dir.path()));
    bool running = true;
    int stops = 0;
    app.SetSearchControl([&] { return running; }, [&] {
      ++stops;
      running = false;
    });
    app.EndOnTermination();
    auto* box = new QMessageBox(app.Frame());  // the frame's, as the program's own boxes are
    box->setModal(true);
    box->show();
    QTRY_VERIFY(QApplication::activeModalWidget() == box);
    std::raise(SIGTERM);
    QTRY_VERIFY(!box->isVisible());
    QTRY_COMPARE(stops, 1);
    QTRY_VERIFY(!app.Frame()->isVisible());
    QCOMPARE(recorder.Destroyed().size(), qsizetype(5));
    app.ExitInstance(0);
  }

  // A registration from the command line while the program runs: its records survive the
  // program's save at exit, and so do the program's own.
  void ExitKeepsWhatAnotherWriterSaved() {
    testing_support::TempDir dir;
    CMainApp app(Qt());
    app.SetFormFactory(uitest::FormRecorder().Factory());
    QVERIFY(app.InitInstance(dir.path()));
    QVERIFY(app.Context()->store.Add(uitest::Record("mine", "Here")));
    InvalFileDB other;
    other.Load(dir.folder());
    QVERIFY(other.Add(uitest::Record("theirs", "Sample")) && other.Save(dir.folder()));
    app.ExitInstance(0);
    InvalFileDB saved;
    QVERIFY(saved.Load(dir.folder()));
    QVERIFY(saved.FindRecord("Here", "mine") != nullptr && saved.FindRecord("Sample", "theirs") != nullptr);
  }
};

QTEST_MAIN(MainAppTest)
#include "MainApp_test.moc"
