// The search result form following the result model of the application context: rows,
// counters, the button rules, the selection that follows new hits, stopping a search and
// saving the result as a log.
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "ui/CDScanResult.h"
#include "ui/support/FormFixture.h"
#include "util/FileChecks.h"
#include "util/StringTable.h"

using uitest::Cp;
using uitest::FindById;

class ScanResultTest : public QObject, uitest::FormFixture<CDScanResult> {
  Q_OBJECT

 private:
  void Hit(const std::string& path, int32_t position, const char* name = "Alpha") {
    ctx_->results.AddDetectedFile(path, position, ctx_->store.FindRecord(Cp("ウイルス"), name));
  }
  QString Field(int id) const { return FindById<QLineEdit>(form_.get(), id)->text(); }
  QPushButton* Button(int id) const { return FindById<QPushButton>(form_.get(), id); }
  // Which of 処理, DB情報, ﾛｸﾞ保存, 戻る, 検索中止 are enabled, as "10110".
  QString Buttons() const {
    QString states;
    for (int id : {1016, 1019, 1022, 1, 2}) states += Button(id)->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
    return states;
  }

 private slots:
  void initTestCase() { uitest::StartFormTests(&presenter_); }
  void init() {
    NewHome("");
    NewContext();
    for (const char* name : {"Alpha", "Beta"}) ctx_->store.Add(uitest::Record(name, Cp("ウイルス")));
    NewForm();
    ShowForm();
  }
  void cleanup() { CloseForm(); }

