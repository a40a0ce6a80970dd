// The store's index from the first 16 search bytes of a record to the records that have
// them, each list in the store's search order (category text, then name, as unsigned
// bytes). It lets a search find a file's first hit without visiting every record.
// Records with fewer than 16 search bytes never match and are not indexed.
//
// The index holds only the store's record ids, 4 bytes a record: the keys and the order
// are read through the store (Records) when they are needed. It covers every id the store
// gives a key for: Insert and Erase tell it of each change, Build takes them all at once. The ids are one array
// grouped by the first two key bytes (a bucket per value: an MD5 is uniform, so a bucket
// holds one or two records) and sorted by key, then search order, within each bucket.
//
// Insert only notes the id; the noted ids are put in place at the next Find or Erase, one
// by one when they are few, else by building the whole index again, so that a run of
// registrations or an import costs one pass, not a move of the array per record.
//
// Almost every file of a search has no record, so a miss must be cheap however many
// signatures there are: a bit filter answers most misses with two accesses to a small
// array before the buckets (and the records' bytes) are consulted. A key sets two bits of
// one 64-bit word: the word chosen by its bytes 0 and 1, the bits by its bytes 2 and 3 (an
// MD5 is uniform, so no hashing is needed), so that a miss costs one memory access while
// the search's file reading crowds the caches; a fingerprint passes only when both bits
// are set. The filter grows with the keys up to 2^20 bits (128 KiB) and never gives a
// wrong "no".
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

class FingerprintIndex {
 public:
  static constexpr int32_t kKeyLength = 16;

  // What the index asks of its owner about a record id.
  class Records {
   public:
    // The record's first 16 search bytes (they must not change while the id is indexed),
    // or null for an id that has none or is not in use.
    virtual const uint8_t* KeyOf(uint32_t id) const = 0;
    // Ids run from 0 to IdCount() - 1.
    virtual uint32_t IdCount() const = 0;
    // Whether a comes before b in search order.
    virtual bool SearchesBefore(uint32_t a, uint32_t b) const = 0;

   protected:
    ~Records() = default;
  };

  explicit FingerprintIndex(const Records& records) : records_(records) {}
  FingerprintIndex(const FingerprintIndex&) = delete;
  FingerprintIndex& operator=(const FingerprintIndex&) = delete;

  // Replaces the index with every record that has a key, in two sequential passes over
  // the records.
  void Build();
  // The same, fed with the keys as a load reads them, so that the records are not walked
  // again: StartBuild (keys: about as many as will come; more or fewer is no error), then
  // AddToBuild for every record with a key, in any order, then FinishBuild. Until then
  // the index answers nothing reliably.
  void StartBuild(size_t keys);
  // Only notes the key: the filter and the buckets are filled by FinishBuild, in a pass of
  // its own, where their scattered writes overlap instead of holding up the load's walk.
  void AddToBuild(uint32_t id, const uint8_t* key) { building_.push_back(uint64_t{HeadOf(key)} << 32 | id); }
  void FinishBuild();
  // Takes in or out one record; its key is read through Records, so a record is erased
  // before its search bytes change. An id that is not indexed is no error.
  void Insert(uint32_t id);
  void Erase(uint32_t id);
  // The records whose first 16 search bytes equal fingerprint[0..15] (empty when none),
  // valid until the next Build, Insert, Erase or Clear.
  std::span<const uint32_t> Find(const uint8_t* fingerprint);
  void Clear();
  size_t KeyCount();
  // The filter's size in bits (0 while nothing was ever indexed).
  size_t FilterBits() const { return filter_.size() * 64; }

 private:
  // A key's first four bytes, the first the highest: all that the filter and the buckets
  // look at (an MD5 is uniform), and all a build's entries keep of a key.
  static uint32_t HeadOf(const uint8_t* bytes) {
    return uint32_t{bytes[0]} << 24 | uint32_t{bytes[1]} << 16 | uint32_t{bytes[2]} << 8 | bytes[3];
  }
  // The filter word of a key (its first two bytes, masked to the filter's size) and its two
  // bits in it (by bytes 2 and 3).
  uint32_t FilterWord(uint32_t head) const { return (head >> 16) & filterWordMask_; }
  static uint64_t FilterBitsOf(uint32_t head) { return uint64_t{1} << (head >> 8 & 63) | uint64_t{1} << (head & 63); }
  uint32_t BucketOf(uint32_t head) const { return (head >> 16) >> bucketShift_; }
  uint32_t BucketOf(const uint8_t* bytes) const { return BucketOf(HeadOf(bytes)); }
  size_t BucketCount() const { return size_t{1} << (16 - bucketShift_); }
  // Buckets for about one key each, at most one per value of the first two key bytes.
  void SizeBuckets(size_t keys);
  bool MayHold(const uint8_t* fingerprint) const {
    const uint32_t head = HeadOf(fingerprint);
    const uint64_t bits = FilterBitsOf(head);
    return (filter_[FilterWord(head)] & bits) == bits;
  }
  void Mark(uint32_t head) { filter_[FilterWord(head)] |= FilterBitsOf(head); }
  void Mark(const uint8_t* bytes) { Mark(HeadOf(bytes)); }
  // Sizes the filter for keys and clears it.
  void SizeFilter(size_t keys);
  // Sizes the filter for the keys there are and sets the bit of every key.
  void RebuildFilter();
  // Index order: key, then search order.
  bool Before(uint32_t a, uint32_t b) const;
  // Puts the ids noted by Insert in place.
  void Settle();
  void Place(uint32_t id);

  const Records& records_;
  std::vector<uint32_t> ids_;
  // During a build: per record its key's first four bytes (high half) and its id.
  std::vector<uint64_t> building_;
  // Inserted since the last Settle: their filter bits are set, their places not yet taken.
  std::vector<uint32_t> pending_;
  // Where the ids of each bucket begin (and, one on, end); empty while nothing was ever
  // indexed. A bucket holds the keys whose first two bytes, shifted right by bucketShift_,
  // are its number: a small index has few buckets, so that building it costs its keys,
  // not a walk over 65,536 buckets.
  std::vector<uint32_t> buckets_;
  uint32_t bucketShift_ = 16;
  // One word to start with (every bit clear), so Find needs no test for an empty filter.
  std::vector<uint64_t> filter_ = std::vector<uint64_t>(1, 0);
  uint32_t filterWordMask_ = 0;
  // Keys erased since the last rebuild: their bits may still be set.
  size_t staleKeys_ = 0;
};
