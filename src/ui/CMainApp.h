// The application object: sets up the program's look, binds the settings file in the
// program's folder, makes the application-wide objects (AppContext: engine, store, result,
// settings, driver) and the search host, loads the signature store, opens the main frame
// with its forms, runs the idle-time work (an armed search starts when the event queue runs
// empty), shows the about box and tears down at exit. One per run; it works on the
// QApplication that main() made.
//
// The store is loaded at start and saved at exit, after the forms have written their
// settings, until the database form takes that over.
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>

#include "settings/AppLocations.h"
#include "ui/CMainFrame.h"
#include "ui/QtMessagePresenter.h"

class AppContext;
class QApplication;
class QtSearchHost;

class CMainApp : public QObject {
  Q_OBJECT

 public:
  explicit CMainApp(QApplication& app);
  ~CMainApp() override;

  // InitInstance, the event loop, ExitInstance; returns the program's exit status.
  int Run();
  // programFolder holds Vorlet.ini and Vorlet.dat; empty means the places the location
  // rule gives (AppLocations: the program's own folder when portable, the current folder
  // when even that cannot be found). False when the frame could not be created.
  bool InitInstance(const std::string& programFolder = std::string());
  // The same with the places given; installed places are made first (the settings copied
  // from the installation's on a first start).
  bool InitInstance(const AppLocations& locations);
  // Destroys what is left of the frame, saves the store, then the application-wide objects.
  int ExitInstance(int exitCode);

  // Before InitInstance: how the frame builds its forms (CreateForm over the context unless
  // a test says).
  void SetFormFactory(CMainFrame::FormFactory factory) { formFactory_ = std::move(factory); }
  // Whether a search runs, and how to stop one; handed on to the frame.
  void SetSearchControl(std::function<bool()> running, std::function<void()> stop);
  // The idle-time work: pending is asked (cheaply) each time the event queue runs empty;
  // when it says yes, run is called once from the event loop, never inside a modal dialog
  // and never re-entered. run must settle what pending reports (start the search or
  // disarm it), or it is called again at the next empty queue.
  void SetIdleWork(std::function<bool()> pending, std::function<void()> run);

  void ShowAbout();

  // From now on SIGTERM, SIGHUP and SIGINT (a logout, a shutdown, a closed terminal) end
  // the program the way ｱﾌﾟﾘｹｰｼｮﾝの終了 does, so nothing the user changed is lost: an open
  // dialog is cancelled, a running search stopped, then the frame closes (the forms write
  // their settings) and the data file is saved. A second signal of the same kind ends the
  // program at once.
  void EndOnTermination();

  // After a search starts or ends: the target form's controls, the frame's commands and
  // the result form's buttons follow the running flag.
  void RefreshForms();

  CMainFrame* Frame() const { return frame_.get(); }
  // Null before InitInstance and after ExitInstance.
  AppContext* Context() const { return context_.get(); }
  QtSearchHost* Host() const { return host_.get(); }
  const std::string& ProgramFolder() const { return programFolder_; }
  const AppLocations& Locations() const { return locations_; }
  // The help file the program opens (the frame's GetHelpPath).
  const std::string& HelpPath() const { return helpPath_; }
  static CMainApp* Instance();

 private:
  void OnEventQueueEmpty();
  void OnIdle();
  void WireSearch();
  void RunArmedSearch();
  void OnTerminationTick();

  QApplication& app_;
  QtMessagePresenter presenter_;
  std::unique_ptr<AppContext> context_;
  std::unique_ptr<QtSearchHost> host_;
  std::unique_ptr<CMainFrame> frame_;
  CMainFrame::FormFactory formFactory_;
  std::function<bool()> running_;
  std::function<void()> stopSearch_;
  std::function<bool()> idlePending_;
  std::function<void()> idleRun_;
  bool idleQueued_ = false;
  bool inIdle_ = false;
  // A form armed a search that has not run yet. It may have been stopped before it ran;
  // it is finished all the same, so that the forms come back.
  bool searchArmed_ = false;
  bool started_ = false;
  std::string programFolder_;
  AppLocations locations_;
  std::string helpPath_;
  QTimer terminationTimer_;
};
