// The fingerprint index's miss filter may only ever say "maybe": every indexed key stays
// found while the filter grows, and after erasures have been swept.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <random>
#include <vector>

#include "db/FingerprintIndex.h"

namespace {

// Keys by id; ids in search order are ids in number order. While inUse is given, only the
// ids it marks are in use (have a key), as a store's records are only once added.
class KeyTable : public FingerprintIndex::Records {
 public:
  const uint8_t* KeyOf(uint32_t id) const override {
    return !inUse.empty() && !inUse[id] ? nullptr : keys[id].data();
  }
  uint32_t IdCount() const override { return static_cast<uint32_t>(keys.size()); }
  bool SearchesBefore(uint32_t a, uint32_t b) const override { return a < b; }
  std::vector<std::array<uint8_t, 16>> keys;
  std::vector<bool> inUse;
};

void AddKeys(KeyTable& table, std::mt19937_64& rng, int count) {
  for (int i = 0; i < count; ++i) {
    std::array<uint8_t, 16> key;
    for (auto& b : key) b = static_cast<uint8_t>(rng());
    // Hand-typed search strings may share their first bytes, and so their filter bit.
    if (i % 50 == 0) key[0] = key[1] = key[2] = 0;
    table.keys.push_back(key);
  }
}

TEST(FingerprintIndexTest, FilterNeverHidesAKeyThroughGrowthAndErasure) {
  std::mt19937_64 rng(5);
  KeyTable table;
  AddKeys(table, rng, 20000);
  FingerprintIndex index(table);
  for (uint32_t id = 0; id < table.keys.size(); ++id) index.Insert(id);
  EXPECT_EQ(index.FilterBits(), size_t{1} << 19);  // 16 bits per key, a power of two
  for (const auto& key : table.keys) ASSERT_FALSE(index.Find(key.data()).empty());

  // Erase three in four (sweeping the stale bits several times on the way).
  for (uint32_t id = 0; id < table.keys.size(); ++id) {
    if (id % 4 != 0) index.Erase(id);
  }
  EXPECT_EQ(index.KeyCount(), 5000u);
  EXPECT_LT(index.FilterBits(), size_t{1} << 19);
  for (uint32_t id = 0; id < table.keys.size(); ++id) {
    EXPECT_EQ(!index.Find(table.keys[id].data()).empty(), id % 4 == 0) << id;
  }

  index.Clear();
  EXPECT_TRUE(index.Find(table.keys[0].data()).empty());
}

// A load builds the index at once, the editor puts one record at a time in place (the index
// built again as it outgrows its buckets): both give every key's records, and only those,
// in search order.
TEST(FingerprintIndexTest, BuiltAndPlacedIndexesAgree) {
  std::mt19937_64 rng(9);
  KeyTable table;
  AddKeys(table, rng, 2000);
  // Keys given to several records, and keys that differ only in their last byte.
  for (uint32_t id = 0; id < 2000; id += 7) table.keys[id] = table.keys[id / 2];
  for (uint32_t id = 1; id < 2000; id += 11) {
    table.keys[id] = table.keys[id - 1];
    table.keys[id][15] ^= 1;
  }
  KeyTable growing = table;
  growing.inUse.assign(table.keys.size(), false);
  FingerprintIndex built(table), inserted(growing);
  built.Build();
  for (uint32_t id = static_cast<uint32_t>(table.keys.size()); id-- > 0;) {
    growing.inUse[id] = true;
    inserted.Insert(id);
    inserted.Find(table.keys[id].data());  // one pending record: put in its place alone
  }

  for (const auto& key : table.keys) {
    std::vector<uint32_t> expected;
    for (uint32_t id = 0; id < table.keys.size(); ++id) {
      if (table.keys[id] == key) expected.push_back(id);
    }
    const auto fromBuild = built.Find(key.data());
    const auto fromInserts = inserted.Find(key.data());
    ASSERT_EQ(std::vector<uint32_t>(fromBuild.begin(), fromBuild.end()), expected);
    ASSERT_EQ(std::vector<uint32_t>(fromInserts.begin(), fromInserts.end()), expected);
  }
}

}  // namespace
