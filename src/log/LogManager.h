// The log settings and the two steps of a search that concern logging: the folder check
// before it and the automatic log after it. Also the list of the log folder's logs, the
// naming rules of a log saved by hand, and the editor command that opens a log. The log
// management form shows and edits this model; the search driver calls CheckLogFolder and
// WriteAutoLog; the result form calls the naming rules.
//
// Settings, section "General": fLog (automatic logging, 1 = on), LogFolder (empty reads as
// the default log folder of AppLocations), LogEditor (empty means the default editor).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "settings/SearchRunInfo.h"
#include "settings/AppFiles.h"
#include "settings/AppLocations.h"
#include "settings/ProfileFile.h"
#include "log/SearchLog.h"

class DetectedFileList;

class LogManager {
 public:
  // What opens a log when no editor is set, and when the set one cannot be started.
  static constexpr const char* kDefaultEditor = "xdg-open";

  bool AutoLog() const { return autoLog_; }
  void SetAutoLog(bool on) { autoLog_ = on; }
  const std::string& LogFolder() const { return logFolder_; }
  void SetLogFolder(std::string folder) { logFolder_ = std::move(folder); }
  const std::string& LogEditor() const { return logEditor_; }
  void SetLogEditor(std::string editor) { logEditor_ = std::move(editor); }

  // locations gives the log folder used while the settings name none.
  void LoadSettings(const ProfileFile& settings, const AppLocations& locations);
  // false when a write failed (the other keys are still written).
  bool SaveSettings(const ProfileFile& settings = SettingsFile()) const;

  // Before a search: whether it may start. With automatic logging on, a missing log folder
  // is created with its parents; when that fails message 141 asks (Yes: search without a
  // log). Without a message presenter the answer is not Yes.
  bool CheckLogFolder() const;

  // After a search: with automatic logging on, writes the log of run and hits into the log
  // folder under the start time's name. An existing log is never replaced: when the name is
  // taken (two searches started in the same second), the log gets the first free name of
  // "-2", "-3" ... after the time stamp. Returns whether the log was written; the
  // log-written hook is then called too, so that a view refreshes its list. Nothing is
  // written for an empty log folder.
  bool WriteAutoLog(const SearchRunInfo& run, const DetectedFileList* hits);
  // The path the last WriteAutoLog wrote; empty when it wrote none.
  const std::string& WrittenAutoLog() const { return writtenAutoLog_; }
  void SetLogWrittenHook(std::function<void()> hook) { logWritten_ = std::move(hook); }

  // Where the automatic log of a search started at startTime goes when the name is free;
  // number 2 and up give the names taken after it.
  std::string AutoLogPath(const LogDateTime& startTime, int number = 1) const;
  // The file names (no folder) of the "*.log" files of the log folder (the current folder
  // for an empty one), sorted by name as unsigned bytes, except that the logs numbered
  // "-2", "-3" ... follow the one whose name they extend, in the order of their numbers.
  // Folders are left out.
  std::vector<std::string> ListLogs() const;
  // The log folder, a separator unless it ends with one, and the name.
  std::string LogPath(const std::string& fileName) const;

 private:
  bool autoLog_ = false;
  std::string logFolder_;
  std::string logEditor_;
  std::function<void()> logWritten_;
  std::string writtenAutoLog_;
};

// ---- saving a log by hand ----

// The name the save dialog proposes: logFolder, a separator (also for an empty folder, but
// never a second one), the start time as 14 digits, ".log".
std::string ProposedLogName(const std::string& logFolder, const LogDateTime& startTime);
// The file actually written for the chosen path: its folder, a separator, its title (the
// name without its extension) and ".log". Empty when the path or the title is empty: the
// dialog is then shown again.
std::string FinalLogPath(const std::string& chosenPath);
// Whether saving to chosenPath must be refused with message 143: a file exists at the
// chosen path or at the ".log" path that would be written.
bool LogSaveNameTaken(const std::string& chosenPath);

// ---- opening a log ----

// The argument vector that opens logPath in the editor: the editor text split into words
// as a POSIX shell splits them (blanks separate; single quotes, double quotes and
// backslashes quote), with no expansion of any kind, then logPath as one more argument of
// its own (none when logPath is empty). An editor text without words gives kDefaultEditor.
// The result is started directly, never through a shell. Texts are CP932.
std::vector<std::string> BuildEditorCommand(const std::string& editorText, const std::string& logPath);
