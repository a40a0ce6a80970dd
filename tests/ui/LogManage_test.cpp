// The log management form over the log settings of the application context: the log list
// (sorted, refreshed when the settings say so and after an automatic log), the settings
// following every edit and written at exit, and the editor started with the selected log.
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <memory>

#include "platform/Clock.h"
#include "platform/Encoding.h"
#include "ui/CDLogManage.h"
#include "ui/support/FormFixture.h"
#include "util/StringTable.h"

using uitest::Cp;
using Argv = std::vector<std::string>;

class LogManageTest : public QObject, uitest::FormFixture<CDLogManage> {
  Q_OBJECT

 private:
  std::vector<Argv> started_;
  int failStarts_ = 0;

  // Destroys the form (it writes its settings) and builds a fresh one from the file.
  void Open() {
    Reopen();
    form_->SetLauncher([this](const Argv& argv) {
      started_.push_back(argv);
      return failStarts_-- <= 0;
    });
    ShowForm();
  }
  void Retype(int id, const std::string& cp932) const {
    uitest::Retype(Control<QLineEdit>(id), QString::fromStdString(platform::Cp932ToOsName(cp932)));
  }

 private slots:
  void initTestCase() { uitest::StartFormTests(&presenter_); }
  void init() {
    NewHome("[General]\r\nfLog=1\r\n");
    started_.clear();
    failStarts_ = 0;
    home_->Write("Log/20030310090507.log", "b");
    home_->Write("Log/20010101000000.log", "a");
    home_->Write("Log/notes.txt", "");
    home_->MakeDir("Log/x.log");
    Open();
  }
  void cleanup() { CloseForm(); }

  void ListsLogsSortedAndAgainAfterAnAutomaticLog() {
    // No folder set: the program's folder + "Log".
    QCOMPARE(Control<QLineEdit>(CDLogManage::kIdFolder)->text().toStdString(), home_->folder() + "Log");
    QCOMPARE(FirstColumn(), (std::vector<std::string>{"20010101000000.log", "20030310090507.log"}));
    QVERIFY(form_->List()->Image(0) == 3 && form_->SelectedIndex() == 0);
    QCOMPARE(form_->SelectedEntry(), std::string("20010101000000.log"));

    SearchRunInfo run;
    platform::LocalToOleDate({2004, 5, 6, 7, 8, 9}, &run.startTime.oleDate);
    run.startTime.status = 0;
    run.endTime = run.startTime;
    QVERIFY(ctx_->logManager.WriteAutoLog(run, nullptr));
    QCOMPARE(FirstColumn().size(), size_t(3));
    QCOMPARE(FirstColumn().back(), std::string("20040506070809.log"));
    // A second search of the same second keeps its own log, listed after the first.
    QVERIFY(ctx_->logManager.WriteAutoLog(run, nullptr));
    QCOMPARE(FirstColumn(), (std::vector<std::string>{"20010101000000.log", "20030310090507.log",
                                                      "20040506070809.log", "20040506070809-2.log"}));
  }

  void SettingsFollowTheControlsAndAreWrittenAtExit() {
    ClickRadio(CDLogManage::kIdAutoLogOff);
    QVERIFY(!ctx_->logManager.AutoLog() && !Control(CDLogManage::kIdFolder)->isEnabled());
    QCOMPARE(FirstColumn().size(), size_t(2));

    // する lists the folder again (here an empty one): the list follows the field.
    const std::string other = home_->MakeDir("他のログ");
    home_->Write("他のログ/20050101000000.log", "");
    ClickRadio(CDLogManage::kIdAutoLogOn);
    Retype(CDLogManage::kIdFolder, Cp(other.c_str()));
    QCOMPARE(ctx_->logManager.LogFolder(), Cp(other.c_str()));
    QCOMPARE(FirstColumn().size(), size_t(2));  // typing alone does not list
    QTest::keyClick(Control(CDLogManage::kIdFolder), Qt::Key_Tab);
    QCOMPARE(FirstColumn(), (std::vector<std::string>{"20050101000000.log"}));
    Retype(CDLogManage::kIdEditor, Cp("/usr/bin/エディタ -n"));
    QCOMPARE(ctx_->logManager.LogEditor(), Cp("/usr/bin/エディタ -n"));

    Open();
    QCOMPARE(SettingsFile().GetSettingInt("General", "fLog", 0), 1);
    QCOMPARE(SettingsFile().GetSettingText("General", "LogFolder"), Cp(other.c_str()));
    QVERIFY(Control<QRadioButton>(CDLogManage::kIdAutoLogOn)->isChecked());
    QCOMPARE(Control<QLineEdit>(CDLogManage::kIdEditor)->text(), QString::fromUtf8("/usr/bin/エディタ -n"));
    QCOMPARE(FirstColumn(), (std::vector<std::string>{"20050101000000.log"}));
  }

