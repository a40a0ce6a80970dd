// The store's index from the first 16 search bytes of a record to the records that have
// them, each list in the store's search order (category text, then name, as unsigned
// bytes). It lets a search find a file's first hit without visiting every record.
// Records with fewer than 16 search bytes never match and are not indexed.
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
  void Clear() { lists_.clear(); }
  size_t KeyCount() const { return lists_.size(); }

 private:
  using Key = std::array<uint8_t, kKeyLength>;
  struct KeyHash {
    size_t operator()(const Key& key) const;
  };
  static Key KeyOf(const uint8_t* bytes);

  std::unordered_map<Key, std::vector<Entry>, KeyHash> lists_;
};
