// The data file loader over any bytes: Load must neither fault nor let a length field cost
// more memory than the file could hold, and whatever it read must survive a Save and a
// second Load unchanged, record for record. A save of records made objects must write what
// a save of the same records still held as the file's bytes writes. The bytes are read and
// written in memory (the file half of the archive only reads or writes a whole file at
// once), so that a run costs no file-system calls.
//
// Records are made objects, and compared with the second load's, only for a sample of them
// (FuzzSample.h): the first, the second and the last always, a few more picked by the
// input. Making every record an object doubled a run's allocations and, once the inputs
// had grown to a hundred records, took most of its time, yet finds nothing the sample does
// not find over many runs. The second load is still checked whole by its save, which must
// give the same bytes again (the same records in the same order).
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

// The sampled records of the first load, as the objects that store made of them: the
// second load's records are compared with them in place, without a copy of their texts.
// Kept between runs so that a run allocates no list.
std::vector<std::shared_ptr<InvalFileInfo>> sampled;

// Makes objects of the records at the sample's places in store order (categories in order,
// each with its records in order); a record left as bytes is only stepped over.
void MakeSampledObjects(const InvalFileDB& db, const FuzzSample& sample) {
  sampled.clear();
  const size_t* next = sample.begin();
  size_t first = 0;  // store place of the category's first record
  for (const auto& [name, category] : db.Categories()) {
    const auto records = category.Records();
    auto record = records.begin();
    size_t at = first;
    for (; next != sample.end() && *next < first + records.size(); ++next) {
      for (; at < *next; ++at) ++record;
      sampled.push_back((*record).second);
    }
    first += records.size();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  InvalFileDB db;
  const bool complete = db.LoadBytes(std::string(reinterpret_cast<const char*>(data), size));
  FUZZ_CHECK(complete == !db.LoadWasIncomplete());
  std::string savedAsRead;
  FUZZ_CHECK(db.SaveBytes(&savedAsRead));

  const size_t count = static_cast<size_t>(db.RecordCount());
  size_t inCategories = 0;
  for (const auto& [name, category] : db.Categories()) inCategories += category.Records().size();
  FUZZ_CHECK(inCategories == count);
  const FuzzSample sample(count, FuzzSample::Seed(std::string_view(reinterpret_cast<const char*>(data), size)));
  MakeSampledObjects(db, sample);
  FUZZ_CHECK(sampled.size() == static_cast<size_t>(std::count_if(sample.begin(), sample.end(), [count](size_t k) { return k < count; })));

  std::string saved;
  FUZZ_CHECK(db.SaveBytes(&saved));
  FUZZ_CHECK(saved == savedAsRead);

  // The same records again: their search index was built by the first load already.
  InvalFileDB again;
  FUZZ_CHECK(again.LoadBytes(std::move(saved), false));
  FUZZ_CHECK(!again.LoadWasIncomplete());
  FUZZ_CHECK(again.RecordCount() == db.RecordCount());
  std::string savedAgain;
  FUZZ_CHECK(again.SaveBytes(&savedAgain));
  FUZZ_CHECK(savedAgain == savedAsRead);
  for (const std::shared_ptr<InvalFileInfo>& record : sampled) {
    const std::shared_ptr<InvalFileInfo> found = again.FindRecord(record->Category(), record->Name());
    FUZZ_CHECK(found != nullptr && SameValues(*found, *record));
  }
  sampled.clear();
  return 0;
}
