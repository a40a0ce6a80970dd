#include "ExportCommand.h"

#include <cstring>

#include "CliConsole.h"
#include "CliTexts.h"
#include "db/InvalFileDB.h"
#include "db/SignatureTsv.h"
#include "platform/FileSystem.h"
#include "util/FileChecks.h"

namespace {

constexpr int kExitDone = 0;
constexpr int kExitTrouble = 2;

// Whether path names the data file itself (however it is spelled), which an export would
// otherwise replace with text.
bool IsDataFile(const std::string& path, const std::string& dataFile) {
  platform::FileStatus target, data;
  return platform::GetStatus(path, &target) && platform::GetStatus(dataFile, &data) &&
         platform::SameIdentity(platform::IdentityOf(target), platform::IdentityOf(data));
}

}  // namespace

int ExportCommand::Run(const std::string& file) {
  const std::string dataFile = dataFolder_ + InvalFileDB::kDataFileBase + "." + InvalFileDB::kDataFileExt;
  if (!PathExists(dataFile)) {
    console_.ErrLine("vorlet-scan: no data file: " + dataFile);
    return kExitTrouble;
  }
  if (file != "-" && IsDataFile(file, dataFile)) {
    console_.ErrLine("vorlet-scan: --export: " + file + " is the data file; nothing was written");
    return kExitTrouble;
  }
  if (!store_.Load(dataFolder_)) {
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
