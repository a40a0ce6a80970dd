// The search target form on its own: first-run state, targets added through the folder
// chooser and deleted by the selection rules, file types made lower case and kept in the
// history, the "ScanDlg" keys read and written, and the disk-error question at exit.
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "settings/AppFiles.h"
#include "support/TempDir.h"
#include "ui/AppContext.h"
#include "ui/CDScanTarget.h"
#include "ui/CListCtrEx.h"
#include "ui/DialogHooks.h"
#include "ui/QtMessagePresenter.h"
#include "ui/QtText.h"
#include "ui/support/UiTestSupport.h"
#include "util/StringTable.h"

using uitest::Cp;
using uitest::FindById;

class ScanTargetTest : public QObject {
  Q_OBJECT

 private:
  // A program folder with the given settings file, its context and the form.
  struct Fixture {
    explicit Fixture(const std::string& ini = std::string()) {
      if (!ini.empty()) dir.Write("Vorlet.ini", ini);
      BindSettingsFile(dir.path());
      ctx = std::make_unique<AppContext>(dir.folder());
      form = std::make_unique<CDScanTarget>(*ctx);
      form->show();
    }
    QPushButton* Button(int id) const { return FindById<QPushButton>(form.get(), id); }
    QComboBox* FileType() const { return FindById<QComboBox>(form.get(), CDScanTarget::kIdFileType); }
    void Add(const std::string& folder) {
      DialogHooks::QueueFolder(folder);
      QTest::mouseClick(Button(CDScanTarget::kIdAdd), Qt::LeftButton);
    }
    void Search() {
      QVERIFY(Button(CDScanTarget::kIdSearchAll)->isEnabled());
      QTest::mouseClick(Button(CDScanTarget::kIdSearchAll), Qt::LeftButton);
      QVERIFY(ctx->engine.running);
      // No idle time runs the search here; disarm it as the end of a search would.
      ctx->engine.running = false;
      form->EnableControls();
    }
    void Type(const QString& text) {
      FileType()->lineEdit()->clear();
      FileType()->setFocus();
      uitest::TypeText(FileType()->lineEdit(), text);
    }
    std::string Setting(const std::string& key) const { return SettingsFile().GetSettingText("ScanDlg", key); }

    testing_support::TempDir dir;
    std::unique_ptr<AppContext> ctx;
    std::unique_ptr<CDScanTarget> form;
  };

  QtMessagePresenter presenter_;

 private slots:
  void initTestCase() { uitest::StartFormTests(&presenter_); }
  void init() { DialogHooks::Reset(); }

  void FirstRunDefaults() {
    Fixture f;
    QCOMPARE(f.FileType()->currentText(), QStringLiteral("*.*"));
    QVERIFY(FindById<QCheckBox>(f.form.get(), CDScanTarget::kIdSubfolders)->isChecked());
    CListCtrEx* list = f.form->List();
    QCOMPARE(list->ItemCount(), 0);
    QCOMPARE(FromQt(list->model()->headerData(0, Qt::Horizontal).toString()).size(), size_t(133));
    for (int id : {CDScanTarget::kIdSearchAll, CDScanTarget::kIdSearchSelected, CDScanTarget::kIdDelete,
                   CDScanTarget::kIdResult}) {
      QVERIFY2(!f.Button(id)->isEnabled(), qPrintable(QString::number(id)));
    }
    QVERIFY(f.Button(CDScanTarget::kIdAdd)->isEnabled());
  }