  void ShowLogStartsTheEditorWithTheSelectedLog() {
    const std::string log = home_->folder() + "Log/20030310090507.log";
    QTest::mouseClick(form_->List()->viewport(), Qt::LeftButton, Qt::NoModifier, form_->List()->RowRect(1).center());
    const struct {
      const char* editor;
      int failures;
      std::vector<Argv> expected;
    } cases[] = {
        {"", 0, {{"xdg-open", log}}},
        {"'/opt/my editor/ed' -n", 0, {{"/opt/my editor/ed", "-n", log}}},
        // The editor cannot be started: the default editor gets the same log, once.
        {"missing-editor", 2, {{"missing-editor", log}, {"xdg-open", log}}},
    };
    for (const auto& c : cases) {
      Retype(CDLogManage::kIdEditor, c.editor);
      started_.clear();
      failStarts_ = c.failures;
      QTest::mouseClick(Control(CDLogManage::kIdShowLog), Qt::LeftButton);
      QCOMPARE(started_, c.expected);
    }
    // Neither could be started: the user is told, with the log's name.
    QCOMPARE(DialogHooks::Messages().size(), size_t(1));
    QVERIFY(DialogHooks::Messages()[0].text.find(Cp("起動できませんでした")) != std::string::npos);
    QVERIFY(DialogHooks::Messages()[0].text.find(log) != std::string::npos);
    // A Japanese folder reaches the editor in the file system's bytes; with no log the
    // editor starts alone.
    const std::string japanese = home_->MakeDir("ログ");
    home_->Write("ログ/1.log", "");
    started_.clear();
    form_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form_.get()));
    for (const std::string& folder : {japanese, japanese + "/none"}) {
      Retype(CDLogManage::kIdFolder, Cp(folder.c_str()));
      Control(CDLogManage::kIdFolder)->setFocus();
      QTest::keyClick(Control(CDLogManage::kIdFolder), Qt::Key_Tab);
      // Leaving the folder field refreshes the list, which takes the focus.
      QVERIFY(form_->List()->hasFocus());
      form_->ShowLog();
    }
    // A button clicked straight from the folder field still does its work.
    Control(CDLogManage::kIdFolder)->setFocus();
    QTest::mouseClick(Control(CDLogManage::kIdShowLog), Qt::LeftButton);
    QVERIFY(form_->List()->hasFocus());
    QCOMPARE(started_.size(), size_t(3));
    started_.pop_back();
    QCOMPARE(started_, (std::vector<Argv>{{"missing-editor", japanese + "/1.log"}, {"missing-editor"}}));
  }

  void BrowseButtonsChangeOnlyWhenSomethingIsChosen() {
    const std::string other = home_->MakeDir("other");
    home_->Write("other/1.log", "");
    DialogHooks::QueueFolder("");
    DialogHooks::QueueFolder(other);
    ClickRadio(CDLogManage::kIdAutoLogOff);
    // The folder chooser works with the field disabled.
    QTest::mouseClick(Control(CDLogManage::kIdBrowseFolder), Qt::LeftButton);
    QCOMPARE(FirstColumn().size(), size_t(2));
    QTest::mouseClick(Control(CDLogManage::kIdBrowseFolder), Qt::LeftButton);
    QCOMPARE(DialogHooks::FolderRequests().at(0).title, LoadString(kStrLogFolderTitle));
    QCOMPARE(DialogHooks::FolderRequests().at(0).initial, home_->folder() + "Log");
    QCOMPARE(FirstColumn(), (std::vector<std::string>{"1.log"}));

    // A chosen program whose path the editor text would split is quoted.
    Retype(CDLogManage::kIdEditor, "\"/opt/ed\" -n");
    DialogHooks::QueueOpenFileName("");
    DialogHooks::QueueOpenFileName("/opt/my \"ed\"");
    QTest::mouseClick(Control(CDLogManage::kIdBrowseEditor), Qt::LeftButton);
    QCOMPARE(ctx_->logManager.LogEditor(), std::string("\"/opt/ed\" -n"));
    QTest::mouseClick(Control(CDLogManage::kIdBrowseEditor), Qt::LeftButton);
    std::vector<std::string> initialPaths;
    for (const DialogHooks::Request& request : DialogHooks::OpenRequests()) initialPaths.push_back(request.initial);
    QCOMPARE(initialPaths, (std::vector<std::string>{"/opt/ed", "/opt/ed"}));
    form_->ShowLog();
    QCOMPARE(started_.back(), (Argv{"/opt/my \"ed\"", other + "/1.log"}));
  }
};

QTEST_MAIN(LogManageTest)
#include "LogManage_test.moc"
