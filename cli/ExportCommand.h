// --export FILE: every signature of the data file as the exchange file (SignatureTsv),
// written to FILE (replaced atomically) or, for "-", to stdout. A data file that cannot be
// read to its end is not exported: a part must not pass for the whole set. A FILE that is
// no plain file of its own, or one of the program's own files, is refused before anything
// is read (log_preflight::CheckReplaceable).
#pragma once

#include <string>

#include "settings/AppLocations.h"

class CliConsole;
class InvalFileDB;

class ExportCommand {
 public:
  ExportCommand(InvalFileDB& store, const AppLocations& locations, CliConsole& console)
      : store_(store), locations_(locations), console_(console) {}

  // The exit status: 0 written, 2 not.
  int Run(const std::string& file);

 private:
  InvalFileDB& store_;
  const AppLocations& locations_;
  CliConsole& console_;
};
