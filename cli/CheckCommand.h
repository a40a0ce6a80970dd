// vorlet-scan --check-signatures FOLDER...: searches folders of known-good files with
// every signature of the data file and lists the signatures that match there (count,
// category, name, a few of the files), most files first; then keeps the result beside the
// data file for the database editor. Runs the search's engine, reading ahead as a search
// does, with the settings' block range, but processes, logs and saves nothing else.
#pragma once

#include <string>

#include "CliConsole.h"
#include "CliMessagePresenter.h"
#include "CliOptions.h"
#include "CliProblemSink.h"
#include "CliSearchHost.h"
#include "db/InvalFileDB.h"
#include "engine/CScanEngine.h"
#include "result/SignatureCheck.h"
#include "util/TextList.h"

class CheckCommand {
 public:
  // home: the data file's folder; the settings file is bound already.
  CheckCommand(const CliOptions& options, const std::string& home, CliConsole& console);
  ~CheckCommand();
  CheckCommand(const CheckCommand&) = delete;
  CheckCommand& operator=(const CheckCommand&) = delete;

  // The exit status (CliSession's).
  int Run();

 private:
  // The FOLDERs as absolute paths; false (and says which) when one cannot be listed.
  bool ReferenceFolders(TextList* folders) const;
  void PrintMatches(const std::vector<SignatureCheck::Match>& matches);
  // Writes the check file unless the data file's folder is read-only; false on a failure.
  bool SaveResult(const TextList& folders, const std::vector<SignatureCheck::Match>& matches);

  const CliOptions& options_;
  const std::string home_;
  CliConsole& console_;
  CScanEngine engine_;
  InvalFileDB store_;
  SignatureCheck check_;
  CliSearchHost host_;
  CliMessagePresenter presenter_;
  CliProblemSink problems_;
  std::string started_;
};
