#include "ui/CMainApp.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QDialog>
#include <QTimer>

#include "platform/Terminal.h"
#include "settings/AppFiles.h"
#include "settings/PrivateProfile.h"
#include "ui/AppContext.h"
#include "ui/AppIcon.h"
#include "ui/AppLook.h"
#include "ui/CDAbout.h"
#include "ui/CDScanResult.h"
#include "ui/CDScanTarget.h"
#include "ui/FormFactory.h"
#include "ui/QtSearchHost.h"
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
  if (context_) context_->engine.SetHost(nullptr);
  host_.reset();
  if (context_) SetApplicationScanEngine(nullptr);
  context_.reset();
  if (GetMessagePresenter() == &presenter_) SetMessagePresenter(nullptr);
  if (g_app == this) g_app = nullptr;
}

CMainApp* CMainApp::Instance() { return g_app; }

int CMainApp::Run() {
  // Before the start-up: a signal that comes while the program starts ends it as soon as
  // it has started.
  EndOnTermination();
  if (!InitInstance()) return ExitInstance(1);
  return ExitInstance(app_.exec());
}

void CMainApp::EndOnTermination() {
  platform::CatchInterrupt();
  // The signal only raises a flag; the event loop looks at it a few times a second.
  connect(&terminationTimer_, &QTimer::timeout, this, &CMainApp::OnTerminationTick, Qt::UniqueConnection);
  terminationTimer_.start(100);
}

void CMainApp::OnTerminationTick() {
  if (!platform::InterruptRequested() || !frame_) return;
  // A form waits inside an open dialog: closing the frame under it would pull the form
  // away from its own code. The dialog is cancelled first, as Esc would.
  if (QWidget* modal = QApplication::activeModalWidget()) {
    if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
    else modal->close();
    return;
  }
  // As the exit command: a running search is stopped first, and the next tick closes.
  frame_->RequestClose();
}

bool CMainApp::InitInstance(const std::string& programFolder) {
  const bool ok =
      InitInstance(ResolveAppLocations(GetModuleFolder(), programFolder, LocationEnvironment::FromProcess()));
  programFolder_ = programFolder.empty() ? GetModuleFolder() : programFolder;
  return ok;
}

bool CMainApp::InitInstance(const AppLocations& locations) {
  locations_ = locations;
  programFolder_ = locations.settingsFolder;
  // Where the folders cannot be made the program still runs; its saves then fail as they
  // would in a read-only folder.
  std::string problem;
  PrepareAppLocations(locations_, &problem);
  // Without a folder of its own the program keeps its files in the current folder.
  if (!BindSettingsFile(locations_.settingsFolder)) {
    SettingsFile().SetPath(LoadString(kStrProgramName), std::string(), "ini", false);
  }
  // Settings that are there but cannot be read would be taken for empty: the search would
  // go by the defaults (its processing mode, its log folder) without a word.
  if (!CanReadProfile(SettingsFile().FullPath(), nullptr)) {
    MessageBoxById(kStrSettingsUnreadable, MessageButtons::Ok, MessageIcon::Exclamation);
  }

  // The engine reads its block settings as it is made, so the settings file comes first.
  context_ = std::make_unique<AppContext>(locations_);
  SetApplicationScanEngine(&context_->engine);
  context_->engine.SetJobs(CScanEngine::AutomaticJobs());
  host_ = std::make_unique<QtSearchHost>(context_->engine);
  context_->engine.SetHost(host_.get());
  WireSearch();
  // Until the database form owns the store, it is loaded here and saved at exit.
  context_->LoadStore();

  frame_ = std::make_unique<CMainFrame>();
  frame_->SetRunningPredicate([this] { return running_ && running_(); });
  frame_->SetStopSearch([this] {
    if (stopSearch_) stopSearch_();
  });
  connect(frame_.get(), &CMainFrame::AboutRequested, this, &CMainApp::ShowAbout);
  const CMainFrame::FormFactory forms =
      formFactory_ ? formFactory_ : [this](int id, QWidget* parent) { return CreateForm(*context_, id, parent); };
  if (!frame_->Create(forms)) {
    frame_.reset();
    return false;
  }
  helpPath_ = frame_->GetHelpPath();
  host_->SetFrame(frame_.get());
  if (auto* target = frame_->FormAs<CDScanTarget>(kFormTarget)) {
    connect(target, &CDScanTarget::SearchArmed, this, [this] {
      searchArmed_ = true;
      RefreshForms();
    });
  }
  frame_->show();
  frame_->repaint();
  started_ = true;
  return true;
}

int CMainApp::ExitInstance(int exitCode) {
  terminationTimer_.stop();
  // The frame has destroyed its forms when it closed (they wrote their settings); what
  // remains goes now. Then the store is saved and the engine may go.
  frame_.reset();
  if (context_) {
    if (started_) context_->SaveStore();
    context_->engine.SetHost(nullptr);
    SetApplicationScanEngine(nullptr);
  }
  host_.reset();
  context_.reset();
  started_ = false;
  return exitCode;
}

void CMainApp::WireSearch() {
  AppContext& ctx = *context_;
  SetSearchControl([&ctx] { return ctx.engine.running; }, [&ctx] { ctx.engine.running = false; });
  // A registration runs inside the database form's own handler, never from here.
  SetIdleWork(
      [this, &ctx] { return !ctx.engine.registering && (ctx.engine.running || searchArmed_); },
      [this] { RunArmedSearch(); });
  SearchDriver::Hooks& hooks = ctx.driver.hooks();
  hooks.refreshForms = [this] { RefreshForms(); };
  hooks.flashIfMinimised = [this] {
    if (frame_ && frame_->isMinimized()) QApplication::alert(frame_.get());
  };
}

void CMainApp::RunArmedSearch() {
  AppContext& ctx = *context_;
  searchArmed_ = false;
  // A search stopped before it could start still ends as a stopped search.
  if (!ctx.driver.RunArmedSearch()) ctx.driver.FinishSearch();
  host_->Flush();
}

void CMainApp::RefreshForms() {
  if (!frame_) return;
  if (auto* target = frame_->FormAs<CDScanTarget>(kFormTarget)) target->EnableControls();
  frame_->UpdateCommandStates();
  if (auto* result = frame_->FormAs<CDScanResult>(kFormResult)) result->UpdateButtons();
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
