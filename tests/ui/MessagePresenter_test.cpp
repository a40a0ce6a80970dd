// Message boxes, the folder chooser and the save-as dialog: answered through the hooks,
// and the real dialogs with their title, text, buttons and icon.
#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QMap>
#include <QRegularExpression>
#include <QTreeView>
#include <QTest>
#include <QTimer>

#include "support/TempDir.h"
#include "ui/DialogHooks.h"
#include "ui/QtMessagePresenter.h"
#include "ui/QtText.h"
#include "ui/support/UiTestSupport.h"
#include "util/StringTable.h"

Q_DECLARE_METATYPE(MessageButtons)
Q_DECLARE_METATYPE(MessageIcon)

namespace {

// Runs check on the next modal widget of type T once it is up.
template <class T>
void OnNextModal(std::function<void(T*)> check) {
  QTimer::singleShot(0, [check] {
    QTRY_VERIFY(qobject_cast<T*>(QApplication::activeModalWidget()) != nullptr);
    check(qobject_cast<T*>(QApplication::activeModalWidget()));
  });
}

}  // namespace

class MessagePresenterTest : public QObject {
  Q_OBJECT

 private:
  QtMessagePresenter presenter_;

 private slots:
  void initTestCase() {
    uitest::UseProgramLook();
    SetMessagePresenter(&presenter_);
  }

  void init() {
    DialogHooks::Reset();
    DialogHooks::SetStrict(true);
  }

  void QueuedAnswerIsReturnedAndRecorded() {
    DialogHooks::QueueAnswer(kIdNo);
    DialogHooks::QueueAnswer(kIdRetry);
    QCOMPARE(MessageBoxById(kStrConfirmDelete, MessageButtons::YesNo, MessageIcon::Information), int(kIdNo));
    QCOMPARE(MessageBoxById(kStrSettingsDiskError, MessageButtons::AbortRetryIgnore, MessageIcon::Exclamation, true),
             int(kIdRetry));
    QCOMPARE(MessageBoxById(kStrNotReady, MessageButtons::Ok, MessageIcon::Information, false, false), int(kIdOk));
    const auto& shown = DialogHooks::Messages();
    QCOMPARE(shown.size(), size_t(2));  // the one with show clear never reached the presenter
    QCOMPARE(shown[0].text, LoadString(kStrConfirmDelete));
    QVERIFY(shown[0].buttons == MessageButtons::YesNo);
    QVERIFY(shown[0].icon == MessageIcon::Information);
    QVERIFY(!shown[0].beep);
    QCOMPARE(shown[1].text, LoadString(kStrSettingsDiskError));
    QVERIFY(shown[1].beep);
    QVERIFY(!shown[1].unanswered);
  }

  void StrictModeCancelsUnansweredQuestions_data() {
    QTest::addColumn<MessageButtons>("buttons");
    QTest::addColumn<int>("answer");
    QTest::newRow("ok") << MessageButtons::Ok << int(kIdOk);
    QTest::newRow("ok cancel") << MessageButtons::OkCancel << int(kIdCancel);
    QTest::newRow("yes no") << MessageButtons::YesNo << int(kIdNo);
    QTest::newRow("abort retry ignore") << MessageButtons::AbortRetryIgnore << int(kIdAbort);
  }

  void StrictModeCancelsUnansweredQuestions() {
    QFETCH(MessageButtons, buttons);
    QFETCH(int, answer);
    QCOMPARE(MessageBoxText("x", buttons, MessageIcon::None), answer);
    QVERIFY(DialogHooks::Messages().back().unanswered);
    QVERIFY(BrowseForFolder(kStrAddFolderTitle, "").empty());
    QVERIFY(DialogHooks::FolderRequests().back().unanswered);
    QVERIFY(GetSaveFileName(nullptr, "t", "/tmp/a.log", "*.log").empty());
    QVERIFY(DialogHooks::SaveRequests().back().unanswered);
  }

