// --export FILE: every signature of the data file as the exchange file (SignatureTsv),
// written to FILE (replaced atomically) or, for "-", to stdout. A data file that cannot be
// read to its end is not exported: a part must not pass for the whole set.
#pragma once

#include <string>

class CliConsole;
class InvalFileDB;

class ExportCommand {
 public:
  // dataFolder holds Vorlet.dat (with its separator).
  ExportCommand(InvalFileDB& store, const std::string& dataFolder, CliConsole& console)
      : store_(store), dataFolder_(dataFolder), console_(console) {}

  // The exit status: 0 written, 2 not.
  int Run(const std::string& file);

 private:
  InvalFileDB& store_;
  const std::string dataFolder_;
  CliConsole& console_;
};
