#include "ImportCommand.h"

#include <cstring>
#include <memory>
#include <vector>

#include "CliConsole.h"
#include "CliTexts.h"
#include "QualityReport.h"
#include "db/InvalFileDB.h"
#include "db/SignatureTsv.h"
#include "engine/CScanEngine.h"
#include "engine/Md5.h"
#include "engine/SignatureQuality.h"
#include "platform/FileSystem.h"

namespace {

constexpr int kExitDone = 0;
constexpr int kExitTrouble = 2;

// "追加件数：", "登録済み件数：", "競合件数：", "競合（元のまま）："
constexpr char kAdded[] = "\x92\xC7\x89\xC1\x8C\x8F\x90\x94\x81\x46";
constexpr char kPresent[] = "\x93\x6F\x98\x5E\x8D\xCF\x82\xDD\x8C\x8F\x90\x94\x81\x46";
constexpr char kConflicting[] = "\x8B\xA3\x8D\x87\x8C\x8F\x90\x94\x81\x46";
constexpr char kConflict[] = "\x8B\xA3\x8D\x87\x81\x69\x8C\xB3\x82\xCC\x82\xDC\x82\xDC\x81\x6A\x81\x46";
// "検出できない署名：", "：検索バイトが", "バイトに足りません（", "バイト）"
constexpr char kNeverMatches[] = "\x8C\x9F\x8F\x6F\x82\xC5\x82\xAB\x82\xC8\x82\xA2\x8F\x90\x96\xBC\x81\x46";
constexpr char kSearchBytesOf[] = "\x81\x46\x8C\x9F\x8D\xF5\x83\x6F\x83\x43\x83\x67\x82\xAA";
constexpr char kBytesShort[] = "\x83\x6F\x83\x43\x83\x67\x82\xC9\x91\xAB\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x81\x69";
constexpr char kBytesClose[] = "\x83\x6F\x83\x43\x83\x67\x81\x6A";

}  // namespace

int ImportCommand::Run(const std::string& file) {
  std::string text;
  int error = 0;
  if (!platform::ReadWholeFile(file, &text, &error)) {
    console_.ErrLine("vorlet-scan: --import: cannot read " + file + ": " + std::strerror(error));
    return kExitTrouble;
  }
  std::vector<std::shared_ptr<InvalFileInfo>> records;
  size_t line = 0;
  std::string reason;
  if (!SignatureTsv::Parse(text, &records, &line, &reason)) {
    console_.ErrLine("vorlet-scan: --import: " + file + ": line " + std::to_string(line) + ": " + reason +
                     "; nothing was imported");
    return kExitTrouble;
  }

  // Held from the load to the save, so that no other writer comes in between; where it
  // cannot be had, the save merges into the file as it is then, as a registration's does.
  store_.LockDataFile(dataFolder_);
  const bool storeOk = store_.Load(dataFolder_);
  const std::string dataFile = dataFolder_ + InvalFileDB::kDataFileBase + "." + InvalFileDB::kDataFileExt;
  if (!storeOk) console_.ErrLine(cli_text::kDataFileIncomplete + dataFile);

  SignatureQuality quality(engine_.BlockLength(CScanEngine::kSearchBufferSize));
  int32_t added = 0, present = 0;
  std::vector<std::shared_ptr<InvalFileInfo>> conflicts;
  // The data file takes records with fewer search bytes than a digest (a digest cut short
  // in the file), but a search compares digests: such a record never matches a file.
  std::vector<std::shared_ptr<InvalFileInfo>> neverMatching;
  for (const std::shared_ptr<InvalFileInfo>& record : records) {
    // Earlier lines of the same file count as held: a line repeated is present.
    const std::shared_ptr<InvalFileInfo> held = store_.FindRecord(record->Category(), record->Name());
    const bool isNew = held == nullptr && store_.Add(record);
    if (isNew) {
      ++added;
      if (record->SearchLength() < static_cast<int32_t>(Md5::kDigestSize)) neverMatching.push_back(record);
    } else if (held != nullptr && SignatureTsv::SameContents(*held, *record)) {
      ++present;
    } else {
      conflicts.push_back(record);
    }
    quality.AddRecord(record, isNew);
  }
  const bool saved = added == 0 || store_.Save(dataFolder_);
  store_.UnlockDataFile();

  console_.ErrLine(kAdded + std::to_string(added));
  console_.ErrLine(kPresent + std::to_string(present));
  console_.ErrLine(kConflicting + std::to_string(conflicts.size()));
  for (const auto& record : conflicts) console_.ErrLine(kConflict + QualityReport::Key(*record));
  QualityReport::Print(console_, quality.Warnings());
  for (const auto& record : neverMatching) {
    console_.ErrLine(kNeverMatches + QualityReport::Key(*record) + kSearchBytesOf + std::to_string(Md5::kDigestSize) +
                     kBytesShort + std::to_string(record->SearchLength()) + kBytesClose);
  }
  if (!saved) console_.ErrLine(cli_text::kDataFileNotSaved + dataFile);
  return storeOk && saved ? kExitDone : kExitTrouble;
}
