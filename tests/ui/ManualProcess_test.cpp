// Processing a hit by hand from the result form (処理...) and looking at its signature
// (DB情報...): the dialogs are driven through their controls, message boxes and the save
// dialog are answered through DialogHooks. Manual processing must leave the hit, its row and
// the counters as they were.
#include <QApplication>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "log/JournalFormat.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "ui/CDScanResult.h"
#include "ui/QtText.h"
#include "ui/support/FormFixture.h"
#include "util/FileChecks.h"
#include "util/StringTable.h"

using uitest::Cp;
using uitest::FindById;

namespace {

// Acts on the next modal dialog as soon as it shows; act must close it.
void OnNextModal(std::function<void(QWidget*)> act) {
  auto* poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, [poll, act] {
    QWidget* dialog = QApplication::activeModalWidget();
    if (dialog == nullptr || !dialog->isVisible()) return;
    poll->stop();
    poll->deleteLater();
    act(dialog);
  });
  poll->start(5);
}

void Press(QWidget* dialog, int id) { QTest::mouseClick(FindById<QPushButton>(dialog, id), Qt::LeftButton); }

}  // namespace

class ManualProcessTest : public QObject, uitest::FormFixture<CDScanResult> {
  Q_OBJECT

 private:
  std::shared_ptr<InvalFileInfo> record_;

  // A fresh search with one hit on path, selected, left in place.
  void HitOn(const std::string& path) {
    ctx_->results.ResetResult();
    ctx_->results.AddDetectedFile(path, 16, record_);
    form_->UpdateButtons();  // as the driver does when the search ends
  }
  // 処理..., then the button id of the dialog.
  void ProcessBy(int id) {
    OnNextModal([id](QWidget* dialog) { Press(dialog, id); });
    QTest::mouseClick(FindById<QPushButton>(form_.get(), 1016), Qt::LeftButton);
  }
  // The counters, hit 0's row and its recorded result.
  std::string Snapshot() const {
    const ScanCounts& c = ctx_->results.Counts();
    std::string text;
    for (int32_t n : {c.searched, c.invalid, c.unprocessed, c.moved, c.renamed, c.deleted}) text += char('0' + n);
    for (int column = 0; column < 5; ++column) text += '|' + form_->List()->ItemText(0, column);
    return text + char('0' + (*ctx_->results.Hits())[0].Result());
  }
  bool Shown(size_t index, int stringId, bool beep) const {
    const auto& messages = DialogHooks::Messages();
    return index < messages.size() && messages[index].text == LoadString(stringId) &&
           messages[index].icon == MessageIcon::Information && messages[index].beep == beep;
  }
  // The detail dialog's fields, shown by DB情報...; all of them must be disabled.
  QStringList DetailFields() {
    QStringList values;
    OnNextModal([&values](QWidget* dialog) {
      values << dialog->objectName() << dialog->windowTitle();
      for (int id : {1049, 1050, 1029, 1030, 1031}) values << FindById<QLineEdit>(dialog, id)->text();
      for (int id : {1028, 1034}) values << FindById<QComboBox>(dialog, id)->currentText();
      values << QString::number(FindById<QComboBox>(dialog, 1028)->count());
      values << FindById<QDateTimeEdit>(dialog, 1036)->text().trimmed();
      values << FindById<QPlainTextEdit>(dialog, 1032)->toPlainText();
      for (int id : {1049, 1050, 1029, 1028, 1034, 1036, 1030, 1031, 1032}) {
        if (FindById(dialog, id)->isEnabled()) values << QStringLiteral("enabled: %1").arg(id);
      }
      Press(dialog, 1);
    });
    QTest::mouseClick(FindById<QPushButton>(form_.get(), 1019), Qt::LeftButton);
    return values;
  }

 private slots:
  void initTestCase() { uitest::StartFormTests(&presenter_); }
  void init() {
    // A name repeated in a list is skipped and reading goes on.
    NewHome(Cp("[DB]\r\nC0=ウイルス\r\nC1=ウイルス\r\nC2=Worm\r\nRISK0=低\r\nRISK1=高\r\n"));
    NewContext();
    OleDate created;
    platform::LocalToOleDate({2003, 3, 10, 9, 5, 7}, &created.days);
    record_ = uitest::Record("Alpha", "WORM", Cp("高"), created, Cp("山田"), Cp("一行目\r\n二行目"));
    ctx_->store.Add(record_);
    NewForm();
    ShowForm(QSize());
  }
  void cleanup() {
    CloseForm();
    record_.reset();
  }

