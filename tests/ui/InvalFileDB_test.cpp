// The database editor form over the store of the application context: its modes and what
// each enables, adding and modifying with their messages (and input kept on a failure),
// where a new record is listed, which row a deletion selects, and search registration
// from a folder without touching the search result.
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <functional>
#include <memory>

#include "engine/SearchHost.h"
#include "result/SignatureCheckFile.h"
#include "support/TestRecords.h"
#include "ui/CDInvalFileDB.h"
#include "ui/support/FormFixture.h"
#include "util/StringTable.h"

using uitest::Cp;
using Mode = CDInvalFileDB::Mode;

namespace {

// Records status texts; can stop the run at its first look at the event queue, as Esc does.
class HostFake : public SearchHost {
 public:
  explicit HostFake(CScanEngine& engine) : engine_(engine) {}
  void SetStatusText(const std::string& text) override { last = text; }
  void PumpEvents() override {
    if (onPump) onPump();
    if (stop) engine_.running = false;
  }
  std::string last;
  bool stop = false;
  std::function<void()> onPump;

 private:
  CScanEngine& engine_;
};

const char kIni[] = "[General]\r\nAutoEntry=1\r\n[DB]\r\nC0=ウイルス\r\nC1=ワーム\r\nRISK0=高\r\nRISK1=低\r\n";

}  // namespace

class InvalFileDBTest : public QObject, uitest::FormFixture<CDInvalFileDB> {
  Q_OBJECT

 private:
  std::unique_ptr<HostFake> host_;

  void Open() {
    NewForm();
    ShowForm(QSize(640, 520));
  }
  void AddToStore(const char* name, const char* category, const char* risk) {
    QVERIFY(ctx_->store.Add(uitest::Record(Cp(name), Cp(category), Cp(risk), OleDate{37000.5, 0})));
  }
  void Type(int id, const char* utf8) const {
    uitest::Retype(Control<QLineEdit>(id), QString::fromUtf8(utf8));
  }
  std::string SelectedName() const { return form_->SelectedRecord() ? form_->SelectedRecord()->Name() : "-"; }
  // Enabled (and, for a line field, editable) states: the six fields, search text, 追加 修正 削除 ｷｬﾝｾﾙ, list.
  QString Enabled() const {
    QString states;
    for (int id : {1029, 1028, 1034, 1036, 1030, 1032, 1031, 1018, 1039, 1052, 2, 1007}) {
      const auto* edit = qobject_cast<const QLineEdit*>(Control(id));
      const bool editable = Control(id)->isEnabled() && (edit == nullptr || !edit->isReadOnly());
      states += editable ? QLatin1Char('1') : QLatin1Char('0');
    }
    return states;
  }
  std::string LastMessage() const { return DialogHooks::Messages().empty() ? "" : DialogHooks::Messages().back().text; }

 private slots:
  void initTestCase() { uitest::StartFormTests(&presenter_); }
  void init() {
    NewHome(Cp(kIni));
    NewContext();
    host_ = std::make_unique<HostFake>(ctx_->engine);
    ctx_->engine.SetHost(host_.get());
    AddToStore("b", "ウイルス", "高");
    AddToStore("d", "ウイルス", "低");
    AddToStore("a", "ワーム", "");
    Open();
  }
  void cleanup() { CloseForm(); }