  void ButtonsFollowRunningAndSelectionStopClearsRunning() {
    QCOMPARE(Buttons(), QStringLiteral("00110"));  // before any search
    ctx_->results.ResetResult();
    ctx_->engine.running = true;
    form_->UpdateButtons();
    Hit("/data/a.exe", 0);
    QCOMPARE(Buttons(), QStringLiteral("00001"));
    // 検索中止 and Esc only clear the flag.
    QTest::mouseClick(Button(2), Qt::LeftButton);
    QVERIFY(!ctx_->engine.running);
    ctx_->engine.running = true;
    QTest::keyClick(form_->List(), Qt::Key_Escape);
    QVERIFY(!ctx_->engine.running);
    // Shown for a search, the form has the focus on its list, and keeps it there when
    // the focused 検索中止 is greyed at the end of the search.
    form_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form_.get()));
    form_->setFocus();
    QVERIFY(form_->List()->hasFocus());
    Button(2)->setFocus();
    ctx_->engine.running = false;
    form_->UpdateButtons();
    QVERIFY(form_->List()->hasFocus());
    QCOMPARE(Buttons(), QStringLiteral("11110"));
    ctx_->results.ResetResult();  // a search without hits
    form_->UpdateButtons();
    QCOMPARE(Buttons(), QStringLiteral("00110"));
  }

  void RowsAndCountersShowTheHits() {
    const ProcessResult outcomes[] = {kResultRenamed, kResultMoved, kResultFailed,
                                      kResultRenamed, kResultUnprocessed, kResultFailed};
    int next = 0;
    ctx_->results.SetAutoProcess([&](const std::string&) { return outcomes[next++]; });
    ctx_->results.ResetResult();
    for (int i = 0; i < 5; ++i) ctx_->results.CountSearchedFile();
    Hit("/data/" + Cp("表.exe"), 255);
    Hit("/b.bin", 6699, "Beta");
    Hit("/c/d/e.com", 0);

    // A burst of hits is listed by itself within the refresh interval.
    CListCtrEx* list = form_->List();
    QTRY_COMPARE(list->ItemCount(), 3);
    QVERIFY(uitest::AllColumnsInSight(list));
    const char* expected[3][5] = {{"表.exe", "/data", "Alpha", "ウイルス", "ff"},
                                  {"b.bin", "/", "Beta", "ウイルス", "1a2b"},
                                  {"e.com", "/c/d", "Alpha", "ウイルス", "0"}};
    for (int row = 0; row < 3; ++row) {
      for (int column = 0; column < 5; ++column) QCOMPARE(list->ItemText(row, column), Cp(expected[row][column]));
      QCOMPARE(list->Image(row), 3);
      QCOMPARE(*list->UserData<const DetectedFile*>(row), &(*ctx_->results.Hits())[row]);
    }
    for (int i = 0; i < 3; ++i) Hit("/f/" + std::to_string(i), 0);
    // Searched, hits, unprocessed, renamed, deleted, moved; the fields catch up by themselves.
    const int ids[] = {1001, 1002, 1051, 1006, 1008, 1010};
    const char* counts[] = {"5", "6", "3", "2", "0", "1"};
    for (int i = 0; i < 6; ++i) QTRY_COMPARE(Field(ids[i]), QString::fromLatin1(counts[i]));
    // A burst of searched files is exact once the driver refreshes at the end.
    for (int i = 0; i < 1000; ++i) ctx_->results.CountSearchedFile();
    form_->UpdateButtons();
    QCOMPARE(Field(1001), QStringLiteral("1005"));
  }

  // A list that moved its selection for every hit would slow a search with many hits more
  // and more (each move lays out every row): a burst is listed and followed in one go.
  void BurstOfHitsIsListedTogether() {
    ctx_->results.ResetResult();
    ctx_->engine.running = true;
    CListCtrEx* list = form_->List();
    int moves = 0;
    connect(list, &CListCtrEx::SelectionChanged, this, [&moves] { ++moves; });
    for (int i = 0; i < 1000; ++i) Hit("/burst/" + std::to_string(i) + ".exe", 0);
    QTRY_COMPARE(list->ItemCount(), 1000);
    QCOMPARE(list->SelectedRow(), 999);
    QCOMPARE(Field(1002), QStringLiteral("1000"));
    QVERIFY2(moves <= 10, qPrintable(QString::number(moves)));
    ctx_->engine.running = false;
  }

  void ClickInListStopsFollowingUntilNextSearch() {
    ctx_->results.ResetResult();
    Hit("/a/1.exe", 0);
    Hit("/a/2.exe", 0);
    CListCtrEx* list = form_->List();
    QTRY_COMPARE(list->ItemCount(), 2);
    QCOMPARE(list->SelectedRow(), 1);
    uitest::ClickInView(list, list->RowRect(0).center());
    Hit("/a/3.exe", 0);
    QTRY_COMPARE(list->ItemCount(), 3);
    QCOMPARE(list->SelectedRow(), 0);
    QCOMPARE(form_->SelectedHit()->FileName(), std::string("1.exe"));

    ctx_->results.ResetResult();
    QCOMPARE(list->ItemCount(), 0);
    Hit("/a/4.exe", 0);
    Hit("/a/5.exe", 0);
    form_->UpdateButtons();  // as the driver does at the end of a search
    QCOMPARE(list->ItemCount(), 2);
    QCOMPARE(list->SelectedRow(), 1);
  }

  void SaveLogAsAsksAgainForTakenNamesAndWritesLog() {
    const std::string logs = home_->MakeDir("logs");
    ctx_->logManager.SetLogFolder(logs);
    ctx_->results.ResetResult();
    Hit("/data/a.exe", 16);

    DialogHooks::QueueSaveFileName("");  // cancel writes nothing
    QTest::mouseClick(Button(1022), Qt::LeftButton);
    const std::string proposed = ProposedLogName(logs, ctx_->engine.StartTime());
    QCOMPARE(DialogHooks::SaveRequests().at(0).initial, proposed);
    QVERIFY(!PathExists(proposed));

    // result.txt exists: message 143, then the dialog again on that name.
    const std::string taken = home_->Write("logs/result.txt", "x");
    DialogHooks::QueueSaveFileName(taken);
    DialogHooks::QueueAnswer(kIdOk);
    DialogHooks::QueueSaveFileName(logs + "/saved.txt");
    QVERIFY(form_->SaveLogAs());
    QCOMPARE(DialogHooks::Messages().size(), size_t(1));
    const DialogHooks::Message& message = DialogHooks::Messages()[0];
    QVERIFY(message.text == LoadString(kStrFileExists) && message.beep && message.icon == MessageIcon::Information);
    QCOMPARE(DialogHooks::SaveRequests().at(2).initial, taken);
    QVERIFY(!PathExists(logs + "/result.log"));
    const std::string log = home_->Read("logs/saved.log");
    QVERIFY(log.rfind(Cp("検索開始時間\t検索終了時間\tファイルタイプ\t"), 0) == 0);
    QVERIFY(log.find("a.exe\t/data\tAlpha\t") != std::string::npos);
  }
};

QTEST_MAIN(ScanResultTest)
#include "ScanResult_test.moc"
