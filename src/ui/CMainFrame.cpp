#include "ui/CMainFrame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QProcess>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include "ui/AppIcon.h"
#include "ui/CDialogUnits.h"
#include "ui/CMainMenu.h"
#include "ui/CMainStatusBar.h"
#include "ui/QtMessagePresenter.h"
#include "ui/QtText.h"
#include "settings/AppLocations.h"
#include "util/MessageBox.h"
#include "util/PathParts.h"
#include "util/StringTable.h"

namespace {

const QEvent::Type kPostedClose = static_cast<QEvent::Type>(QEvent::registerEventType());

constexpr const char kHelpFileName[] = "vorlet.html";

// Names shown on the stand-in forms.
const char* PlaceholderTitle(int formId) {
  switch (formId) {
    case kFormTarget: return "検索対象";
    case kFormOption: return "検索設定";
    case kFormLog: return "ログ管理";
    case kFormDb: return "不正ファイルDB管理";
    case kFormResult: return "検索結果";
    default: return "";
  }
}

}  // namespace

QWidget* CMainFrame::CreatePlaceholderForm(int formId, QWidget* parent) {
  auto* form = new QWidget(parent);
  auto* layout = new QVBoxLayout(form);
  auto* title = new QLabel(Utf8(PlaceholderTitle(formId)), form);
  title->setAlignment(Qt::AlignCenter);
  layout->addWidget(title);
  return form;
}

CMainFrame* CMainFrame::Of(const QWidget* widget) {
  return widget != nullptr ? qobject_cast<CMainFrame*>(widget->window()) : nullptr;
}

void CMainFrame::ShowTargetForm(const QWidget* form) {
  if (CMainFrame* frame = Of(form)) frame->ShowForm(kFormTarget);
}