  void ModesEnableTheirControls() {
    QCOMPARE(FirstColumn(), (std::vector<std::string>{"b", "d", "a"}));
    QVERIFY(form_->List()->ItemText(0, 1) == Cp("ウイルス") && SelectedName() == "b");
    QCOMPARE(Enabled(), QStringLiteral("000000011101"));
    QVERIFY(uitest::AllColumnsInSight(form_->List(), true));
    // The whole digest is in sight and can be selected, though not edited.
    auto* search = Control<QLineEdit>(CDInvalFileDB::kIdSearchText);
    QVERIFY(search->isEnabled() && search->isReadOnly());
    QVERIFY(search->fontMetrics().horizontalAdvance(search->text()) < search->width() - 8);

    Click(CDInvalFileDB::kIdAdd);
    QCOMPARE(form_->CurrentMode(), Mode::Add);
    QCOMPARE(Enabled(), QStringLiteral("111111110011"));
    QVERIFY(Control(CDInvalFileDB::kIdName)->hasFocus() && Control<QLineEdit>(CDInvalFileDB::kIdName)->text().isEmpty());
    QVERIFY(Control<QComboBox>(CDInvalFileDB::kIdCategory)->currentIndex() == 0 &&
            Control<QComboBox>(CDInvalFileDB::kIdRisk)->currentIndex() == 0);
    QCOMPARE(Control<QDateTimeEdit>(CDInvalFileDB::kIdDate)->date(), QDate::currentDate());
    QTest::keyClicks(Control(CDInvalFileDB::kIdSearchText), "00ff");
    QCOMPARE(Control<QLineEdit>(CDInvalFileDB::kIdSearchText)->text(), QStringLiteral("00FF"));
    // Enter in a field of a record being typed keeps the mode and the input.
    QTest::keyClick(Control(CDInvalFileDB::kIdSearchText), Qt::Key_Return);
    QCOMPARE(form_->CurrentMode(), Mode::Add);
    QCOMPARE(Control<QLineEdit>(CDInvalFileDB::kIdSearchText)->text(), QStringLiteral("00FF"));

    // ｷｬﾝｾﾙ drops the input and shows the selected record again.
    Click(CDInvalFileDB::kIdCancel);
    QCOMPARE(form_->CurrentMode(), Mode::Browse);
    QCOMPARE(Control<QLineEdit>(CDInvalFileDB::kIdSearchText)->text(), QStringLiteral("00112233445566778899aabbccddeeff"));

    // The record "a" has no risk level among the settings' names: nothing is selected.
    QTest::mouseClick(form_->List()->viewport(), Qt::LeftButton, Qt::NoModifier, form_->List()->RowRect(2).center());
    QCOMPARE(Control<QComboBox>(CDInvalFileDB::kIdRisk)->currentIndex(), -1);
    Click(CDInvalFileDB::kIdModify);
    QCOMPARE(form_->CurrentMode(), Mode::Modify);
    QCOMPARE(Enabled(), QStringLiteral("111111001010"));
    Type(CDInvalFileDB::kIdName, "z");
    QTest::keyClick(Control(CDInvalFileDB::kIdName), Qt::Key_Enter);
    QVERIFY(form_->CurrentMode() == Mode::Modify && Control<QLineEdit>(CDInvalFileDB::kIdName)->text() == "z");
    QTest::keyClick(form_.get(), Qt::Key_Escape);
    QCOMPARE(form_->CurrentMode(), Mode::Browse);
  }

  void AddReportsWhatIsWrongAndKeepsTheInput() {
    Click(CDInvalFileDB::kIdAdd);
    Click(CDInvalFileDB::kIdAdd);
    QVERIFY(LastMessage() == LoadString(kStrNameMissing) && form_->CurrentMode() == Mode::Add);

    Type(CDInvalFileDB::kIdName, "a0");
    QTest::keyClicks(Control(CDInvalFileDB::kIdSearchText), "abc");
    Type(CDInvalFileDB::kIdAuthor, "山田");
    Click(CDInvalFileDB::kIdAdd);
    QVERIFY(DialogHooks::Messages().size() == 2 && LastMessage().find(Cp("HEX")) != std::string::npos);
    QVERIFY(form_->CurrentMode() == Mode::Add && ctx_->store.RecordCount() == 3);
    QCOMPARE(Control<QLineEdit>(CDInvalFileDB::kIdAuthor)->text(), QString::fromUtf8("山田"));

    // Fixed, it is added and listed last until the list is filled again.
    QTest::keyClicks(Control(CDInvalFileDB::kIdSearchText), "d");
    Click(CDInvalFileDB::kIdAdd);
    QCOMPARE(FirstColumn(), (std::vector<std::string>{"b", "d", "a", "a0"}));
    QVERIFY(form_->List()->SelectedRow() == 3 && form_->CurrentMode() == Mode::Browse);
    const auto added = ctx_->store.FindRecord(Cp("ウイルス"), "a0");
    QVERIFY(added && added->GetSearchText() == "abcd" && added->Author() == Cp("山田"));

    // A name taken in the category: message 134, add mode and the input kept.
    Click(CDInvalFileDB::kIdAdd);
    Type(CDInvalFileDB::kIdName, "b");
    Control(CDInvalFileDB::kIdSummary)->setFocus();
    uitest::TypeText(Control(CDInvalFileDB::kIdSummary), QStringLiteral("one\ntwo"));
    Click(CDInvalFileDB::kIdAdd);
    QVERIFY(LastMessage() == LoadString(kStrNameDuplicate) && form_->CurrentMode() == Mode::Add);
    QCOMPARE(Control<QLineEdit>(CDInvalFileDB::kIdName)->text(), QStringLiteral("b"));
    // Moved to the other category, it goes in with the summary's lines in CR LF.
    Control<QComboBox>(CDInvalFileDB::kIdCategory)->setCurrentIndex(1);
    Click(CDInvalFileDB::kIdAdd);
    QCOMPARE(ctx_->store.FindRecord(Cp("ワーム"), "b")->Summary(), std::string("one\r\ntwo"));

    Open();
    QCOMPARE(FirstColumn(), (std::vector<std::string>{"a0", "b", "d", "a", "b"}));
  }

