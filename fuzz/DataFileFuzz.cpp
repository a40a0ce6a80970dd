// The data file loader over any bytes: Load must neither fault nor let a length field cost
// more memory than the file could hold, and whatever it read must survive a Save and a
// second Load unchanged, record for record.
#include <bit>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "FuzzScratchFolder.h"
#include "db/InvalFileDB.h"
#include "platform/FileSystem.h"

namespace {

struct RecordValues {
  std::string name, category, riskLevel, author, summary, searchText;
  uint64_t dayBits = 0;
  int32_t status = 0;

  bool operator==(const RecordValues&) const = default;
};

std::vector<RecordValues> Records(const InvalFileDB& db) {
  std::vector<RecordValues> records;
  db.ForEachRecord([&](const std::shared_ptr<InvalFileInfo>& r) {
    records.push_back({r->Name(), r->Category(), r->RiskLevel(), r->Author(), r->Summary(), r->GetSearchText(),
                       std::bit_cast<uint64_t>(r->CreatedDate().days), r->CreatedDate().status});
  });
  return records;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& loadFolder = fuzz_support::ScratchFolder("load");
  const std::string& saveFolder = fuzz_support::ScratchFolder("save");
  const std::string fileName = std::string(InvalFileDB::kDataFileBase) + "." + InvalFileDB::kDataFileExt;
  FUZZ_CHECK(platform::WriteFileAtomic(loadFolder + fileName,
                                       std::string_view(reinterpret_cast<const char*>(data), size)));

  InvalFileDB db;
  const bool complete = db.Load(loadFolder);
  FUZZ_CHECK(complete == !db.LoadWasIncomplete());
  const std::vector<RecordValues> loaded = Records(db);
  FUZZ_CHECK(static_cast<size_t>(db.RecordCount()) == loaded.size());

  // A fresh target folder: no earlier file there for Save to keep as a damaged copy.
  platform::RemoveFile(saveFolder + fileName);
  FUZZ_CHECK(db.Save(saveFolder));

  InvalFileDB again;
  FUZZ_CHECK(again.Load(saveFolder));
  FUZZ_CHECK(!again.LoadWasIncomplete());
  FUZZ_CHECK(again.RecordCount() == db.RecordCount());
  FUZZ_CHECK(Records(again) == loaded);
  return 0;
}