  void FoldersAddedOnceAndDeletedBySelection() {
    Fixture f;
    for (const char* folder : {"/data/a", "/data/b", "/data/a", "", "/data/c"}) f.Add(folder);
    QCOMPARE(DialogHooks::FolderRequests().size(), size_t(5));
    QCOMPARE(DialogHooks::FolderRequests()[0].title, LoadString(kStrAddFolderTitle));
    CListCtrEx* list = f.form->List();
    QCOMPARE(list->ItemCount(), 3);
    QCOMPARE(list->ItemText(2, 0), std::string("/data/c"));
    QCOMPARE(f.form->SelectedTarget(), 2);  // the new row

    // Deleting the last row selects the new last row; deleting row 0 of two, the other.
    QTest::mouseClick(f.Button(CDScanTarget::kIdDelete), Qt::LeftButton);
    QCOMPARE(list->ItemCount(), 2);
    QCOMPARE(f.form->SelectedTarget(), 1);
    list->SelectRow(0);
    QCOMPARE(f.form->SelectedTarget(), 0);
    QTest::mouseClick(f.Button(CDScanTarget::kIdDelete), Qt::LeftButton);
    QCOMPARE(f.form->Targets()[0], std::string("/data/b"));
    QCOMPARE(list->SelectedRow(), 0);
    QTest::mouseClick(f.Button(CDScanTarget::kIdDelete), Qt::LeftButton);
    QVERIFY(!f.Button(CDScanTarget::kIdDelete)->isEnabled());
    QVERIFY(!f.Button(CDScanTarget::kIdSearchAll)->isEnabled());
  }

  void FileTypesLowerCaseAndRemembered() {
    Fixture f;
    f.Add("/data/a");
    f.Type(QString::fromUtf8("資料*.TXT"));
    QCOMPARE(f.FileType()->currentText(), QString::fromUtf8("資料*.txt"));
    f.Search();
    QCOMPARE(f.ctx->engine.Patterns()->Text(), Cp("資料*.txt"));
    f.Type(QStringLiteral("*.DOC"));
    f.Search();
    f.Type(QString::fromUtf8("資料*.txt"));
    f.Search();
    // Used twice, listed once, at the top; the drop-down shows the history and the typed
    // text stays.
    QCOMPARE(f.form->RecentPatterns().size(), size_t(2));
    QCOMPARE(f.form->RecentPatterns()[0], Cp("資料*.txt"));
    QCOMPARE(f.form->RecentPatterns()[1], std::string("*.doc"));
    f.Type(QStringLiteral("*.exe"));
    f.FileType()->showPopup();
    f.FileType()->hidePopup();
    QCOMPARE(f.FileType()->count(), 2);
    QCOMPARE(f.FileType()->itemText(1), QStringLiteral("*.doc"));
    QCOMPARE(f.FileType()->currentText(), QStringLiteral("*.exe"));

    // An empty box, or one of nothing but separators, searches everything and shows it.
    for (const QString& text : {QString(), QStringLiteral(" ; ;")}) {
      f.FileType()->lineEdit()->setText(text);
      f.Search();
      QCOMPARE(f.ctx->engine.Patterns()->Text(), std::string("*.*"));
      QCOMPARE(f.FileType()->currentText(), QStringLiteral("*.*"));
    }
  }

