#include "db/FingerprintIndex.h"

#include <algorithm>
#include <cstring>

#include "platform/ByteBuffer.h"

namespace {

// The filter holds 16 bits per key up to 2^20 bits: with 100,000 keys (two bits each)
// about one bit in six is set, and some 96 misses in 100 end at the filter.
constexpr size_t kMaxFilterBits = size_t{1} << 20;
constexpr size_t kBitsPerKey = 16;
// A filter word is chosen by a key's first two bytes.
static_assert(kMaxFilterBits / 64 <= 65536);
// A placed index is built again once it holds this many times as many keys as buckets.
constexpr size_t kKeysPerBucketBeforeBuild = 4;
// A build puts each key in order in its bucket as it places it while none holds more.
constexpr size_t kInsertionSortedBucket = 32;

int CompareKeys(const uint8_t* a, const uint8_t* b) { return std::memcmp(a, b, FingerprintIndex::kKeyLength); }

}  // namespace

void FingerprintIndex::SizeFilter(size_t keys) {
  size_t bits = 64;
  while (bits < kMaxFilterBits && bits < keys * kBitsPerKey) bits *= 2;
  platform::ReservePrefaulted(&filter_, bits / 64);
  filter_.assign(bits / 64, 0);
  filterWordMask_ = static_cast<uint32_t>(bits / 64 - 1);
  staleKeys_ = 0;
}

void FingerprintIndex::SizeBuckets(size_t keys) {
  bucketShift_ = 16;
  while (bucketShift_ > 0 && BucketCount() < keys) --bucketShift_;
  platform::ReservePrefaulted(&buckets_, BucketCount() + 1);
  buckets_.assign(BucketCount() + 1, 0);
}

void FingerprintIndex::RebuildFilter() {
  SizeFilter(ids_.size() + pending_.size());
  for (uint32_t id : ids_) Mark(records_.KeyOf(id));
  for (uint32_t id : pending_) Mark(records_.KeyOf(id));
}

bool FingerprintIndex::Before(uint32_t a, uint32_t b) const {
  if (int byKey = CompareKeys(records_.KeyOf(a), records_.KeyOf(b)); byKey != 0) return byKey < 0;
  return records_.SearchesBefore(a, b);
}

void FingerprintIndex::Clear() {
  ids_.clear();
  ids_.shrink_to_fit();
  std::vector<uint64_t>().swap(building_);
  pending_.clear();
  pending_.shrink_to_fit();
  buckets_.clear();
  buckets_.shrink_to_fit();
  bucketShift_ = 16;
  filter_.assign(1, 0);
  filterWordMask_ = 0;
  staleKeys_ = 0;
}

size_t FingerprintIndex::KeyCount() {
  Settle();
  size_t keys = 0;
  for (size_t i = 0; i < ids_.size(); ++i) {
    if (i == 0 || CompareKeys(records_.KeyOf(ids_[i]), records_.KeyOf(ids_[i - 1])) != 0) ++keys;
  }
  return keys;
}

void FingerprintIndex::Build() {
  const uint32_t count = records_.IdCount();
  size_t keys = 0;
  for (uint32_t id = 0; id < count; ++id) keys += records_.KeyOf(id) != nullptr ? 1 : 0;
  StartBuild(keys);
  for (uint32_t id = 0; id < count; ++id) {
    if (const uint8_t* key = records_.KeyOf(id)) AddToBuild(id, key);
  }
  FinishBuild();
}

void FingerprintIndex::StartBuild(size_t keys) {
  pending_.clear();
  std::vector<uint64_t>().swap(building_);
  platform::ReservePrefaulted(&building_, keys);
  SizeFilter(keys);
  SizeBuckets(keys);
}

