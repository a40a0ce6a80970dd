// Searches run from the desktop program: armed on the target form, run at idle time over a
// real tree with a signature in the store, stopped by Esc or a close request, the settings
// and the store carried over a restart, and the host's throttling of repaints and pumps.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QtTest/qtestspontaneevent.h>
#include <filesystem>
#include <functional>

#include "db/InvalFileInfo.h"
#include "engine/Md5.h"
#include "platform/AppendFile.h"
#include "result/ProcessResult.h"
#include "support/TempDir.h"
#include "ui/AppContext.h"
#include "ui/CDScanTarget.h"
#include "ui/CListCtrEx.h"
#include "ui/CMainApp.h"
#include "ui/CMainMenu.h"
#include "ui/CMainStatusBar.h"
#include "ui/DialogHooks.h"
#include "ui/QtSearchHost.h"
#include "ui/QtText.h"
#include "ui/support/UiTestSupport.h"
#include "util/StringTable.h"

using uitest::FindById;
using uitest::PaintCounter;
using uitest::RunEventLoopUntil;

namespace {

const std::string kBadContent(300, '\x01');

// The program's host that does one thing at the first status text of a search, while the
// walk is under way.
class ActingHost : public QtSearchHost {
 public:
  ActingHost(CScanEngine& engine, std::function<void()> act) : QtSearchHost(engine), act_(std::move(act)) {}
  void SetStatusText(const std::string& text) override {
    if (auto act = std::exchange(act_, nullptr)) act();
    QtSearchHost::SetStatusText(text);
  }

 private:
  std::function<void()> act_;
};

// The desktop program over a temporary program folder and a tree to search: 2 files that
// carry the signature's block (one in a subfolder) and 18 that do not.
struct Program {
  Program() : app(*qobject_cast<QApplication*>(QCoreApplication::instance())) {}
  ~Program() { app.ExitInstance(0); }
  bool Start(const std::string& programFolder = std::string()) {
    if (!app.InitInstance(programFolder.empty() ? home.path() : programFolder)) return false;
    frame = app.Frame();
    ctx = app.Context();
    form = frame->FormAs<CDScanTarget>(kFormTarget);
    return form != nullptr && QTest::qWaitForWindowExposed(frame);
  }
  void MakeTree() {
    for (int i = 0; i < 18; ++i) tree.Write(std::to_string(i) + ".txt", std::string(400, char('a' + i)));
    tree.Write("bad.exe", kBadContent);
    tree.Write("sub/bad.exe", kBadContent + "tail");
    uint8_t digest[Md5::kDigestSize];
    Md5Digest(kBadContent.data(), 257, digest);
    auto record = std::make_shared<InvalFileInfo>();
    record->SetFromBytes("Bad", "Virus", "", OleDate{}, "", digest, Md5::kDigestSize, "");
    ctx->store.Add(record);
  }
  QPushButton* Button(int id) const { return FindById<QPushButton>(form, id); }
  void Add(const std::string& folder) {
    DialogHooks::QueueFolder(folder);
    QTest::mouseClick(Button(CDScanTarget::kIdAdd), Qt::LeftButton);
  }
  QString Status() const { return frame->StatusBar()->PaneText(0); }
  bool SearchEnds() { return RunEventLoopUntil([this] { return !ctx->engine.running; }); }

  testing_support::TempDir home;
  testing_support::TempDir tree;
  CMainApp app;
  CMainFrame* frame = nullptr;
  AppContext* ctx = nullptr;
  CDScanTarget* form = nullptr;
};

QString Text(int id) { return ToQt(LoadString(id)); }

}  // namespace

class SearchRunTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { DialogHooks::SetStrict(true); }
  void init() { DialogHooks::Reset(); }

  void SearchFindsHitsAndGivesTheFormsBack() {
    Program p;
    QVERIFY(p.Start());
    p.MakeTree();
    p.Add(p.tree.path());
    QTest::mouseClick(p.Button(CDScanTarget::kIdSearchAll), Qt::LeftButton);
    // Armed: the result form shows, nothing that starts, edits or ends can be used.
    QVERIFY(p.ctx->engine.running);
    QCOMPARE(p.frame->CurrentFormId(), int(kFormResult));
    for (int id : {CDScanTarget::kIdSearchAll, CDScanTarget::kIdAdd, CDScanTarget::kIdExit})
      QVERIFY(!p.Button(id)->isEnabled());
    QVERIFY(!p.frame->Action(kIdViewOption)->isEnabled());

    QVERIFY(p.SearchEnds());
    QVERIFY(p.ctx->engine.Completed());
    QCOMPARE(p.ctx->results.Counts().searched, 20);
    QCOMPARE(p.ctx->results.Counts().invalid, 2);
    QCOMPARE(p.ctx->results.Counts().unprocessed, 2);
    QCOMPARE(p.Status(), Text(kStrSearchFinished));
    QVERIFY(p.Button(CDScanTarget::kIdSearchAll)->isEnabled());
    QVERIFY(p.Button(CDScanTarget::kIdResult)->isEnabled());
    QVERIFY(p.frame->Action(kIdViewOption)->isEnabled());

    // The selected target alone, without its subfolders.
    p.Add(p.tree.path() + "/sub");
    FindById<QCheckBox>(p.form, CDScanTarget::kIdSubfolders)->setChecked(false);
    p.frame->ShowForm(kFormTarget);
    QCOMPARE(p.form->SelectedTarget(), 1);
    QTest::mouseClick(p.Button(CDScanTarget::kIdSearchSelected), Qt::LeftButton);
    QVERIFY(p.SearchEnds());
    QCOMPARE(p.ctx->engine.Targets().size(), size_t(1));
    QCOMPARE(p.ctx->results.Counts().searched, 1);
    QCOMPARE(p.ctx->results.Counts().invalid, 1);
  }

  void MovedHitIsNotMetAgainInTheMoveFolder() {
    Program p;
    QVERIFY(p.Start());
    p.MakeTree();
    std::filesystem::remove(p.tree.path() + "/sub/bad.exe");
    p.ctx->scanOptions.SetMode(kModeMove);
    p.ctx->scanOptions.SetMoveFolder(p.tree.MakeDir("quarantine"));
    p.Add(p.tree.path());
    QTest::mouseClick(p.Button(CDScanTarget::kIdSearchAll), Qt::LeftButton);
    QVERIFY(p.SearchEnds());
    QCOMPARE(p.ctx->results.Counts().searched, 19);
    QCOMPARE(p.ctx->results.Counts().invalid, 1);
    QCOMPARE(p.ctx->results.Counts().moved, 1);
    // The move is in the search's journal, let go when the search ended so an undo may take it.
    QCOMPARE(p.ctx->journal.Entries(), size_t(1));
    platform::AppendFile journal;
    QVERIFY(journal.OpenExisting(p.ctx->journal.Path()));
  }

  void StopRequestsDuringSearch_data() {
    QTest::addColumn<int>("request");
    QTest::addColumn<bool>("stops");
    QTest::newRow("Esc") << 0 << true;
    QTest::newRow("close request posted by the program") << 1 << true;
    QTest::newRow("close event posted to the frame") << 2 << true;
    QTest::newRow("close box") << 3 << false;
    QTest::newRow("exit command") << 4 << false;
  }
  void StopRequestsDuringSearch() {
    QFETCH(int, request);
    QFETCH(bool, stops);
    Program p;
    QVERIFY(p.Start());
    p.MakeTree();
    p.Add(p.tree.path());
    CMainFrame* frame = p.frame;
    ActingHost host(p.ctx->engine, [frame, request] {
      switch (request) {
        case 0: QCoreApplication::postEvent(frame, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier)); break;
        case 1: frame->RequestClose(); break;
        case 2: QCoreApplication::postEvent(frame, new QCloseEvent); break;
        case 4: frame->Action(kIdAppExit)->trigger(); break;
        default: {
          // As the window system delivers its close box (sendEvent would make it the
          // program's own request).
          QCloseEvent close;
          QSpontaneKeyEvent::setSpontaneous(&close);
          QCoreApplication::instance()->notify(frame, &close);
        }
      }
    });
    host.SetFrame(p.frame);
    p.ctx->engine.SetHost(&host);
    QTest::mouseClick(p.Button(CDScanTarget::kIdSearchAll), Qt::LeftButton);
    QVERIFY(p.SearchEnds());
    QCOMPARE(p.ctx->engine.Completed(), !stops);
    QCOMPARE(p.ctx->results.Counts().searched < 20, stops);
    QTRY_COMPARE(p.Status(), Text(stops ? kStrSearchStopped : kStrSearchFinished));
    QVERIFY(p.frame->isVisible());
    p.ctx->engine.SetHost(p.app.Host());
  }

  void StopBeforeTheSearchStartsStillEndsIt() {
    Program p;
    QVERIFY(p.Start());
    p.Add(p.tree.path());
    QTest::mouseClick(p.Button(CDScanTarget::kIdSearchAll), Qt::LeftButton);
    QTest::keyClick(p.frame, Qt::Key_Escape);
    QVERIFY(!p.ctx->engine.running);
    QVERIFY(RunEventLoopUntil([&] { return p.Button(CDScanTarget::kIdSearchAll)->isEnabled(); }));
    QCOMPARE(p.Status(), Text(kStrSearchStopped));
    QVERIFY(p.frame->Action(kIdViewOption)->isEnabled());
  }

  void SettingsAndStoreSurviveARestart() {
    testing_support::TempDir home;
    std::string target;
    {
      Program p;
      QVERIFY(p.Start(home.path()));
      p.MakeTree();
      target = p.tree.path();
      p.Add(target);
      FindById<QCheckBox>(p.form, CDScanTarget::kIdSubfolders)->setChecked(false);
      auto* fileType = FindById<QComboBox>(p.form, CDScanTarget::kIdFileType);
      fileType->lineEdit()->clear();
      QTest::keyClicks(fileType->lineEdit(), "*.EXE");
      QTest::mouseClick(p.Button(CDScanTarget::kIdSearchAll), Qt::LeftButton);
      QVERIFY(p.SearchEnds());
      // Typed and never used: not remembered.
      p.frame->ShowForm(kFormTarget);
      fileType->lineEdit()->clear();
      QTest::keyClicks(fileType->lineEdit(), "*.zip");
    }
    Program p;
    QVERIFY(p.Start(home.path()));
    QCOMPARE(p.form->Targets().size(), size_t(1));
    QCOMPARE(p.form->Targets()[0], target);
    QVERIFY(!FindById<QCheckBox>(p.form, CDScanTarget::kIdSubfolders)->isChecked());
    QCOMPARE(FindById<QComboBox>(p.form, CDScanTarget::kIdFileType)->currentText(), QStringLiteral("*.exe"));
    QCOMPARE(p.ctx->store.RecordCount(), 1);
  }

  void HostThrottlesRepaintsAndPumps() {
    Program p;
    QVERIFY(p.Start());
    QtSearchHost& host = *p.app.Host();
    PaintCounter paints;
    p.frame->StatusBar()->installEventFilter(&paints);
    int dispatched = 0;
    int pumpsThatDispatched = 0;
    QElapsedTimer clock;
    clock.start();
    // As a search calls them: a status text and a few pumps per file.
    for (int i = 0; clock.elapsed() < 100; ++i) {
      host.SetStatusText(std::to_string(i));
      QTimer::singleShot(0, [&] { ++dispatched; });
      const int before = dispatched;
      host.PumpEvents();
      host.PumpEvents();
      pumpsThatDispatched += dispatched != before ? 1 : 0;
    }
    QVERIFY2(pumpsThatDispatched >= 1 && pumpsThatDispatched <= 100 / 10 + 2, qPrintable(QString::number(pumpsThatDispatched)));
    QVERIFY2(paints.count >= 1 && paints.count <= 2 * (100 / 30 + 2), qPrintable(QString::number(paints.count)));
    // The last text always ends up shown.
    QTRY_COMPARE(p.Status(), ToQt(host.LastText()));
  }
};

QTEST_MAIN(SearchRunTest)
#include "SearchRun_test.moc"
