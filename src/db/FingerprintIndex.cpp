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

void FingerprintIndex::Insert(InvalFileInfo* record, InvalFileCategory* category) {
  if (record->SearchLength() < kKeyLength) return;
  std::vector<Entry>& list = lists_[KeyOf(record->SearchBytes())];
  Entry entry{record, category};
  list.insert(std::upper_bound(list.begin(), list.end(), entry, SearchesBefore), entry);
}

void FingerprintIndex::Erase(const InvalFileInfo* record) {
  if (record->SearchLength() < kKeyLength) return;
  auto found = lists_.find(KeyOf(record->SearchBytes()));
  if (found == lists_.end()) return;
  std::vector<Entry>& list = found->second;
  list.erase(std::remove_if(list.begin(), list.end(), [record](const Entry& e) { return e.record == record; }),
             list.end());
  if (list.empty()) lists_.erase(found);
}

const std::vector<FingerprintIndex::Entry>* FingerprintIndex::Find(const uint8_t* fingerprint) const {
  auto found = lists_.find(KeyOf(fingerprint));
  return found == lists_.end() ? nullptr : &found->second;
}
