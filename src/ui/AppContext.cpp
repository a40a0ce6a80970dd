#include "ui/AppContext.h"

#include <cstring>

#include "engine/SearchHost.h"
#include "util/MessageBox.h"

AppContext::AppContext(const AppLocations& at)
    : locations(at), driver(engine, SearchDriver::Hooks{}) {
  // A hit is processed (deleted, renamed, moved) before it is recorded; the engine's open
  // handle on the file is closed first.
  scanOptions.SetCloseFileHook([this] { engine.CloseTarget(); });
  results.SetAutoProcess([this](const std::string& path) { return scanOptions.AutoProcessFile(path); });
  scanOptions.SetProcessedHook([this](const ProcessedFile& done) { journal.Record(done); });
  engine.SetDetectionSink(&results);
  driver.hooks().checkLogFolder = [this] {
    if (!logManager.CheckLogFolder()) return false;
    StartJournal();
    return true;
  };
  driver.hooks().writeAutoLog = [this](const SearchRunInfo& run) {
    logManager.WriteAutoLog(run, results.Hits());
    CloseJournal();
  };
}

void AppContext::StartJournal() {
  std::vector<std::string> folders;
  if (logManager.AutoLog() && !logManager.LogFolder().empty()) folders.push_back(logManager.LogFolder());
  folders.push_back(locations.dataFolder);
  journal.Start(std::move(folders), [this] { return engine.StartTime(); });
}

void AppContext::CloseJournal() {
  journal.Close();
  if (!journal.Failed()) return;
  MessageBoxText(kJournalNotWritten + journal.FailedPath() + "\n" + std::strerror(journal.Error()),
                 MessageButtons::Ok, MessageIcon::Exclamation, true);
}

void AppContext::RecordProcessedByHand(const ProcessedFile& done) {
  // A result that no search of this program made (none has run yet) still gets a journal.
  if (!journal.Started()) StartJournal();
  journal.Record(done);
  CloseJournal();
}

AppContext::AppContext(const std::string& folder) : AppContext(ResolveAppLocations(std::string(), folder, {})) {}

bool AppContext::LoadStore() {
  return store.Load(locations.dataFolder, [this] {
    if (engine.Host() != nullptr) engine.Host()->PumpEvents();
  });
}

bool AppContext::SaveStore() {
  return store.Save(locations.dataFolder, [this] {
    if (engine.Host() != nullptr) engine.Host()->PumpEvents();
  });
}
