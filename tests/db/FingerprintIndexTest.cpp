// The fingerprint index's miss filter may only ever say "maybe": every indexed key stays
// found while the filter grows, and after erasures have been swept.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "db/FingerprintIndex.h"
#include "db/InvalFileCategory.h"
#include "db/InvalFileInfo.h"

namespace {

std::shared_ptr<InvalFileInfo> RecordWith(std::mt19937_64& rng, int i, bool samePrefix) {
  uint8_t key[16];
  for (auto& b : key) b = static_cast<uint8_t>(rng());
  // Hand-typed search strings may share their first bytes, and so their filter bit.
  if (samePrefix) key[0] = key[1] = key[2] = 0;
  auto record = std::make_shared<InvalFileInfo>();
  record->SetFromBytes(std::to_string(i), "C", "", OleDate{}, "", key, 16, "");
  return record;
}

TEST(FingerprintIndexTest, FilterNeverHidesAKeyThroughGrowthAndErasure) {
  std::mt19937_64 rng(5);
  InvalFileCategory category("C");
  FingerprintIndex index;
  std::vector<std::shared_ptr<InvalFileInfo>> records;
  for (int i = 0; i < 20000; ++i) {
    records.push_back(RecordWith(rng, i, i % 50 == 0));
    index.Insert(records.back().get(), &category);
  }
  EXPECT_EQ(index.FilterBits(), size_t{1} << 19);  // 16 bits per key, a power of two
  for (const auto& record : records) ASSERT_FALSE(index.Find(record->SearchBytes()).empty());

  // Erase three in four (sweeping the stale bits several times on the way).
  for (size_t i = 0; i < records.size(); ++i) {
    if (i % 4 != 0) index.Erase(records[i].get());
  }
  EXPECT_EQ(index.KeyCount(), 5000u);
  EXPECT_LT(index.FilterBits(), size_t{1} << 19);
  for (size_t i = 0; i < records.size(); ++i) {
    EXPECT_EQ(!index.Find(records[i]->SearchBytes()).empty(), i % 4 == 0) << i;
  }

  index.Clear();
  EXPECT_TRUE(index.Find(records[0]->SearchBytes()).empty());
}

}  // namespace