CMainFrame::CMainFrame(QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      urlOpener_([](const QUrl& url) {
        // When the desktop's handler refuses, the opener program is asked directly.
        return QDesktopServices::openUrl(url) || QProcess::startDetached(QStringLiteral("xdg-open"), {url.toLocalFile()});
      }) {
  setObjectName(QStringLiteral("128"));
  setWindowTitle(ToQt(LoadString(kStrProgramName)));
  setWindowIcon(AppIcon());
  formSize_ = CDialogUnits(font()).FormSize();
  menu_ = new CMainMenu(this);
  statusBar_ = new CMainStatusBar(this);
  setStatusBar(statusBar_);
  formHost_ = new QWidget(this);
  formHost_->setFixedSize(formSize_);
  setCentralWidget(formHost_);
  ConnectCommands();
}

CMainFrame::~CMainFrame() { DestroyForms(); }

bool CMainFrame::Create(const FormFactory& factory) {
  CreateForms(factory);
  HideAllForms();
  currentForm_ = Form(kFormTarget);
  if (currentForm_ == nullptr) return false;
  currentFormId_ = kFormTarget;
  currentForm_->show();
  // The frame's client area is the form plus the status bar; the user cannot resize it.
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  adjustSize();
  UpdateCommandStates();
  FocusForm(currentForm_);
  return true;
}

void CMainFrame::SetResultAvailable(bool available) {
  resultAvailable_ = available;
  UpdateCommandStates();
}

void CMainFrame::UpdateCommandStates() {
  const bool idle = !IsSearchRunning();
  for (int id : {kIdViewOption, kIdViewLog, kIdViewDb}) Action(id)->setEnabled(idle);
  Action(kIdViewResult)->setEnabled(resultAvailable_ && Form(kFormResult) != nullptr);
}

void CMainFrame::CreateForms(const FormFactory& factory) {
  for (int id : kFormIds) {
    QWidget* form = nullptr;
    try {
      form = factory(id, formHost_);
    } catch (...) {
      // A form that cannot be built (out of memory) is recorded as missing.
      form = nullptr;
    }
    if (form != nullptr) {
      if (form->parentWidget() != formHost_) form->setParent(formHost_);
      form->setObjectName(QString::number(id));
      form->setFixedSize(formSize_);
      form->move(0, 0);
    }
    forms_[SlotOf(id)] = form;
  }
}

void CMainFrame::HideAllForms() {
  for (QWidget* form : forms_) {
    if (form != nullptr) form->hide();
  }
}

bool CMainFrame::ShowForm(int id) {
  const int slot = SlotOf(id);
  QWidget* form = slot >= 0 ? forms_[slot] : currentForm_;
  if (form == nullptr) {
    MessageBoxText(std::string(kMessageFormCreationFailed), MessageButtons::Ok, MessageIcon::Exclamation);
    return false;
  }
  currentForm_ = form;
  if (slot >= 0) currentFormId_ = id;
  HideAllForms();
  form->setGeometry(QRect(QPoint(0, 0), formSize_));
  form->raise();
  form->show();
  activateWindow();
  FocusForm(form);
  return true;
}

void CMainFrame::DestroyForms() {
  // The order in which the forms write their settings.
  for (int id : {kFormTarget, kFormOption, kFormResult, kFormLog, kFormDb}) {
    QWidget*& form = forms_[SlotOf(id)];
    if (form == currentForm_) currentForm_ = nullptr;
    delete form;
    form = nullptr;
  }
  currentForm_ = nullptr;
}

QWidget* CMainFrame::Form(int id) const {
  const int slot = SlotOf(id);
  return slot >= 0 ? forms_[slot] : nullptr;
}

void CMainFrame::SetStatusText(const std::string& text, int pane) { statusBar_->SetPaneText(pane, ToQt(text)); }

void CMainFrame::ToggleTopMost() {
  topMost_ = !topMost_;
  Action(kIdTopMost)->setChecked(topMost_);
  Qt::WindowFlags flags = windowFlags();
  flags.setFlag(Qt::WindowStaysOnTopHint, topMost_);
  if (QWindow* window = windowHandle()) {
    // Changing the native window's flags in place keeps its position, size and mapping.
    overrideWindowFlags(flags);
    window->setFlags(flags);
  } else {
    setWindowFlags(flags);
  }
}

std::string CMainFrame::GetHelpPath() const { return FindShippedFile(GetModuleFolder(), kHelpFileName); }

void CMainFrame::ShowHelp() {
  const std::string path = GetHelpPath();
  if (urlOpener_ && urlOpener_(QUrl::fromLocalFile(PathToQt(path)))) return;
  ShowViewerFailure(path);
}

void CMainFrame::RequestClose() { QCoreApplication::postEvent(this, new QEvent(kPostedClose)); }

void CMainFrame::EndProgram() {
  if (IsSearchRunning()) return;
  QTimer::singleShot(0, this, &QWidget::close);
}

QAction* CMainFrame::Action(int commandId) const { return menu_->Action(commandId); }

bool CMainFrame::event(QEvent* event) {
  if (event->type() == kPostedClose) {
    if (!IsSearchRunning()) close();
    else if (stopSearch_) stopSearch_();
    return true;
  }
  return QMainWindow::event(event);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  // The close box, the system menu and ｱﾌﾟﾘｹｰｼｮﾝの終了 are refused while a search runs.
  if (IsSearchRunning()) {
    event->ignore();
    return;
  }
  DestroyForms();
  event->accept();
}

int CMainFrame::SlotOf(int id) {
  for (size_t i = 0; i < kFormIds.size(); ++i) {
    if (kFormIds[i] == id) return static_cast<int>(i);
  }
  return -1;
}

void CMainFrame::ConnectCommands() {
  connect(Action(kIdTopMost), &QAction::triggered, this, [this] { ToggleTopMost(); });
  // The exit command asks the frame directly, not through the queue: during a search it is
  // refused like the close box, and the search goes on.
  connect(Action(kIdAppExit), &QAction::triggered, this, [this] {
    if (!IsSearchRunning()) close();
  });
  connect(Action(kIdViewOption), &QAction::triggered, this, [this] { ShowFormIfIdle(kFormOption); });
  connect(Action(kIdViewLog), &QAction::triggered, this, [this] { ShowFormIfIdle(kFormLog); });
  connect(Action(kIdViewDb), &QAction::triggered, this, [this] { ShowFormIfIdle(kFormDb); });
  connect(Action(kIdOnlineHelp), &QAction::triggered, this, [this] { ShowHelp(); });
  connect(Action(kIdAppAbout), &QAction::triggered, this, [this] { emit AboutRequested(); });
  connect(Action(kIdViewTarget), &QAction::triggered, this, [this] { ShowForm(kFormTarget); });
  connect(Action(kIdViewResult), &QAction::triggered, this, [this] {
    if (resultAvailable_) ShowForm(kFormResult);
  });
  // F1 and Shift+F1 open the help file wherever the focus is.
  auto* helpKeys = new QAction(this);
  helpKeys->setShortcuts({QKeySequence(Qt::Key_F1), QKeySequence(Qt::SHIFT | Qt::Key_F1)});
  connect(helpKeys, &QAction::triggered, this, [this] { ShowHelp(); });
  addAction(helpKeys);
  connect(menu_->SettingsMenu(), &QMenu::aboutToShow, this, [this] { UpdateCommandStates(); });
}

void CMainFrame::ShowFormIfIdle(int id) {
  // The menu may have been opened before the search started.
  UpdateCommandStates();
  if (!IsSearchRunning()) ShowForm(id);
}

void CMainFrame::FocusForm(QWidget* form) {
  if (form->focusProxy() != nullptr || form->focusPolicy() != Qt::NoFocus) {
    form->setFocus(Qt::OtherFocusReason);
    return;
  }
  // Like a dialog: the first control that takes the focus by tabbing.
  for (QWidget* w = form->nextInFocusChain(); w != nullptr && w != form; w = w->nextInFocusChain()) {
    if (form->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w->isVisibleTo(form)) {
      w->setFocus(Qt::OtherFocusReason);
      return;
    }
  }
}
