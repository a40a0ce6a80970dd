// The program's application-wide objects, made once at start-up after the settings file
// is bound and wired to each other: the search engine, the signature store, the result
// model that counts, processes and keeps the hits, the search settings (categories and
// automatic processing), the log settings and the search driver that runs an armed search.
// The forms show and edit these; they read their settings keys when they are created and
// write them when they are destroyed.
#pragma once

#include <string>

#include "db/InvalFileDB.h"
#include "engine/CScanEngine.h"
#include "engine/SearchDriver.h"
#include "result/ScanOptions.h"
#include "result/ScanResultModel.h"
#include "log/LogManager.h"
#include "settings/AppLocations.h"
#include "log/ProcessJournal.h"

class AppContext {
 public:
  // Where Vorlet.dat and the logs are; the settings file is bound already.
  explicit AppContext(const AppLocations& locations);
  // Everything in one folder (ending with its separator), as vorlet-scan --home keeps it.
  explicit AppContext(const std::string& folder);
  AppContext(const AppContext&) = delete;
  AppContext& operator=(const AppContext&) = delete;

  // The store's data file in its folder; the pump keeps windows alive between
  // open attempts.
  bool LoadStore();
  bool SaveStore();
  // A hit of the current result deleted, renamed or moved from the result form: recorded
  // in the journal of the search it came from.
  void RecordProcessedByHand(const ProcessedFile& done);

  const AppLocations locations;
  CScanEngine engine;
  InvalFileDB store;
  ScanResultModel results;
  ScanOptions scanOptions;
  LogManager logManager;
  SearchDriver driver;
  // What the last search did to files, automatically and by hand afterwards. Open only
  // while a search runs, so that an undo may take it back in between.
  ProcessJournal journal;

 private:
  // A search starts: its journal goes beside its automatic log, else beside the data file.
  void StartJournal();
  // Lets the journal go, and says so when it could not be written.
  void CloseJournal();
};
