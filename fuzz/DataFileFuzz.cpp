// The data file loader over any bytes: Load must neither fault nor let a length field cost
// more memory than the file could hold, and whatever it read must survive a Save and a
// second Load unchanged, record for record. A save of the records still held as the file's
// bytes must write what a save of the same records as objects writes. The bytes are read
// and written in memory (the file half of the archive only reads or writes a whole file at
// once), so that a run costs no file-system calls.
//
// The second load is checked as a whole by its save, which must give the same bytes again
// (the same records in the same order), and record by record through a sample of the keys
// (FuzzSample.h): making every one of its records an object would double the run's
// allocations and find nothing the sample does not find over many runs.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "FuzzSample.h"
#include "db/InvalFileDB.h"

namespace {

bool SameValues(const InvalFileInfo& a, const InvalFileInfo& b) {
  // The date's bits, not its value: a NaN must come back as the same NaN.
  return a.Name() == b.Name() && a.Category() == b.Category() && a.RiskLevel() == b.RiskLevel() &&
         a.Author() == b.Author() && a.Summary() == b.Summary() &&
         std::bit_cast<uint64_t>(a.CreatedDate().days) == std::bit_cast<uint64_t>(b.CreatedDate().days) &&
         a.CreatedDate().status == b.CreatedDate().status && a.SearchLength() == b.SearchLength() &&
         std::equal(a.SearchBytes(), a.SearchBytes() + a.SearchLength(), b.SearchBytes());
}

// The records of the first load, in store order, as the objects that store made of them:
// the second load's records are compared with them in place, without a copy of their
// texts. Kept between runs so that a run allocates no list.
std::vector<std::shared_ptr<InvalFileInfo>> loaded;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  InvalFileDB db;
  const bool complete = db.LoadBytes(std::string(reinterpret_cast<const char*>(data), size));
  FUZZ_CHECK(complete == !db.LoadWasIncomplete());
  std::string savedAsRead;
  FUZZ_CHECK(db.SaveBytes(&savedAsRead));
  loaded.clear();
  db.ForEachRecord([](const std::shared_ptr<InvalFileInfo>& r) { loaded.push_back(r); });  // every record an object now
  FUZZ_CHECK(static_cast<size_t>(db.RecordCount()) == loaded.size());

  std::string saved;
  FUZZ_CHECK(db.SaveBytes(&saved));
  FUZZ_CHECK(saved == savedAsRead);

  InvalFileDB again;
  FUZZ_CHECK(again.LoadBytes(std::move(saved)));
  FUZZ_CHECK(!again.LoadWasIncomplete());
  FUZZ_CHECK(again.RecordCount() == db.RecordCount());
  std::string savedAgain;
  FUZZ_CHECK(again.SaveBytes(&savedAgain));
  FUZZ_CHECK(savedAgain == savedAsRead);
  const uint64_t seed = FuzzSample::Seed(std::string_view(reinterpret_cast<const char*>(data), size));
  for (size_t k : FuzzSample(loaded.size(), seed)) {
    if (k == loaded.size()) break;  // no record past the last: the counts agree
    const std::shared_ptr<InvalFileInfo> record = again.FindRecord(loaded[k]->Category(), loaded[k]->Name());
    FUZZ_CHECK(record != nullptr && SameValues(*record, *loaded[k]));
  }
  loaded.clear();
  return 0;
}
