#include "db/FingerprintIndex.h"

#include <algorithm>
#include <cstring>

#include "db/InvalFileCategory.h"
#include "db/InvalFileInfo.h"

namespace {

// Index order: key, then search order (category text, then name, both as unsigned bytes).
bool Before(const FingerprintIndex::Entry& a, const FingerprintIndex::Entry& b) {
  if (int byKey = std::memcmp(a.key.data(), b.key.data(), FingerprintIndex::kKeyLength); byKey != 0) {
    return byKey < 0;
  }
  int byCategory = a.category->Name().compare(b.category->Name());
  if (byCategory != 0) return byCategory < 0;
  return a.record->Name() < b.record->Name();
}

bool KeyBefore(const FingerprintIndex::Entry& a, const FingerprintIndex::Key& b) {
  return std::memcmp(a.key.data(), b.data(), FingerprintIndex::kKeyLength) < 0;
}

bool KeyAfter(const FingerprintIndex::Key& a, const FingerprintIndex::Entry& b) {
  return std::memcmp(a.data(), b.key.data(), FingerprintIndex::kKeyLength) < 0;
}

// The filter holds 16 bits per key up to 2^20 bits: with 100,000 keys about one bit in ten
// is set, and nine misses in ten end at the filter.
constexpr size_t kMaxFilterBits = size_t{1} << 20;
constexpr size_t kBitsPerKey = 16;

}  // namespace

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
  while (bits < kMaxFilterBits && bits < entries_.size() * kBitsPerKey) bits *= 2;
  filter_.assign(bits / 64, 0);
  filterMask_ = static_cast<uint32_t>(bits - 1);
  staleKeys_ = 0;
  for (const Entry& entry : entries_) Mark(entry.key.data());
}

void FingerprintIndex::Clear() {
  entries_.clear();
  entries_.shrink_to_fit();
  sorted_ = 0;
  buckets_.clear();
  filter_.assign(1, 0);
  filterMask_ = 63;
  staleKeys_ = 0;
}

size_t FingerprintIndex::KeyCount() const {
  size_t keys = 0;
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (i == 0 || entries_[i].key != entries_[i - 1].key) ++keys;
  }
  return keys;
}

void FingerprintIndex::Settle() {
  if (sorted_ == entries_.size()) return;
  const auto middle = entries_.begin() + static_cast<std::ptrdiff_t>(sorted_);
  std::sort(middle, entries_.end(), Before);
  std::inplace_merge(entries_.begin(), middle, entries_.end(), Before);
  sorted_ = entries_.size();
  buckets_.clear();
}

void FingerprintIndex::RebuildBuckets() {
  constexpr size_t kBuckets = size_t{1} << 16;
  buckets_.assign(kBuckets + 1, 0);
  for (const Entry& entry : entries_) ++buckets_[BucketOf(entry.key.data()) + 1];
  for (size_t i = 1; i <= kBuckets; ++i) buckets_[i] += buckets_[i - 1];
}

void FingerprintIndex::Insert(InvalFileInfo* record, InvalFileCategory* category) {
  if (record->SearchLength() < kKeyLength) return;
  entries_.push_back(Entry{KeyOf(record->SearchBytes()), record, category});
  // Doubling keeps the rebuilds to a constant cost per key.
  if (FilterBits() < kMaxFilterBits && entries_.size() * kBitsPerKey > FilterBits()) {
    RebuildFilter();
  } else {
    Mark(record->SearchBytes());
  }
}

void FingerprintIndex::Erase(const InvalFileInfo* record) {
  if (record->SearchLength() < kKeyLength) return;
  Settle();
  const Key key = KeyOf(record->SearchBytes());
  auto first = std::lower_bound(entries_.begin(), entries_.end(), key, KeyBefore);
  auto last = std::upper_bound(first, entries_.end(), key, KeyAfter);
  auto found = std::find_if(first, last, [record](const Entry& e) { return e.record == record; });
  if (found == last) return;
  const bool lastOfKey = last - first == 1;
  entries_.erase(found);
  sorted_ = entries_.size();
  buckets_.clear();  // renewed by the next Find
  if (!lastOfKey) return;
  // A bit cannot be cleared (another key may share it); stale bits only send a miss on to
  // the array, and are swept once they are a good share of the keys.
  if (++staleKeys_ > entries_.size() / 4 + 16) RebuildFilter();
}

std::span<const FingerprintIndex::Entry> FingerprintIndex::Find(const uint8_t* fingerprint) {
  if (!MayHold(fingerprint)) return {};
  Settle();
  if (buckets_.empty()) RebuildBuckets();
  const Key key = KeyOf(fingerprint);
  const uint32_t bucket = BucketOf(fingerprint);
  const auto bucketEnd = entries_.begin() + buckets_[bucket + 1];
  auto first = std::lower_bound(entries_.begin() + buckets_[bucket], bucketEnd, key, KeyBefore);
  auto last = first;
  while (last != bucketEnd && last->key == key) ++last;
  return {first, last};
}
