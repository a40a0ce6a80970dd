// --import FILE: merges an exchange file (SignatureTsv) into the data file. The whole file
// is read first; one line that is not of the format names its number and nothing is
// imported. Then, under the data file's lock from the load to the save (as a registration
// holds it), each record whose category and name are new is added; one the data file holds
// with the same contents is already present; one it holds with other contents conflicts
// and the data file's record stays as it was. The counts, each conflicting record and each
// new signature that would hit innocent files (SignatureQuality) go to stderr.
#pragma once

#include <string>

class CliConsole;
class CScanEngine;
class InvalFileDB;

class ImportCommand {
 public:
  // dataFolder holds Vorlet.dat (with its separator); the engine gives the block length.
  ImportCommand(InvalFileDB& store, const CScanEngine& engine, const std::string& dataFolder, CliConsole& console)
      : store_(store), engine_(engine), dataFolder_(dataFolder), console_(console) {}

  // The exit status: 0 merged (conflicts included), 2 on any failure.
  int Run(const std::string& file);

 private:
  InvalFileDB& store_;
  const CScanEngine& engine_;
  const std::string dataFolder_;
  CliConsole& console_;
};