  void DeleteAsksFirstAndFailsLoudlyOnAMissingFile() {
    const std::string path = home_->Write("data/hit.exe", "x");
    HitOn(path);
    const std::string before = Snapshot();

    QStringList texts;
    OnNextModal([&texts](QWidget* dialog) {
      texts << dialog->objectName() << dialog->windowTitle();
      for (int id : {1057, 1058, 1059, 2}) texts << FindById<QPushButton>(dialog, id)->text();
      Press(dialog, 2);
    });
    QVERIFY(!form_->ProcessSelected());
    QCOMPARE(texts.join('/'), QString::fromUtf8("147/不正ﾌｧｲﾙ処理/削除.../ﾘﾈｰﾑ.../移動.../キャンセル"));

    DialogHooks::QueueAnswer(kIdNo);
    ProcessBy(1057);
    QVERIFY(Shown(0, kStrConfirmDelete, false) && DialogHooks::Messages()[0].buttons == MessageButtons::YesNo);
    QVERIFY(PathExists(path));
    DialogHooks::QueueAnswer(kIdYes);
    ProcessBy(1057);
    QVERIFY(!PathExists(path));
    // The hit still names the file that is gone now.
    DialogHooks::QueueAnswer(kIdYes);
    DialogHooks::QueueAnswer(kIdOk);
    ProcessBy(1057);
    QVERIFY(Shown(3, kStrProcessFailed, true));
    QCOMPARE(DialogHooks::Messages().size(), size_t(4));
    QCOMPARE(Snapshot(), before);
  }

  void RenameAsksAgainForTakenNameThenMoveGoesAnywhere() {
    const std::string path = home_->Write("data/hit.exe", "payload");
    HitOn(path);
    const std::string before = Snapshot();
    DialogHooks::QueueSaveFileName(path);  // its own name is taken
    DialogHooks::QueueAnswer(kIdOk);
    DialogHooks::QueueSaveFileName(home_->path() + "/data/renamed.exe");
    ProcessBy(1058);
    QVERIFY(Shown(0, kStrFileExists, true));
    QCOMPARE(DialogHooks::SaveRequests().size(), size_t(2));
    QCOMPARE(DialogHooks::SaveRequests()[1].initial, path);
    QCOMPARE(home_->Read("data/renamed.exe"), std::string("payload"));
    QCOMPARE(Snapshot(), before);

    HitOn(home_->path() + "/data/renamed.exe");
    const std::string target = home_->MakeDir("elsewhere") + "/" + Cp("移動.exe");
    DialogHooks::QueueSaveFileName(target);
    ProcessBy(1059);
    std::string moved;
    QVERIFY(platform::ReadWholeFile(target, &moved) && moved == "payload");
    QVERIFY(!PathExists(home_->path() + "/data/renamed.exe"));
    QCOMPARE(form_->List()->ItemText(0, 1), home_->path() + "/data");
    QCOMPARE(DialogHooks::Messages().size(), size_t(1));

    // Both are in the journal, beside the data file without an automatic log, oldest first.
    std::string journal;
    ParsedJournal parsed;
    QVERIFY(ctx_->journal.Path().starts_with(home_->path() + "/journal-"));
    QVERIFY(platform::ReadWholeFile(ctx_->journal.Path(), &journal) && ParseJournal(journal, &parsed));
    QCOMPARE(parsed.entries.size(), size_t(2));
    QVERIFY(parsed.entries[0].kind == JournalEntry::Kind::Rename && parsed.entries[0].oldPath == path);
    QCOMPARE(parsed.entries[1].newPath, target);
  }

  void DetailDialogShowsTheRecordReadOnlyAfterItLeftTheStore() {
    HitOn(home_->path() + "/data/" + Cp("表.exe"));
    QVERIFY(ctx_->store.Remove(*record_));
    record_.reset();
    // "WORM" finds "Worm" whatever the case of its letters.
    QCOMPARE(DetailFields().join('/'),
             QString::fromUtf8("107/不正ﾌｧｲﾙ情報/表.exe/") + ToQt(home_->path()) +
                 QString::fromUtf8("/data/Alpha/山田/00112233445566778899aabbccddeeff/Worm/高/2/2003/03/10/"
                                   "一行目\n二行目"));

    // Neither list knows the values and the date is not valid: all blank; a search string
    // beyond the editor's limit is shown whole, and OK still closes.
    record_ = std::make_shared<InvalFileInfo>();
    record_->SetFromText("Long", Cp("トロイ"), Cp("中"), OleDate{0.0, 1}, "", std::string(600, 'a'), "");
    HitOn("/x/long.exe");
    QCOMPARE(DetailFields().join('/'), QStringLiteral("107/") + QString::fromUtf8("不正ﾌｧｲﾙ情報") +
                                           QStringLiteral("/long.exe//x/Long//") + QString(600, 'a') +
                                           QStringLiteral("///2//"));
    QVERIFY(QApplication::activeModalWidget() == nullptr);
  }
};

QTEST_MAIN(ManualProcessTest)
#include "ManualProcess_test.moc"
