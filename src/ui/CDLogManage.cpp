#include "ui/CDLogManage.h"

#include <QFocusEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

#include "platform/Encoding.h"
#include "platform/Process.h"
#include "log/LogManager.h"
#include "ui/AppContext.h"
#include "ui/CDialogUnits.h"
#include "ui/CListCtrEx.h"
#include "ui/CMainFrame.h"
#include "ui/QtMessagePresenter.h"
#include "ui/QtText.h"
#include "util/MessageBox.h"
#include "util/ShiftJis.h"
#include "util/StringTable.h"

namespace {

const char kGuide[] =
    "ログ保存一覧を示します。\n"
    "ログ保存場所をﾃｷｽﾄﾎﾞｯｸｽで変更入力した場合、ｶｰｿﾙを他へ移動すると\n"
    "ログ一覧が再表示されます。";

// The editor text is split into words as a shell would, so a chosen program whose path
// holds blanks, quotes or backslashes is put in double quotes to stay one word.
std::string QuoteProgramPath(const std::string& path) {
  if (path.find_first_of(" \t\n'\"\\$`") == std::string::npos) return path;
  std::string quoted = "\"";
  for (size_t i = 0; i < path.size();) {
    const size_t size = shiftjis::CharSize(path, i);
    if (size == 1 && std::string_view("\"\\$`").find(path[i]) != std::string_view::npos) quoted += '\\';
    quoted.append(path, i, size);
    i += size;
  }
  return quoted + "\"";
}

}  // namespace

CDLogManage::CDLogManage(AppContext& ctx, QWidget* parent)
    : QWidget(parent), ctx_(ctx), launcher_([](const std::vector<std::string>& argv) {
        return platform::StartDetached(argv);
      }) {
  ctx_.logManager.LoadSettings(SettingsFile(), ctx_.locations);
  BuildControls();
  ShowMembers();
  RefreshLogList();
  UpdateFolderField();
  ctx_.logManager.SetLogWrittenHook([this] { RefreshLogList(); });
}

CDLogManage::~CDLogManage() {
  ctx_.logManager.SetLogWrittenHook(nullptr);
  // A settings file that cannot be written is not reported here.
  ctx_.logManager.SaveSettings();
}

void CDLogManage::BuildControls() {
  const CDialogUnits du(font());

  // Frames first, so that the controls inside lie above them.
  du.Place(new QGroupBox(Utf8("自動ﾛｸﾞ保存"), this), 0, 7, 128, 305, 46);
  du.Guide(this, kIdGuide, kGuide, 190, 40, 202, 27);

  du.Place(new QLabel(Utf8("ﾛｸﾞ一覧"), this), 0, 7, 4, 80, 10);
  list_ = du.List(this, kIdList, 7, 15, 305, 108);
  list_->InsertColumn(CListCtrEx::WideColumnTitle(Utf8("ファイル名")), 0);

  autoLogOff_ = new QRadioButton(Utf8("しない"), this);
  du.Place(autoLogOff_, kIdAutoLogOff, 16, 140, 50, 12);
  autoLogOn_ = new QRadioButton(Utf8("する"), this);
  du.Place(autoLogOn_, kIdAutoLogOn, 70, 140, 50, 12);
  du.Place(new QLabel(Utf8("ﾛｸﾞ保存場所："), this), 0, 16, 157, 62, 10);
  folder_ = new QLineEdit(this);
  du.Place(folder_, kIdFolder, 80, 156, 170, 12);
  QPushButton* browseFolder = du.Button(this, kIdBrowseFolder, Utf8("参照..."), 254, 155, 50);
  du.Place(new QLabel(Utf8("ﾛｸﾞ表示ｴﾃﾞｨﾀ："), this), 0, 16, 176, 62, 10);
  editor_ = new QLineEdit(this);
  du.Place(editor_, kIdEditor, 80, 175, 170, 12);
  QPushButton* browseEditor = du.Button(this, kIdBrowseEditor, Utf8("参照..."), 254, 174, 50);

  QPushButton* showLog = du.Button(this, kIdShowLog, Utf8("ﾛｸﾞ表示..."), 7, 236, 56);
  back_ = du.Button(this, kIdBack, Utf8("戻る"), 262, 236, 50);
  back_->setDefault(true);
  du.InertCancel(this);

  connect(autoLogOff_, &QRadioButton::clicked, this, [this] {
    ctx_.logManager.SetAutoLog(false);
    UpdateFolderField();
  });
  connect(autoLogOn_, &QRadioButton::clicked, this, [this] {
    ctx_.logManager.SetAutoLog(true);
    UpdateFolderField();
    RefreshLogList();
  });
  // Every edit goes into the settings at once: a search may start before the focus ever
  // leaves the field.
  connect(folder_, &QLineEdit::textChanged, this,
          [this](const QString& text) { ctx_.logManager.SetLogFolder(PathFromQt(text)); });
  connect(editor_, &QLineEdit::textChanged, this,
          [this](const QString& text) { ctx_.logManager.SetLogEditor(PathFromQt(text)); });
  // Leaving the folder field lists the folder typed; typing alone does not.
  folder_->installEventFilter(this);
  connect(browseFolder, &QPushButton::clicked, this, &CDLogManage::BrowseLogFolder);
  connect(browseEditor, &QPushButton::clicked, this, &CDLogManage::BrowseLogEditor);
  connect(showLog, &QPushButton::clicked, this, &CDLogManage::ShowLog);
  connect(back_, &QPushButton::clicked, this, [this] { CMainFrame::ShowTargetForm(this); });
  connect(list_, &CListCtrEx::SelectionChanged, this, [this] {
    if (list_->isVisible()) UpdateSelection();
  });
}

