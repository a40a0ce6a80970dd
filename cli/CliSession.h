// One run of vorlet-scan: with the settings bound where AppLocations puts them, loads the
// data file, wires the engine, the result model with its automatic processing, the log
// settings and the command line's host, presenter, problem sink and hit printer the way
// the desktop program wires its own, then searches, registers or lists. Settings are only
// read; the data file is written only by a registration that added records, and a search
// or listing refuses to start without one.
#pragma once

#include <string>

#include "CliConsole.h"
#include "CliHitPrinter.h"
#include "CliMessagePresenter.h"
#include "CliOptions.h"
#include "CliProblemSink.h"
#include "CliSearchHost.h"
#include "db/InvalFileDB.h"
#include "engine/CScanEngine.h"
#include "result/ScanOptions.h"
#include "result/ScanResultModel.h"
#include "settings/AppLocations.h"
#include "log/LogManager.h"
#include "log/ProcessJournal.h"
#include "util/TextList.h"

class CliSession {
 public:
  // Exit statuses.
  static constexpr int kExitClean = 0;
  static constexpr int kExitHits = 1;
  static constexpr int kExitTrouble = 2;
  static constexpr int kExitHitsAndTrouble = 3;

  // locations: where the settings, data file and logs are (CP932). The settings file must
  // be bound before the session is made, since the engine reads its block range at once.
  CliSession(const CliOptions& options, const AppLocations& locations, CliConsole& console);
  ~CliSession();
  CliSession(const CliSession&) = delete;
  CliSession& operator=(const CliSession&) = delete;

  int Run();

 private:
  int Search();
  int Register();
  int List();
  // False (and says so) when the data file could not be read to its end. Loads once.
  bool LoadStore();
  // The data file is there (or loaded already); says so when it is not.
  bool DataFileExists() const;
  std::string DataFilePath() const;
  TextList Targets() const;
  std::string PatternText() const;
  bool WriteLogs(const SearchRunInfo& run);
  // Some category the search is to use holds a signature; says so when none does.
  bool SignaturesInEffect() const;
  // Before a run that processes hits: every log asked for can be written; says why not.
  bool LogsCanBeWritten() const;
  void ReportCounts() const;
  // Says how many hits the processing failed on (in a dry run: would fail on); returns it.
  size_t ReportFailedProcessing() const;
  // The one place that decides whether this run keeps a journal, and where it goes.
  void StartJournal();
  // Lets the journal go and tells where it is; false when it could not be written.
  bool ReportJournal();

  const CliOptions& options_;
  const AppLocations locations_;
  // The data file's folder (with its separator).
  const std::string home_;
  CliConsole& console_;
  CScanEngine engine_;
  InvalFileDB store_;
  ScanResultModel results_;
  ScanOptions scanOptions_;
  LogManager logManager_;
  CliSearchHost host_;
  CliMessagePresenter presenter_;
  CliProblemSink problems_;
  CliHitPrinter printer_;
  ProcessJournal journal_;
  bool storeLoaded_ = false;
  bool storeComplete_ = false;
  std::string logFileWritten_;  // --log's file once it is written
};