void FingerprintIndex::FinishBuild() {
  const size_t keys = building_.size();
  const size_t bucketCount = BucketCount();
  // An entry's key head (its high half) and bucket.
  const auto headOf = [](uint64_t entry) { return static_cast<uint32_t>(entry >> 32); };
  const auto bucketOf = [&](uint64_t entry) { return size_t{BucketOf(headOf(entry))}; };
  // Each key's filter bits and its bucket's size. Both arrays are written at random: the
  // words some entries ahead are fetched meanwhile, so that the waits on memory overlap.
  constexpr size_t kAhead = 16;
  for (size_t i = 0; i < keys; ++i) {
    if (i + kAhead < keys) {
      const uint64_t ahead = building_[i + kAhead];
      __builtin_prefetch(&filter_[FilterWord(headOf(ahead))], 1);
      __builtin_prefetch(&buckets_[bucketOf(ahead) + 1], 1);
    }
    const uint64_t entry = building_[i];
    Mark(headOf(entry));
    ++buckets_[bucketOf(entry) + 1];
  }
  // The sizes counted, each bucket's start; the starts then move to the ends as the
  // buckets fill.
  size_t largest = 0;
  for (size_t b = 1; b <= bucketCount; ++b) {
    largest = std::max<size_t>(largest, buckets_[b]);
    buckets_[b] += buckets_[b - 1];
  }
  std::vector<uint64_t> placed;
  platform::ReservePrefaulted(&placed, keys);
  placed.resize(keys);

  // Within a bucket: by the first four key bytes, then by id; keys that share those four
  // bytes take the full order (key, then search order). A bucket holds a key or two, so
  // each entry is put in order among those before it as it goes in: a larger entry in the
  // slot before is of its own bucket (an earlier bucket's are smaller, a slot not filled
  // yet holds 0). Keys typed by hand may share their first bytes: a large bucket is
  // sorted on its own.
  bool shared = false;  // two entries share their four key bytes
  if (largest <= kInsertionSortedBucket) {
    for (size_t i = 0; i < keys; ++i) {
      // The slots some entries ahead are fetched meanwhile, their buckets' ends before.
      if (i + 2 * kAhead < keys) __builtin_prefetch(&buckets_[bucketOf(building_[i + 2 * kAhead])]);
      if (i + kAhead < keys) __builtin_prefetch(&placed[buckets_[bucketOf(building_[i + kAhead])]], 1);
      const uint64_t entry = building_[i];
      const size_t slot = buckets_[bucketOf(entry)]++;
      size_t to = slot;
      for (; to > 0 && placed[to - 1] > entry; --to) placed[to] = placed[to - 1];
      placed[to] = entry;
      if ((to > 0 && placed[to - 1] >> 32 == entry >> 32) || (to < slot && placed[to + 1] >> 32 == entry >> 32)) {
        shared = true;
      }
    }
  } else {
    for (uint64_t entry : building_) placed[buckets_[bucketOf(entry)]++] = entry;
    shared = true;
  }
  std::vector<uint64_t>().swap(building_);
  for (size_t b = bucketCount; b > 0; --b) buckets_[b] = buckets_[b - 1];
  buckets_[0] = 0;
  if (largest > kInsertionSortedBucket) {
    for (size_t b = 0; b < bucketCount; ++b) std::sort(placed.begin() + buckets_[b], placed.begin() + buckets_[b + 1]);
  }
  for (auto run = placed.begin(); shared && run != placed.end();) {
    auto end = run + 1;
    while (end != placed.end() && *end >> 32 == *run >> 32) ++end;
    if (end - run > 1) {
      std::sort(run, end, [this](uint64_t x, uint64_t y) {
        return Before(static_cast<uint32_t>(x), static_cast<uint32_t>(y));
      });
    }
    run = end;
  }
  std::vector<uint32_t>().swap(ids_);
  platform::ReservePrefaulted(&ids_, keys);
  ids_.resize(keys);
  for (size_t i = 0; i < keys; ++i) ids_[i] = static_cast<uint32_t>(placed[i]);
}

void FingerprintIndex::Insert(uint32_t id) {
  pending_.push_back(id);
  // Doubling keeps the rebuilds to a constant cost per key.
  if (FilterBits() < kMaxFilterBits && (ids_.size() + pending_.size()) * kBitsPerKey > FilterBits()) {
    RebuildFilter();
  } else {
    Mark(records_.KeyOf(id));
  }
}

void FingerprintIndex::Place(uint32_t id) {
  const uint32_t bucket = BucketOf(records_.KeyOf(id));
  const auto first = ids_.begin() + buckets_[bucket];
  const auto last = ids_.begin() + buckets_[bucket + 1];
  ids_.insert(std::upper_bound(first, last, id, [this](uint32_t x, uint32_t y) { return Before(x, y); }), id);
  for (size_t b = bucket + 1; b <= BucketCount(); ++b) ++buckets_[b];
}

void FingerprintIndex::Settle() {
  if (pending_.empty()) return;
  // One place costs a move of the array: past a few, one build costs less. So does an
  // index that has outgrown its buckets (or has none yet).
  const size_t total = ids_.size() + pending_.size();
  const bool outgrown = buckets_.empty() ||
                        (bucketShift_ > 0 && total > kKeysPerBucketBeforeBuild * BucketCount());
  if ((pending_.size() > 8 && pending_.size() > ids_.size() / 64) || outgrown) {
    Build();  // the filter too: no stale bit is left
    return;
  }
  for (uint32_t id : pending_) Place(id);
  pending_.clear();
}

void FingerprintIndex::Erase(uint32_t id) {
  Settle();
  if (buckets_.empty()) return;
  const uint8_t* key = records_.KeyOf(id);
  const uint32_t bucket = BucketOf(key);
  const auto first = ids_.begin() + buckets_[bucket];
  const auto last = ids_.begin() + buckets_[bucket + 1];
  const auto found = std::find(first, last, id);
  if (found == last) return;
  bool lastOfKey = true;
  for (auto other = first; other != last && lastOfKey; ++other) {
    if (other != found && CompareKeys(records_.KeyOf(*other), key) == 0) lastOfKey = false;
  }
  ids_.erase(found);
  for (size_t b = bucket + 1; b <= BucketCount(); ++b) --buckets_[b];
  if (!lastOfKey) return;
  // A bit cannot be cleared (another key may share it); stale bits only send a miss on to
  // the buckets, and are swept once they are a good share of the keys.
  if (++staleKeys_ > ids_.size() / 4 + 16) RebuildFilter();
}

std::span<const uint32_t> FingerprintIndex::Find(const uint8_t* fingerprint) {
  if (!MayHold(fingerprint)) return {};
  Settle();
  if (buckets_.empty()) return {};
  const uint32_t bucket = BucketOf(fingerprint);
  const auto bucketEnd = ids_.begin() + buckets_[bucket + 1];
  auto first = std::partition_point(ids_.begin() + buckets_[bucket], bucketEnd, [&](uint32_t id) {
    return CompareKeys(records_.KeyOf(id), fingerprint) < 0;
  });
  auto last = first;
  while (last != bucketEnd && CompareKeys(records_.KeyOf(*last), fingerprint) == 0) ++last;
  return {first, last};
}
