// The data file loader over any bytes: Load must neither fault nor let a length field cost
// more memory than the file could hold, and whatever it read must survive a Save and a
// second Load unchanged, record for record. A save of the records still held as the file's
// bytes must write what a save of the same records as objects writes. The bytes are read and written in memory (the
// file half of the archive only reads or writes a whole file at once), so that a run
// costs no file-system calls.
#include <bit>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "db/InvalFileDB.h"

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
  InvalFileDB db;
  const bool complete = db.LoadBytes(std::string(reinterpret_cast<const char*>(data), size));
  FUZZ_CHECK(complete == !db.LoadWasIncomplete());
  std::string savedAsRead;
  FUZZ_CHECK(db.SaveBytes(&savedAsRead));
  const std::vector<RecordValues> loaded = Records(db);  // every record an object now
  FUZZ_CHECK(static_cast<size_t>(db.RecordCount()) == loaded.size());

  std::string saved;
  FUZZ_CHECK(db.SaveBytes(&saved));
  FUZZ_CHECK(saved == savedAsRead);

  InvalFileDB again;
  FUZZ_CHECK(again.LoadBytes(saved));
  FUZZ_CHECK(!again.LoadWasIncomplete());
  FUZZ_CHECK(again.RecordCount() == db.RecordCount());
  FUZZ_CHECK(Records(again) == loaded);
  return 0;
}
