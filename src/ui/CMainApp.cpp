#include "ui/CMainApp.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QTimer>

#include "settings/AppFiles.h"
#include "ui/AppIcon.h"
#include "ui/AppLook.h"
#include "ui/CDAbout.h"
#include "util/MessageBox.h"
#include "util/PathParts.h"
#include "util/StringTable.h"

namespace {
CMainApp* g_app = nullptr;
}

CMainApp::CMainApp(QApplication& app) : app_(app) {
  g_app = this;
  app_.setApplicationName(QStringLiteral("Vorlet"));
  app_.setWindowIcon(AppIcon());
  UseJapaneseFont(app_);
  LoadQtJapanese(app_);
  SetMessagePresenter(&presenter_);
  if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance()) {
    connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &CMainApp::OnEventQueueEmpty);
  }
}

CMainApp::~CMainApp() {
  frame_.reset();
  if (GetMessagePresenter() == &presenter_) SetMessagePresenter(nullptr);
  if (g_app == this) g_app = nullptr;
}

CMainApp* CMainApp::Instance() { return g_app; }

int CMainApp::Run() {
  if (!InitInstance()) return ExitInstance(1);
  return ExitInstance(app_.exec());
}

bool CMainApp::InitInstance(const std::string& programFolder) {
  programFolder_ = programFolder.empty() ? GetModuleFolder() : programFolder;
  // Without a folder of its own the program keeps its files in the current folder.
  if (!BindSettingsFile(programFolder_)) {
    SettingsFile().SetPath(LoadString(kStrProgramName), std::string(), "ini", false);
  }

  // The search engine is created here (it reads its block settings) and handed over
  // through SetSearchControl and SetIdleWork before the frame opens.

  frame_ = std::make_unique<CMainFrame>();
  frame_->SetRunningPredicate([this] { return running_ && running_(); });
  frame_->SetStopSearch([this] {
    if (stopSearch_) stopSearch_();
  });
  connect(frame_.get(), &CMainFrame::AboutRequested, this, &CMainApp::ShowAbout);
  if (!frame_->Create(formFactory_)) {
    frame_.reset();
    return false;
  }
  frame_->show();
  frame_->repaint();
  return true;
}

int CMainApp::ExitInstance(int exitCode) {
  // The frame has destroyed its forms when it closed; what remains goes now, then the
  // engine (which the search driver owns) may go.
  frame_.reset();
  return exitCode;
}

void CMainApp::SetSearchControl(std::function<bool()> running, std::function<void()> stop) {
  running_ = std::move(running);
  stopSearch_ = std::move(stop);
  if (frame_) frame_->UpdateCommandStates();
}

void CMainApp::SetIdleWork(std::function<bool()> pending, std::function<void()> run) {
  idlePending_ = std::move(pending);
  idleRun_ = std::move(run);
}

void CMainApp::ShowAbout() {
  CDAbout about(frame_.get());
  about.exec();
}

void CMainApp::OnEventQueueEmpty() {
  // Only a flag is read here: the work itself runs from a zero timer, outside the
  // dispatcher's own bookkeeping.
  if (idleQueued_ || inIdle_ || QApplication::activeModalWidget() != nullptr) return;
  if (!idlePending_ || !idlePending_()) return;
  idleQueued_ = true;
  QTimer::singleShot(0, this, &CMainApp::OnIdle);
}

void CMainApp::OnIdle() {
  idleQueued_ = false;
  if (inIdle_ || QApplication::activeModalWidget() != nullptr) return;
  if (!idlePending_ || !idlePending_() || !idleRun_) return;
  inIdle_ = true;
  idleRun_();
  inIdle_ = false;
}
