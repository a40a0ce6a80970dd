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
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

class InvalFileInfo;
class InvalFileCategory;

class FingerprintIndex {
 public:
  static constexpr int32_t kKeyLength = 16;

  struct Entry {
    InvalFileInfo* record;
    InvalFileCategory* category;  // the category holding the record
  };

  // Both must stay alive until Erase; a record's search bytes, name and category must not
  // change while it is indexed.
  void Insert(InvalFileInfo* record, InvalFileCategory* category);
  void Erase(const InvalFileInfo* record);
  // The records whose first 16 search bytes equal fingerprint[0..15], or nullptr.
  const std::vector<Entry>* Find(const uint8_t* fingerprint) const;
  void Clear();
  size_t KeyCount() const { return lists_.size(); }
  // The filter's size in bits (0 while nothing was ever indexed).
  size_t FilterBits() const { return filter_.size() * 64; }

 private:
  using Key = std::array<uint8_t, kKeyLength>;
  struct KeyHash {
    size_t operator()(const Key& key) const;
  };
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

  std::unordered_map<Key, std::vector<Entry>, KeyHash> lists_;
  // One word to start with (every bit clear), so Find needs no test for an empty filter.
  std::vector<uint64_t> filter_ = std::vector<uint64_t>(1, 0);
  uint32_t filterMask_ = 63;
  // Keys erased since the last rebuild: their bits may still be set.
  size_t staleKeys_ = 0;
};
