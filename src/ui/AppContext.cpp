#include "ui/AppContext.h"

#include "engine/SearchHost.h"

AppContext::AppContext(const AppLocations& at)
    : locations(at), driver(engine, SearchDriver::Hooks{}) {
  // A hit is processed (deleted, renamed, moved) before it is recorded; the engine's open
  // handle on the file is closed first.
  scanOptions.SetCloseFileHook([this] { engine.CloseTarget(); });
  results.SetAutoProcess([this](const std::string& path) { return scanOptions.AutoProcessFile(path); });
  engine.SetDetectionSink(&results);
  driver.hooks().checkLogFolder = [this] { return logManager.CheckLogFolder(); };
  driver.hooks().writeAutoLog = [this](const SearchRunInfo& run) { logManager.WriteAutoLog(run, results.Hits()); };
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