  void ModifyKeepsItsModeOnADuplicateAndLeavesItOnAnEmptyName() {
    Click(CDInvalFileDB::kIdModify);
    Type(CDInvalFileDB::kIdName, "d");
    Click(CDInvalFileDB::kIdModify);
    QVERIFY(LastMessage() == LoadString(kStrNameDuplicate) && form_->CurrentMode() == Mode::Modify);

    Control<QLineEdit>(CDInvalFileDB::kIdName)->clear();
    Click(CDInvalFileDB::kIdModify);
    QVERIFY(LastMessage() == LoadString(kStrNameMissing) && form_->CurrentMode() == Mode::Browse);
    QVERIFY(Control<QLineEdit>(CDInvalFileDB::kIdName)->text().isEmpty());

    // A new name: listed in order and selected; the date left alone keeps its value.
    Click(CDInvalFileDB::kIdModify);
    Type(CDInvalFileDB::kIdName, "z");
    Click(CDInvalFileDB::kIdModify);
    QVERIFY(FirstColumn() == (std::vector<std::string>{"d", "z", "a"}) && SelectedName() == "z");
    QCOMPARE(ctx_->store.FindRecord(Cp("ウイルス"), "z")->CreatedDate(), (OleDate{37000.5, 0}));

    // A category the settings do not name is not selected; modifying stores it empty.
    auto registered = std::make_shared<InvalFileInfo>();
    registered->SetFromText("r", "samples", "", OleDate{}, "", "00", "");
    ctx_->store.Add(registered);
    form_->FillList(registered.get());
    QCOMPARE(Control<QComboBox>(CDInvalFileDB::kIdCategory)->currentIndex(), -1);
    Click(CDInvalFileDB::kIdModify);
    Click(CDInvalFileDB::kIdModify);
    QVERIFY(ctx_->store.FindRecord("", "r") != nullptr && ctx_->store.FindRecord("samples", "r") == nullptr);
    QCOMPARE(SelectedName(), std::string("r"));
  }

  // A refill after a modification lists the store again: a row added last moves to its
  // place, and a record modified in place shows its new texts.
  void ModifyListsTheStoreAgain() {
    Click(CDInvalFileDB::kIdAdd);
    Type(CDInvalFileDB::kIdName, "c");
    QTest::keyClicks(Control(CDInvalFileDB::kIdSearchText), "0c");
    Click(CDInvalFileDB::kIdAdd);
    QCOMPARE(FirstColumn(), (std::vector<std::string>{"b", "d", "a", "c"}));
    QTest::mouseClick(form_->List()->viewport(), Qt::LeftButton, Qt::NoModifier, form_->List()->RowRect(0).center());
    Click(CDInvalFileDB::kIdModify);
    Control<QComboBox>(CDInvalFileDB::kIdRisk)->setCurrentIndex(1);
    Click(CDInvalFileDB::kIdModify);
    QCOMPARE(FirstColumn(), (std::vector<std::string>{"b", "c", "d", "a"}));
    QVERIFY(form_->List()->ItemText(0, 2) == Cp("低") && form_->List()->ItemText(1, 2) == Cp("高"));
    QCOMPARE(SelectedName(), std::string("b"));
  }

  void DeleteSelectsTheRowThatTakesItsPlace() {
    const auto kept = form_->SelectedRecord();
    const struct {
      int select;
      std::vector<std::string> names;
      int selected;
    } steps[] = {
        {2, {"b", "d"}, 1},  // the last row: the new last row
        {0, {"d"}, 0},       // the same index
        {0, {}, -1},         // the only row: none
    };
    for (const auto& step : steps) {
      form_->List()->SelectRow(step.select);
      Click(CDInvalFileDB::kIdDelete);
      QCOMPARE(FirstColumn(), step.names);
      QCOMPARE(form_->List()->SelectedRow(), step.selected);
    }
    QVERIFY(form_->SelectedRecord() == nullptr && ctx_->store.RecordCount() == 0);
    QVERIFY(!Control(CDInvalFileDB::kIdModify)->isEnabled() && !Control(CDInvalFileDB::kIdDelete)->isEnabled());
    QCOMPARE(kept->Name(), std::string("b"));  // whoever still holds a record can read it
  }