  void RealBoxShowsTitleTextButtonsAndIcon_data() {
    QTest::addColumn<MessageButtons>("buttons");
    QTest::addColumn<MessageIcon>("icon");
    QTest::addColumn<int>("qtButtons");
    QTest::addColumn<int>("qtIcon");
    QTest::addColumn<int>("press");
    QTest::addColumn<int>("answer");
    QTest::newRow("ok, information") << MessageButtons::Ok << MessageIcon::Information << int(QMessageBox::Ok)
                                     << int(QMessageBox::Information) << int(QMessageBox::Ok) << int(kIdOk);
    QTest::newRow("ok cancel, stop") << MessageButtons::OkCancel << MessageIcon::Stop
                                     << int(QMessageBox::Ok | QMessageBox::Cancel) << int(QMessageBox::Critical)
                                     << int(QMessageBox::Cancel) << int(kIdCancel);
    QTest::newRow("yes no, question") << MessageButtons::YesNo << MessageIcon::Question
                                      << int(QMessageBox::Yes | QMessageBox::No) << int(QMessageBox::Question)
                                      << int(QMessageBox::Yes) << int(kIdYes);
    QTest::newRow("abort retry ignore, exclamation")
        << MessageButtons::AbortRetryIgnore << MessageIcon::Exclamation
        << int(QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore) << int(QMessageBox::Warning)
        << int(QMessageBox::Ignore) << int(kIdIgnore);
  }

  void RealBoxShowsTitleTextButtonsAndIcon() {
    QFETCH(MessageButtons, buttons);
    QFETCH(MessageIcon, icon);
    QFETCH(int, qtButtons);
    QFETCH(int, qtIcon);
    QFETCH(int, press);
    QFETCH(int, answer);
    DialogHooks::SetStrict(false);
    QString title, text;
    int shownButtons = 0;
    int shownIcon = -1;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    OnNextModal<QMessageBox>([&](QMessageBox* box) {
      title = box->windowTitle();
      text = box->text();
      shownButtons = int(box->standardButtons());
      shownIcon = int(box->icon());
      defaultButton = box->standardButton(box->defaultButton());
      box->button(QMessageBox::StandardButton(press))->click();
    });
    QCOMPARE(MessageBoxById(kStrLogFolderInvalid, buttons, icon), answer);
    QCOMPARE(title, QStringLiteral("Vorlet"));
    QCOMPARE(text, ToQt(LoadString(kStrLogFolderInvalid)));
    QCOMPARE(shownButtons, qtButtons);
    QCOMPARE(shownIcon, qtIcon);
    // The first button is the default, as the message boxes always had it.
    QVERIFY(defaultButton != QMessageBox::NoButton);
    QVERIFY(QMessageBox::StandardButtons(qtButtons).testFlag(defaultButton));
    QVERIFY(defaultButton == QMessageBox::Ok || defaultButton == QMessageBox::Yes || defaultButton == QMessageBox::Abort);
    QCOMPARE(DialogHooks::Messages().back().answer, answer);
  }

  void QueuedFoldersAreReturnedWithoutTrailingSeparator() {
    DialogHooks::QueueFolder("/data/" + uitest::Cp("表") + "/");
    DialogHooks::QueueFolder("/");
    DialogHooks::QueueFolder("");
    QCOMPARE(BrowseForFolder(kStrAddFolderTitle, ""), "/data/" + uitest::Cp("表"));
    QCOMPARE(BrowseForFolder(kStrMoveFolderTitle, "/srv"), std::string("/"));
    QCOMPARE(BrowseForFolder(kStrLogFolderTitle, ""), std::string());
    const auto& asked = DialogHooks::FolderRequests();
    QCOMPARE(asked.size(), size_t(3));
    QCOMPARE(asked[0].title, LoadString(kStrAddFolderTitle));
    QCOMPARE(asked[1].title, LoadString(kStrMoveFolderTitle));
    QCOMPARE(asked[1].initial, std::string("/srv"));
  }

