#include "ExportCommand.h"

#include <cstring>

#include "CliConsole.h"
#include "CliTexts.h"
#include "LogPreflight.h"
#include "db/InvalFileDB.h"
#include "db/SignatureTsv.h"
#include "platform/FileSystem.h"
#include "util/FileChecks.h"

namespace {

constexpr int kExitDone = 0;
constexpr int kExitTrouble = 2;

}  // namespace

int ExportCommand::Run(const std::string& file) {
  const std::string dataFile = locations_.DataFilePath();
  if (!PathExists(dataFile)) {
    console_.ErrLine("vorlet-scan: no data file: " + dataFile);
    return kExitTrouble;
  }
  std::string reason;
  if (file != "-" && !log_preflight::CheckReplaceable(file, locations_, &reason)) {
    console_.ErrLine("vorlet-scan: --export: " + reason + "; nothing was written");
    return kExitTrouble;
  }
  if (!store_.Load(locations_.dataFolder)) {
    console_.ErrLine(cli_text::kDataFileIncomplete + dataFile);
    console_.ErrLine("vorlet-scan: --export: nothing was written");
    return kExitTrouble;
  }
  const std::string text = SignatureTsv::Export(store_);
  if (file == "-") {
    // UTF-8 whatever the console's code set: the file's format, not a display.
    console_.Out(text);
    console_.FlushOut();
    return kExitDone;
  }
  int error = 0;
  if (!platform::WriteFileAtomic(file, text, &error)) {
    console_.ErrLine("vorlet-scan: --export: cannot write " + file + ": " + std::strerror(error));
    return kExitTrouble;
  }
  return kExitDone;
}
