// The one top-level window: a fixed-size frame that shows exactly one of the five forms at
// a time above its status bar, with the menu that switches forms, keeps the window on top
// and opens the help file. The frame refuses to close while a search runs.
//
// The frame knows neither the search engine nor the form classes. The application gives it
//   - a predicate "is a search running?" (SetRunningPredicate) and the way to stop one
//     (SetStopSearch), and
//   - a FormFactory that builds each form by its id as a child of the given parent (a null
//     result, or an exception, marks that form as missing).
// Every form is given its id as objectName and the one form size (FormSize()). A form
// writes its settings in its destructor: DestroyForms deletes the forms in the order
// search targets, search settings, search result, log management, database.
#pragma once

#include <QMainWindow>
#include <QUrl>
#include <array>
#include <functional>
#include <string>

class CMainMenu;
class CMainStatusBar;

// Dialog ids of the five forms.
enum FormId : int {
  kFormTarget = 102,
  kFormOption = 103,
  kFormLog = 104,
  kFormDb = 105,
  kFormResult = 106,
};

class CMainFrame : public QMainWindow {
  Q_OBJECT

 public:
  using FormFactory = std::function<QWidget*(int formId, QWidget* parent)>;
  using UrlOpener = std::function<bool(const QUrl& url)>;

  // A stand-in form: an empty widget showing the form's name (the default factory).
  static QWidget* CreatePlaceholderForm(int formId, QWidget* parent);
  // The frame a form (or any of its controls) lives in; null outside a frame.
  static CMainFrame* Of(const QWidget* widget);
  // The 戻る of a form: back to the search target form of its frame, if it has one.
  static void ShowTargetForm(const QWidget* form);

  explicit CMainFrame(QWidget* parent = nullptr);
  ~CMainFrame() override;

  // Creates the forms, shows the search target form and fixes the frame's size to it.
  // False when the search target form could not be created: the program does not start.
  bool Create(const FormFactory& factory = CreatePlaceholderForm);

  void SetRunningPredicate(std::function<bool()> running) { running_ = std::move(running); }
  void SetStopSearch(std::function<void()> stop) { stopSearch_ = std::move(stop); }
  bool IsSearchRunning() const { return running_ && running_(); }
  // Set by the result form once it holds a hit list (after the first search).
  void SetResultAvailable(bool available);
  // Applies the enable rules to the commands; call when a search starts or ends.
  void UpdateCommandStates();

  void CreateForms(const FormFactory& factory);
  void HideAllForms();
  // Shows the form with that id (102..106); an id without a form shows the out-of-memory
  // message and leaves the visible form as it was. True when the form is shown.
  bool ShowForm(int id);
  void DestroyForms();
  QWidget* Form(int id) const;
  template <class T>
  T* FormAs(int id) const {
    return qobject_cast<T*>(Form(id));
  }
  QWidget* CurrentForm() const { return currentForm_; }
  int CurrentFormId() const { return currentFormId_; }
  QSize FormSize() const { return formSize_; }

  // text is CP932; pane 0 is the message pane. Painted at once.
  void SetStatusText(const std::string& text, int pane = 0);
  CMainStatusBar* StatusBar() const { return statusBar_; }

  void ToggleTopMost();
  bool IsTopMost() const { return topMost_; }

  // The help file (CP932): beside the program, or where an installation keeps it.
  std::string GetHelpPath() const;
  void ShowHelp();
  // Replaces the desktop's URL handler (tests).
  void SetUrlOpener(UrlOpener opener) { urlOpener_ = std::move(opener); }

  // A close request the program posts: at its turn it stops a running search and keeps the
  // window, or closes the frame when no search runs.
  void RequestClose();
  // The 終了 button: closes the frame once the button's own handling is over.
  void EndProgram();

  QAction* Action(int commandId) const;

 signals:
  void AboutRequested();

 protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  static constexpr std::array<int, 5> kFormIds = {kFormTarget, kFormOption, kFormLog, kFormDb, kFormResult};
  static int SlotOf(int id);
  void ConnectCommands();
  void ShowFormIfIdle(int id);
  void FocusForm(QWidget* form);

  CMainMenu* menu_ = nullptr;
  CMainStatusBar* statusBar_ = nullptr;
  QWidget* formHost_ = nullptr;
  std::array<QWidget*, 5> forms_{};
  QWidget* currentForm_ = nullptr;
  int currentFormId_ = kFormTarget;
  QSize formSize_;
  bool topMost_ = false;
  bool resultAvailable_ = false;
  std::function<bool()> running_;
  std::function<void()> stopSearch_;
  UrlOpener urlOpener_;
};