  void RealFolderChooserShowsTitleAndReturnsChoice() {
    DialogHooks::SetStrict(false);
    testing_support::TempDir dir;
    const std::string chosen = dir.MakeDir("ユーザー");
    QString title;
    OnNextModal<QFileDialog>([&](QFileDialog* dialog) {
      title = dialog->windowTitle();
      dialog->setDirectory(QString::fromStdString(chosen));
      static_cast<QDialog*>(dialog)->accept();
    });
    QCOMPARE(BrowseForFolder(kStrRegisterFolderTitle, dir.path()), platform::OsNameToCp932(chosen));
    QCOMPARE(title, ToQt(LoadString(kStrRegisterFolderTitle)));

    OnNextModal<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
    QCOMPARE(BrowseForFolder(kStrAddFolderTitle, dir.path()), std::string());
  }

  void RealFileDialogListsInJapanese() {
    DialogHooks::SetStrict(false);
    testing_support::TempDir dir;
    dir.MakeDir("sub");
    dir.Write("a.txt", std::string(2049, 'x'));
    // Keyed by name: the dialog sorts its rows only once the file details have come in.
    QMap<QString, QStringList> shown;
    OnNextModal<QFileDialog>([&](QFileDialog* dialog) {
      auto* view = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
      QAbstractItemModel* model = view->model();
      QTRY_COMPARE(model->rowCount(view->rootIndex()), 2);
      for (int row = 0; row < 2; ++row) {
        const QModelIndex name = model->index(row, 0, view->rootIndex());
        QTRY_VERIFY(!model->data(name.siblingAtColumn(3)).toString().isEmpty());
        shown[model->data(name).toString()] = {model->data(name.siblingAtColumn(1)).toString(),
                                               model->data(name.siblingAtColumn(2)).toString(),
                                               model->data(name.siblingAtColumn(3)).toString()};
      }
      dialog->reject();
    });
    GetOpenFileName(nullptr, uitest::Cp("開く"), dir.path() + "/", "*");
    // A folder has no size and the Japanese kind; a file's size is in whole kilobytes,
    // rounded up.
    QCOMPARE(shown.value(QStringLiteral("sub")).value(0), QString());
    QCOMPARE(shown.value(QStringLiteral("sub")).value(1), QString::fromUtf8("ファイル フォルダー"));
    QCOMPARE(shown.value(QStringLiteral("a.txt")).value(0), QStringLiteral("3 KB"));
    for (const QStringList& fields : shown) {
      QVERIFY2(QRegularExpression(QStringLiteral("^\\d{4}/\\d{2}/\\d{2} \\d{1,2}:\\d{2}$")).match(fields.value(2)).hasMatch(),
               qPrintable(fields.value(2)));
    }
    QCOMPARE(QLocale().toString(QDate(2026, 12, 8), QLocale::ShortFormat), QStringLiteral("2026/12/08"));
  }

  void SaveFileNameThroughHookAndDialog() {
    DialogHooks::QueueSaveFileName("/logs/20240101.log");
    QCOMPARE(GetSaveFileName(nullptr, uitest::Cp("名前を付けて保存"), "/logs/a.log", "*.log"),
             std::string("/logs/20240101.log"));
    QCOMPARE(DialogHooks::SaveRequests().back().title, uitest::Cp("名前を付けて保存"));
    QCOMPARE(DialogHooks::SaveRequests().back().initial, std::string("/logs/a.log"));

    DialogHooks::SetStrict(false);
    QString title;
    OnNextModal<QFileDialog>([&](QFileDialog* dialog) {
      title = dialog->windowTitle();
      dialog->reject();
    });
    QCOMPARE(GetSaveFileName(nullptr, uitest::Cp("ログ保存"), "/tmp/x.log", uitest::Cp("ログ (*.log)")), std::string());
    QCOMPARE(title, QString::fromUtf8("ログ保存"));
  }
};

QTEST_MAIN(MessagePresenterTest)
#include "MessagePresenter_test.moc"
