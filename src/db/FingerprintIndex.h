// The store's index from the first 16 search bytes of a record to the records that have
// them, each list in the store's search order (category text, then name, as unsigned
// bytes). It lets a search find a file's first hit without visiting every record.
// Records with fewer than 16 search bytes never match and are not indexed.
//
// Almost every file of a search has no record, so a miss must be cheap however many
// signatures there are: a bit filter indexed by bits of the fingerprint (an MD5, already
// uniform) answers most misses with one access to a small array before the map is
// consulted. The filter grows with the keys up to 2^20 bits (128 KiB) and never gives a
// wrong "no".
//
// The entries are one array sorted by key, then search order: no node or list per key.
// Insert appends; the appended entries are sorted and merged in once, at the next Find or
// Erase, so that a load or a run of registrations costs one sort, not a move per record.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

class InvalFileInfo;
class InvalFileCategory;

class FingerprintIndex {
 public:
  static constexpr int32_t kKeyLength = 16;

  using Key = std::array<uint8_t, kKeyLength>;
  struct Entry {
    Key key;
    InvalFileInfo* record;
    InvalFileCategory* category;  // the category holding the record
  };

  // Both must stay alive until Erase; a record's search bytes, name and category must not
  // change while it is indexed.
  void Insert(InvalFileInfo* record, InvalFileCategory* category);
  void Erase(const InvalFileInfo* record);
  void Reserve(size_t entries) { entries_.reserve(entries); }
  // The records whose first 16 search bytes equal fingerprint[0..15] (empty when none),
  // valid until the next Insert, Erase or Clear.
  std::span<const Entry> Find(const uint8_t* fingerprint);
  void Clear();
  size_t KeyCount() const;
  // The filter's size in bits (0 while nothing was ever indexed).
  size_t FilterBits() const { return filter_.size() * 64; }

 private:
  static Key KeyOf(const uint8_t* bytes);
  // The filter bit of a key: its first bytes, masked to the filter's size.
  static uint32_t FilterSlot(const uint8_t* bytes);
  bool MayHold(const uint8_t* fingerprint) const {
    const uint32_t slot = FilterSlot(fingerprint) & filterMask_;
    return (filter_[slot >> 6] >> (slot & 63)) & 1;
  }
  void Mark(const uint8_t* bytes);
  // Sizes the filter for the keys there are and sets the bit of every key.
  void RebuildFilter();

  // Puts the entries appended since the last call in order.
  void Settle();
  void RebuildBuckets();
  static uint32_t BucketOf(const uint8_t* bytes) { return uint32_t{bytes[0]} << 8 | bytes[1]; }

  std::vector<Entry> entries_;
  // entries_[0, sorted_) are in order; the rest were appended since.
  size_t sorted_ = 0;
  // Where the sorted entries of each first two key bytes begin (and, one on, end): a
  // search looks at a handful of entries instead of halving the whole array. Emptied by
  // every change, renewed by the next Find.
  std::vector<uint32_t> buckets_;
  // One word to start with (every bit clear), so Find needs no test for an empty filter.
  std::vector<uint64_t> filter_ = std::vector<uint64_t>(1, 0);
  uint32_t filterMask_ = 63;
  // Keys erased since the last rebuild: their bits may still be set.
  size_t staleKeys_ = 0;
};