void CDLogManage::ShowMembers() {
  const LogManager& logs = ctx_.logManager;
  (logs.AutoLog() ? autoLogOn_ : autoLogOff_)->setChecked(true);
  {
    const QSignalBlocker block(folder_);
    folder_->setText(PathToQt(logs.LogFolder()));
  }
  const QSignalBlocker block(editor_);
  editor_->setText(PathToQt(logs.LogEditor()));
}

void CDLogManage::UpdateFolderField() { folder_->setEnabled(ctx_.logManager.AutoLog()); }

void CDLogManage::RefreshLogList(bool takeFocus) {
  entries_ = ctx_.logManager.ListLogs();
  list_->SuspendRedraw(true);
  list_->DeleteAllItems();
  for (size_t i = 0; i < entries_.size(); ++i) list_->SetItem(int(i), 0, entries_[i], CImageList::kPage, -1, entries_[i]);
  if (!entries_.empty()) list_->SelectRow(0);
  list_->SuspendRedraw(false);
  // After an automatic log the form may be hidden; the focus stays where the user is.
  if (takeFocus && list_->isVisible()) list_->setFocus();
  UpdateSelection();
}

bool CDLogManage::UpdateSelection() {
  selectedIndex_ = list_->SelectedRow();
  const std::string* entry = selectedIndex_ >= 0 ? list_->UserData<std::string>(selectedIndex_) : nullptr;
  selectedEntry_ = entry != nullptr ? *entry : std::string();
  return entry != nullptr;
}

void CDLogManage::ShowLog() {
  const std::string logPath = UpdateSelection() ? ctx_.logManager.LogPath(selectedEntry_) : std::string();
  if (Launch(BuildEditorCommand(ctx_.logManager.LogEditor(), logPath))) return;
  if (Launch(BuildEditorCommand(std::string(), logPath))) return;
  // Nothing left to try; the user must not be left wondering why no log appeared.
  ShowViewerFailure(logPath.empty() ? BuildEditorCommand(std::string(), logPath).front() : logPath);
}

bool CDLogManage::Launch(const std::vector<std::string>& argv) {
  std::vector<std::string> osArgv;
  osArgv.reserve(argv.size());
  for (const std::string& arg : argv) osArgv.push_back(platform::Cp932ToOsName(arg));
  return launcher_ && launcher_(osArgv);
}

void CDLogManage::BrowseLogFolder() {
  const std::string folder = BrowseForFolder(kStrLogFolderTitle, ctx_.logManager.LogFolder());
  if (folder.empty()) return;
  ctx_.logManager.SetLogFolder(folder);
  ShowMembers();
  RefreshLogList();
}

void CDLogManage::BrowseLogEditor() {
  // The dialog starts at the program the editor text names.
  const std::string& editor = ctx_.logManager.LogEditor();
  const std::string initial = editor.empty() ? std::string() : BuildEditorCommand(editor, std::string()).front();
  // Programs here have no extension to filter by.
  const std::string chosen = GetOpenFileName(this, std::string(), initial, FromQt(Utf8("エディタ (*)")));
  if (chosen.empty()) return;
  ctx_.logManager.SetLogEditor(QuoteProgramPath(chosen));
  ShowMembers();
}

bool CDLogManage::eventFilter(QObject* watched, QEvent* event) {
  if (watched == folder_ && event->type() == QEvent::FocusOut) {
    // A menu over the field or a switch to another window is not leaving the field.
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    // The refreshed list takes the focus; a button being clicked still gets its click.
    if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason) RefreshLogList();
  }
  return QWidget::eventFilter(watched, event);
}

void CDLogManage::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    back_->click();
    return;
  }
  QWidget::keyPressEvent(event);
}