  void FileTypeSearchedExactlyAsTypedAndLimited() {
    Fixture f("[ScanDlg]\r\nFile0=*.exe;*.com;*.txt\r\n");
    f.Add("/data/a");
    // Keys typed are not completed from the history.
    f.form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.form.get()));
    f.FileType()->lineEdit()->clear();
    f.FileType()->setFocus();
    QTest::keyClicks(f.FileType()->lineEdit(), "*.ex");
    QCOMPARE(f.FileType()->currentText(), QStringLiteral("*.ex"));
    f.Search();
    QCOMPARE(f.ctx->engine.Patterns()->Text(), std::string("*.ex"));

    // One character too many: the length message, no search, the text left as typed.
    f.Type(QString(257, QLatin1Char('a')));
    QTest::mouseClick(f.Button(CDScanTarget::kIdSearchAll), Qt::LeftButton);
    QVERIFY(!f.ctx->engine.running);
    QCOMPARE(DialogHooks::Messages().size(), size_t(1));
    QCOMPARE(DialogHooks::Messages()[0].text, Cp("256 文字以内で入力してください。"));
    QCOMPARE(f.FileType()->currentText().size(), 257);
    f.Type(QString(256, QLatin1Char('a')));
    f.Search();

    // At exit the file type last searched is remembered, not text typed and never used.
    f.Type(QStringLiteral("*.zip"));
    f.form.reset();
    QCOMPARE(f.Setting("File0"), std::string(256, 'a'));
    QCOMPARE(f.Setting("File1"), std::string("*.ex"));
    QCOMPARE(f.Setting("File2"), std::string("*.exe;*.com;*.txt"));
  }

  void SettingsReadAndWrittenByTheirListRules() {
    Fixture f(
        "[ScanDlg]\r\nfSubDir=2\r\nFile0=\r\nFile1=*.txt\r\nFile2=*.txt\r\nFile3=*.doc\r\n"
        "Path0=/a\r\nPath1=\r\nPath2=/b\r\nPath3=/c\r\n");
    QVERIFY(!FindById<QCheckBox>(f.form.get(), CDScanTarget::kIdSubfolders)->isChecked());
    QCOMPARE(f.FileType()->currentText(), QStringLiteral("*.txt"));
    QCOMPARE(f.form->RecentPatterns().size(), size_t(2));
    QCOMPARE(f.form->Targets().size(), size_t(1));
    f.form.reset();
    QCOMPARE(f.Setting("fSubDir"), std::string("0"));
    QCOMPARE(f.Setting("File0"), std::string("*.txt"));
    QCOMPARE(f.Setting("File1"), std::string("*.doc"));
    QCOMPARE(f.Setting("File2"), std::string("*.txt"));  // left as it was
    QCOMPARE(f.Setting("Path0"), std::string("/a"));
    QCOMPARE(f.Setting("Path1"), std::string());
    QCOMPARE(f.Setting("Path2"), std::string("/b"));

    // 25 patterns and 25 more targets are all written; the next start reads 21 of each.
    f.form = std::make_unique<CDScanTarget>(*f.ctx);
    f.form->show();
    for (int i = 0; i < 25; ++i) {
      f.Add("/t" + std::to_string(i));
      f.Type(QStringLiteral("*.p%1").arg(i));
      f.Search();
    }
    f.form.reset();
    QCOMPARE(f.Setting("File24"), std::string("*.p0"));
    QCOMPARE(f.Setting("File26"), std::string("*.doc"));
    QCOMPARE(f.Setting("Path25"), std::string("/t24"));
    f.form = std::make_unique<CDScanTarget>(*f.ctx);
    QCOMPARE(f.form->RecentPatterns().size(), size_t(21));
    QCOMPARE(f.form->Targets().size(), size_t(21));
    QCOMPARE(f.form->FileTypeText(), std::string("*.p24"));
  }

  void SubfolderFlagWriteFailureAsks_data() {
    QTest::addColumn<QList<int>>("answers");
    QTest::addColumn<int>("questions");
    QTest::newRow("retry, then ignore") << QList<int>{kIdRetry, kIdIgnore} << 2;
    QTest::newRow("abort") << QList<int>{kIdAbort} << 1;
  }
  void SubfolderFlagWriteFailureAsks() {
    QFETCH(QList<int>, answers);
    QFETCH(int, questions);
    Fixture f;
    // A folder where the settings file should be: every write fails.
    f.dir.MakeDir("Vorlet.ini");
    for (int answer : answers) DialogHooks::QueueAnswer(answer);
    f.form.reset();
    const auto& messages = DialogHooks::Messages();
    QCOMPARE(int(messages.size()), questions);
    for (const DialogHooks::Message& message : messages) {
      QCOMPARE(message.text, LoadString(kStrSettingsDiskError));
      QVERIFY(message.buttons == MessageButtons::AbortRetryIgnore);
      QVERIFY(message.icon == MessageIcon::Exclamation);
      QVERIFY(message.beep);
      QVERIFY(!message.unanswered);
    }
  }
};

QTEST_MAIN(ScanTargetTest)
#include "ScanTarget_test.moc"
