#include "db/FingerprintIndex.h"

#include <algorithm>
#include <cstring>

#include "db/InvalFileCategory.h"
#include "db/InvalFileInfo.h"

namespace {

// Search order of two entries: category text, then name, both as unsigned bytes.
bool SearchesBefore(const FingerprintIndex::Entry& a, const FingerprintIndex::Entry& b) {
  int byCategory = a.category->Name().compare(b.category->Name());
  if (byCategory != 0) return byCategory < 0;
  return a.record->Name() < b.record->Name();
}

// The filter holds 16 bits per key up to 2^20 bits: with 100,000 keys about one bit in ten
// is set, and nine misses in ten end at the filter.
constexpr size_t kMaxFilterBits = size_t{1} << 20;
constexpr size_t kBitsPerKey = 16;

uint64_t Mix(uint64_t x) {
  x ^= x >> 30;
  x *= 0xBF58476D1CE4E5B9ULL;
  x ^= x >> 27;
  x *= 0x94D049BB133111EBULL;
  return x ^ (x >> 31);
}

}  // namespace

size_t FingerprintIndex::KeyHash::operator()(const Key& key) const {
  // Digests are uniform, but hand-typed search strings may share long prefixes: mix both
  // halves.
  uint64_t first, second;
  std::memcpy(&first, key.data(), 8);
  std::memcpy(&second, key.data() + 8, 8);
  return static_cast<size_t>(Mix(first ^ Mix(second)));
}

FingerprintIndex::Key FingerprintIndex::KeyOf(const uint8_t* bytes) {
  Key key;
  std::memcpy(key.data(), bytes, kKeyLength);
  return key;
}

uint32_t FingerprintIndex::FilterSlot(const uint8_t* bytes) {
  return uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16;
}

void FingerprintIndex::Mark(const uint8_t* bytes) {
  const uint32_t slot = FilterSlot(bytes) & filterMask_;
  filter_[slot >> 6] |= uint64_t{1} << (slot & 63);
}

void FingerprintIndex::RebuildFilter() {
  size_t bits = 64;
  while (bits < kMaxFilterBits && bits < lists_.size() * kBitsPerKey) bits *= 2;
  filter_.assign(bits / 64, 0);
  filterMask_ = static_cast<uint32_t>(bits - 1);
  staleKeys_ = 0;
  for (const auto& [key, list] : lists_) Mark(key.data());
}

void FingerprintIndex::Clear() {
  lists_.clear();
  filter_.assign(1, 0);
  filterMask_ = 63;
  staleKeys_ = 0;
}

void FingerprintIndex::Insert(InvalFileInfo* record, InvalFileCategory* category) {
  if (record->SearchLength() < kKeyLength) return;
  std::vector<Entry>& list = lists_[KeyOf(record->SearchBytes())];
  Entry entry{record, category};
  list.insert(std::upper_bound(list.begin(), list.end(), entry, SearchesBefore), entry);
  // Doubling keeps the rebuilds to a constant cost per key.
  if (FilterBits() < kMaxFilterBits && lists_.size() * kBitsPerKey > FilterBits()) {
    RebuildFilter();
  } else {
    Mark(record->SearchBytes());
  }
}

void FingerprintIndex::Erase(const InvalFileInfo* record) {
  if (record->SearchLength() < kKeyLength) return;
  auto found = lists_.find(KeyOf(record->SearchBytes()));
  if (found == lists_.end()) return;
  std::vector<Entry>& list = found->second;
  list.erase(std::remove_if(list.begin(), list.end(), [record](const Entry& e) { return e.record == record; }),
             list.end());
  if (!list.empty()) return;
  lists_.erase(found);
  // A bit cannot be cleared (another key may share it); stale bits only send a miss on to
  // the map, and are swept once they are a good share of the keys.
  if (++staleKeys_ > lists_.size() / 4 + 16) RebuildFilter();
}

const std::vector<FingerprintIndex::Entry>* FingerprintIndex::Find(const uint8_t* fingerprint) const {
  if (!MayHold(fingerprint)) return nullptr;
  auto found = lists_.find(KeyOf(fingerprint));
  return found == lists_.end() ? nullptr : &found->second;
}
