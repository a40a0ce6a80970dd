#include "db/InvalFileDB.h"

#include <algorithm>
#include <iterator>

#include "db/ContentMatcher.h"

InvalFileCategory& InvalFileDB::CategoryFor(const std::string& name) {
  return categories_.try_emplace(name, name).first->second;
}

namespace {

bool SameValues(const InvalFileInfo& a, const InvalFileInfo& b) {
  return a.Name() == b.Name() && a.Category() == b.Category() && a.RiskLevel() == b.RiskLevel() &&
         a.CreatedDate() == b.CreatedDate() && a.Author() == b.Author() && a.Summary() == b.Summary() &&
         a.SearchLength() == b.SearchLength() &&
         std::equal(a.SearchBytes(), a.SearchBytes() + a.SearchLength(), b.SearchBytes());
}

}  // namespace

void InvalFileDB::NoteChange(const InvalFileInfo& keyOf, const std::shared_ptr<InvalFileInfo>& now,
                             bool wasInStore) {
  auto [entry, first] = changes_.try_emplace(Key{keyOf.Category(), keyOf.Name()});
  // A key seen for the first time was in the store before: it came from the file.
  if (first) entry->second.inFile = wasInStore;
  entry->second.record = now;
  // Added and removed again: the file never had it, so there is nothing to take out.
  if (now == nullptr && !entry->second.inFile) changes_.erase(entry);
}

void InvalFileDB::ApplyChanges(const std::map<Key, Change>& changes) {
  for (const auto& [key, change] : changes) {
    if (std::shared_ptr<InvalFileInfo> there = FindRecord(key.first, key.second)) Remove(*there);
    if (change.record != nullptr) Insert(change.record);
  }
}

bool InvalFileDB::Add(const std::shared_ptr<InvalFileInfo>& record) {
  if (!Insert(record)) return false;
  NoteChange(*record, record, false);
  return true;
}

bool InvalFileDB::Insert(const std::shared_ptr<InvalFileInfo>& record) {
  if (!record) return false;
  // A new category is made only when the record goes in: a name cannot clash in it.
  InvalFileCategory& category = CategoryFor(record->Category());
  // The data file lists a category's names in order: appending at the end costs no search.
  auto& records = category.records_;
  const std::string_view name = record->Name();
  if (!records.empty() && std::prev(records.end())->first < name) {
    records.emplace_hint(records.end(), name, record);
  } else if (!records.emplace(name, record).second) {
    return false;
  }
  if (indexed_) index_.Insert(record.get(), &category);
  ++recordCount_;
  return true;
}

bool InvalFileDB::Remove(const InvalFileInfo& record) {
  auto category = categories_.find(record.Category());
  if (category == categories_.end()) return false;
  auto entry = category->second.records_.find(record.Name());
  if (entry == category->second.records_.end()) return false;
  NoteChange(*entry->second, nullptr, true);
  index_.Erase(entry->second.get());
  category->second.records_.erase(entry);
  --recordCount_;
  return true;
}

bool InvalFileDB::Modify(const std::shared_ptr<InvalFileInfo>& edited, const std::shared_ptr<InvalFileInfo>& stored,
                         std::shared_ptr<InvalFileInfo>* holder) {
  if (!edited || !stored || FindRecord(stored->Category(), stored->Name()) != stored) return false;

  if (edited->Category() != stored->Category()) {
    if (!Add(edited)) return false;
    Remove(*stored);
    if (holder != nullptr) *holder = edited;
    return true;
  }

  InvalFileCategory& category = categories_.find(stored->Category())->second;
  if (edited->Name() != stored->Name()) {
    if (!category.records_.emplace(edited->Name(), edited).second) return false;
    index_.Erase(stored.get());
    category.records_.erase(stored->Name());
    index_.Insert(edited.get(), &category);
    NoteChange(*stored, nullptr, true);
    NoteChange(*edited, edited, false);
    if (holder != nullptr) *holder = edited;
    return true;
  }

  // Unchanged values are no change of this session: another writer's change to the record
  // is kept then.
  if (!SameValues(*edited, *stored)) NoteChange(*stored, stored, true);
  // Same key: the stored object stays, so whoever holds it sees the new values.
  index_.Erase(stored.get());
  stored->CopyFrom(*edited);
  index_.Insert(stored.get(), &category);
  if (holder != nullptr) *holder = stored;
  return true;
}

InvalFileCategory* InvalFileDB::FindCategory(std::string_view category) {
  auto found = categories_.find(category);
  return found == categories_.end() ? nullptr : &found->second;
}

const InvalFileCategory* InvalFileDB::FindCategory(std::string_view category) const {
  auto found = categories_.find(category);
  return found == categories_.end() ? nullptr : &found->second;
}

std::shared_ptr<InvalFileInfo> InvalFileDB::FindRecord(std::string_view category, std::string_view name) const {
  const InvalFileCategory* holder = FindCategory(category);
  if (holder == nullptr) return nullptr;
  auto found = holder->records_.find(name);
  return found == holder->records_.end() ? nullptr : found->second;
}

void InvalFileDB::ForEachRecord(const std::function<void(const std::shared_ptr<InvalFileInfo>&)>& visit) const {
  for (const auto& [categoryName, category] : categories_) {
    for (const auto& [name, record] : category.records_) visit(record);
  }
}

void InvalFileDB::Clear() {
  changes_.clear();
  loaded_ = false;
  loadedFrom_.clear();
  lockedSinceLoad_ = false;
  index_.Clear();
  categories_.clear();
  recordCount_ = 0;
  lastFound_ = nullptr;
}

bool InvalFileDB::Search(CDFile* file, const uint8_t* digest, int32_t length, uint8_t mode) {
  if (length != FingerprintIndex::kKeyLength || digest == nullptr) return SearchSequential(file, digest, length, mode);
  if (!BeginSearch(file, digest, length, mode)) return false;

  bool testedAny = false;
  // A copy of each entry: the hit's sink may act before the entry is read again.
  for (const FingerprintIndex::Entry entry : index_.Find(digest)) {
    if (!entry.category->searchFlag_) continue;
    testedAny = true;
    if (!entry.record->Test(*matcher_)) return false;
    if (entry.record->Matched()) {
      entry.category->found_ = true;
      lastFound_ = entry.category;
      return true;
    }
  }
  // Every file gives the matcher one chance to stop the search, candidates or not.
  return testedAny || matcher_->Compare(nullptr, 0);
}

bool InvalFileDB::BeginSearch(CDFile* file, const uint8_t* digest, int32_t length, uint8_t mode) {
  if (matcher_ == nullptr) return false;
  if (lastFound_ != nullptr) lastFound_->found_ = false;
  lastFound_ = nullptr;
  matcher_->Init(file, digest, length, mode);
  return true;
}

bool InvalFileDB::SearchSequential(CDFile* file, const uint8_t* digest, int32_t length, uint8_t mode) {
  if (!BeginSearch(file, digest, length, mode)) return false;

  bool testedAny = false;
  for (auto& [name, category] : categories_) {
    if (!category.searchFlag_) continue;
    if (!category.Search(*matcher_, &testedAny)) return false;
    if (category.found_) {
      lastFound_ = &category;
      return true;
    }
  }
  return testedAny || matcher_->Compare(nullptr, 0);
}
