// The search settings form over the search settings of the application context: the
// category checks from and back to the settings file and into the store, the processing
// mode and what it enables, the rule and move folder following every edit, and automatic
// processing of real files with what the form shows.
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <memory>

#include "ui/CDScanOption.h"
#include "ui/support/FormFixture.h"
#include "util/FileChecks.h"
#include "util/StringTable.h"

using uitest::Cp;

class ScanOptionTest : public QObject, uitest::FormFixture<CDScanOption> {
  Q_OBJECT

 private:
  // Destroys the form (it writes its settings) and builds a fresh one from the file.
  void Open() {
    Reopen();
    ShowForm();
  }
  void TypeRule(const char* rule) {
    QLineEdit* edit = Control<QComboBox>(CDScanOption::kIdRule)->lineEdit();
    edit->clear();
    QTest::keyClicks(edit, rule);
  }

 private slots:
  void initTestCase() { uitest::StartFormTests(&presenter_); }
  void init() {
    NewHome(Cp("[DB]\r\nC0=ウイルス\r\nC1=ワーム\r\nC2=トロイ\r\nCS1=0\r\n"));
    Open();
  }
  void cleanup() { CloseForm(); }

  void ChecksReachTheStoreAndTheSettingsFile() {
    CListCtrEx* list = form_->List();
    QCOMPARE(list->ItemCount(), 3);
    QVERIFY(list->ItemText(2, 0) == Cp("トロイ") && list->Image(2) == 4);
    QVERIFY(list->Check(0) == 1 && list->Check(1) == 0);
    uitest::ClickInView(list, list->CheckRect(0).center());
    for (const char* category : {"ウイルス", "ワーム", "トロイ"})
      ctx_->store.Add(uitest::Record("x", Cp(category)));
    ctx_->scanOptions.ApplyCategoryChecks(ctx_->store);
    QVERIFY(!ctx_->store.FindCategory(Cp("ウイルス"))->SearchFlag());
    QVERIFY(!ctx_->store.FindCategory(Cp("ワーム"))->SearchFlag());
    QVERIFY(ctx_->store.FindCategory(Cp("トロイ"))->SearchFlag());

    Open();
    for (int i = 0; i < 3; ++i) QCOMPARE(SettingsFile().GetSettingInt("DB", "CS" + std::to_string(i), -1), i / 2);
    QVERIFY(form_->List()->Check(0) == 0 && form_->List()->Check(2) == 1);
  }

  void ModeEnablesRuleOrMoveFolder() {
    QVERIFY(Control<QRadioButton>(CDScanOption::kIdModeLeave)->isChecked());
    const struct {
      int id, mode;
      bool rule, move;
    } cases[] = {{CDScanOption::kIdModeRename, kModeRename, true, false},
                 {CDScanOption::kIdModeMove, kModeMove, false, true},
                 {CDScanOption::kIdModeDelete, kModeDelete, false, false},
                 {CDScanOption::kIdModeLeave, kModeLeave, false, false}};
    for (const auto& c : cases) {
      ClickRadio(c.id);
      QCOMPARE(ctx_->scanOptions.Mode(), c.mode);
      QCOMPARE(Control(CDScanOption::kIdRule)->isEnabled(), c.rule);
      QCOMPARE(Control(CDScanOption::kIdMoveFolder)->isEnabled(), c.move);
    }
  }

  void RuleAndMoveFolderFollowEveryEdit() {
    ClickRadio(CDScanOption::kIdModeRename);
    auto* rule = Control<QComboBox>(CDScanOption::kIdRule);
    rule->setCurrentIndex(1);
    QCOMPARE(ctx_->scanOptions.Rule(), std::string("_*.*_"));
    TypeRule("*.*.INV");
    QCOMPARE(ctx_->scanOptions.Rule(), std::string("*.*.INV"));

    ClickRadio(CDScanOption::kIdModeMove);
    auto* folder = Control<QLineEdit>(CDScanOption::kIdMoveFolder);
    uitest::TypeText(folder, QString::fromUtf8("/隔離"));
    QCOMPARE(ctx_->scanOptions.MoveFolder(), Cp("/隔離"));
    // 参照: a chosen folder replaces it, a cancelled chooser keeps it.
    DialogHooks::QueueFolder("/quarantine");
    DialogHooks::QueueFolder("");
    QTest::mouseClick(Control(CDScanOption::kIdBrowse), Qt::LeftButton);
    QTest::mouseClick(Control(CDScanOption::kIdBrowse), Qt::LeftButton);
    QCOMPARE(DialogHooks::FolderRequests().at(0).title, LoadString(kStrMoveFolderTitle));
    QCOMPARE(DialogHooks::FolderRequests().at(0).initial, Cp("/隔離"));
    QCOMPARE(folder->text(), QStringLiteral("/quarantine"));

    Open();
    QCOMPARE(ctx_->scanOptions.Mode(), kModeMove);
    QCOMPARE(ctx_->scanOptions.MoveFolder(), std::string("/quarantine"));
    QCOMPARE(Control<QComboBox>(CDScanOption::kIdRule)->currentText(), QStringLiteral("*.*.INV"));
  }

  void HitsAreProcessedAsTheFormShows() {
    const std::string report = home_->Write("data/report.doc", "x");
    const std::string other = home_->Write("data/other.doc", "y");
    home_->Write("data/other.doc.INV", "taken");
    ClickRadio(CDScanOption::kIdModeRename);
    TypeRule("*.*.INV");
    ctx_->results.ResetResult();
    auto signature = std::make_shared<InvalFileInfo>();
    ctx_->results.AddDetectedFile(report, 0, signature);
    ctx_->results.AddDetectedFile(other, 0, signature);
    QVERIFY(!PathExists(report) && PathExists(report + ".INV"));
    QCOMPARE(home_->Read("data/other.doc.INV"), std::string("taken"));

    ClickRadio(CDScanOption::kIdModeMove);
    const std::string quarantine = home_->MakeDir("quarantine");
    uitest::TypeText(Control(CDScanOption::kIdMoveFolder), QString::fromStdString(quarantine));
    ctx_->results.AddDetectedFile(other, 0, signature);
    const DetectedFileList& hits = *ctx_->results.Hits();
    QVERIFY(hits[0].Result() == kResultRenamed && hits[1].Result() == kResultFailed);
    QCOMPARE(hits[2].Result(), kResultMoved);
    QVERIFY(PathExists(quarantine + "/other.doc"));
  }
};

QTEST_MAIN(ScanOptionTest)
#include "ScanOption_test.moc"