  void RegistrationAddsEachFileOnceAndLeavesTheResultAlone() {
    home_->Write("samples/a/x.bin", "first");
    home_->Write("samples/b/x.bin", "second");
    home_->Write("samples/b/empty.bin", "");
    const std::string folder = home_->folder() + "samples";
    DialogHooks::QueueFolder(folder);
    DialogHooks::QueueFolder(folder);
    DialogHooks::QueueFolder("");
    // Nothing can be pressed while the store is being filled.
    int pressable = 0;
    host_->onPump = [&] {
      pressable += Enabled() != QStringLiteral("000000000000") || Control(CDInvalFileDB::kIdRegister)->isEnabled();
    };
    // The first run's samples are shorter than the block: the result says so, briefly.
    const std::string finished[3] = {LoadString(kStrRegisterFinished) + Cp("（誤検出のおそれ 2件：x.bin、x.bin）"),
                                     LoadString(kStrRegisterFinished), std::string()};
    for (int run = 0; run < 3; ++run) {
      Click(CDInvalFileDB::kIdRegister);
      QCOMPARE(ctx_->store.RecordCount(), 5);
      QCOMPARE(host_->last, finished[run]);
      host_->last.clear();
    }
    QCOMPARE(DialogHooks::FolderRequests().at(0).title, LoadString(kStrRegisterFolderTitle));
    QVERIFY(ctx_->store.FindRecord("a", "x.bin") && ctx_->store.FindRecord("b", "x.bin"));
    QCOMPARE(FirstColumn(), (std::vector<std::string>{"x.bin", "x.bin", "b", "d", "a"}));
    QCOMPARE(form_->List()->SelectedRow(), 0);
    QVERIFY(ctx_->results.Counts().searched == 0 && ctx_->engine.Sink() == &ctx_->results);
    QVERIFY(pressable == 0 && Control(CDInvalFileDB::kIdAdd)->isEnabled() && Control(CDInvalFileDB::kIdRegister)->isEnabled());
    host_->onPump = nullptr;

    // Stopped (Esc) at once: nothing more, and the stop is reported.
    home_->Write("samples/c/y.bin", "third");
    host_->stop = true;
    DialogHooks::QueueFolder(folder);
    Click(CDInvalFileDB::kIdRegister);
    QCOMPARE(host_->last, LoadString(kStrRegisterStopped));
    QCOMPARE(ctx_->store.RecordCount(), 5);
  }

  void RegistrationButtonOnlyWhenTheSettingsAskForIt() {
    QVERIFY(Control(CDInvalFileDB::kIdRegister)->isVisible());
    for (const char* value : {"0", "2", ""}) {
      SettingsFile().PutSettingText("General", "AutoEntry", value);
      Open();
      QVERIFY(!Control(CDInvalFileDB::kIdRegister)->isVisible());
    }
  }

  // The result of vorlet-scan --check-signatures marks the records it found, once the form
  // is shown again; a record gone since simply has no row to mark.
  void CheckResultMarksTheRecordsThatMatched() {
    auto marks = [&] {
      std::vector<std::string> texts;
      for (int row = 0; row < form_->List()->ItemCount(); ++row) texts.push_back(form_->List()->ItemText(row, 3));
      return texts;
    };
    QVERIFY(form_->List()->isColumnHidden(CDInvalFileDB::kMarkColumn) && !form_->CheckLine()->isVisible());
    QCOMPARE(marks(), (std::vector<std::string>{"", "", ""}));

    SignatureCheckFile check;
    check.checked = "2026-12-08 07:30:12";
    check.folders = {"/usr"};
    check.stamp = SignatureCheckFile::SignatureStamp(ctx_->store);
    check.entries = {{1371, kSampleFingerprintHex, Cp("ウイルス"), "d"}, {4, kSampleFingerprintHex, "Gone", "x"}};
    QVERIFY(check.Write(home_->folder() + "Vorlet.dat.check"));
    form_->hide();
    form_->show();
    QCOMPARE(marks(), (std::vector<std::string>{"", "1371", ""}));
    QCOMPARE(form_->List()->ShownText(1, CDInvalFileDB::kMarkColumn), QStringLiteral("1371"));
    QVERIFY(uitest::AllColumnsInSight(form_->List(), true));
    QVERIFY(form_->CheckLine()->isVisible());
    QCOMPARE(form_->CheckLine()->text(), QString::fromUtf8("誤検出照合 2026-12-08 07:30  /usr"));
    QCOMPARE(SelectedName(), std::string("b"));

    // Changed since the check: the line says so.
    form_->DeleteRecord();
    QVERIFY(form_->CheckLine()->text().contains(QString::fromUtf8("以後変更あり")));
  }
};

QTEST_MAIN(InvalFileDBTest)
#include "InvalFileDB_test.moc"
