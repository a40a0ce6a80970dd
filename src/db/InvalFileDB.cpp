#include "db/InvalFileDB.h"

#include <algorithm>
#include <iterator>

#include "db/ContentMatcher.h"
#include "db/DetectionSink.h"

InvalFileCategory& InvalFileDB::CategoryFor(std::string_view name) {
  auto found = categories_.find(name);
  if (found != categories_.end()) return found->second;
  return categories_.try_emplace(std::string(name), std::string(name), this).first->second;
}

namespace {

bool SameValues(const InvalFileInfo& a, const InvalFileInfo& b) {
  return a.Name() == b.Name() && a.Category() == b.Category() && a.RiskLevel() == b.RiskLevel() &&
         a.CreatedDate() == b.CreatedDate() && a.Author() == b.Author() && a.Summary() == b.Summary() &&
         a.SearchLength() == b.SearchLength() &&
         std::equal(a.SearchBytes(), a.SearchBytes() + a.SearchLength(), b.SearchBytes());
}

const uint8_t* KeyBytes(std::string_view searchBytes) {
  return searchBytes.size() >= FingerprintIndex::kKeyLength ? reinterpret_cast<const uint8_t*>(searchBytes.data())
                                                            : nullptr;
}

}  // namespace

// ---- records by id ----

std::shared_ptr<InvalFileInfo> InvalFileDB::RecordOf(Id id) const {
  if (id < objects_.size() && objects_[id] != nullptr) return objects_[id];
  if (objects_.size() < offsets_.size()) objects_.resize(offsets_.size());
  const db::RecordView view = ViewOf(id);
  auto record = std::make_shared<InvalFileInfo>();
  record->name_.assign(view.name);
  record->category_.assign(view.category);
  record->riskLevel_.assign(view.riskLevel);
  record->createdDate_ = view.createdDate;
  record->author_.assign(view.author);
  record->searchBytes_.assign(view.searchBytes.begin(), view.searchBytes.end());
  record->summary_.assign(view.summary);
  objects_[id] = record;
  return record;
}

db::RecordView InvalFileDB::ViewOf(Id id) const {
  if (const InvalFileInfo* object = ObjectOf(id)) return db::ViewOf(*object);
  // The record was read whole at the load: it reads again.
  size_t offset = offsets_[id];
  db::RecordView view;
  bool exact = true;
  db::ReadRecord(fileBytes_.View(), fileLength_, &offset, &view, &exact);
  return view;
}

std::string_view InvalFileDB::NameOf(Id id) const {
  if (const InvalFileInfo* object = ObjectOf(id)) return object->Name();
  return db::NameAt(fileBytes_.Data() + offsets_[id]);
}

std::string_view InvalFileDB::CategoryNameOf(Id id) const {
  if (const InvalFileInfo* object = ObjectOf(id)) return object->Category();
  return db::CategoryAt(fileBytes_.Data() + offsets_[id]);
}

std::string_view InvalFileDB::SearchBytesOf(Id id) const {
  if (const InvalFileInfo* object = ObjectOf(id)) {
    return {reinterpret_cast<const char*>(object->SearchBytes()), static_cast<size_t>(object->SearchLength())};
  }
  return db::SearchBytesAt(fileBytes_.Data() + offsets_[id]);
}

InvalFileCategory* InvalFileDB::CategoryOf(Id id) { return FindCategory(CategoryNameOf(id)); }

std::pair<size_t, bool> InvalFileDB::Place(const InvalFileCategory& category, std::string_view name) const {
  const auto& ids = category.ids_;
  // Records mostly come in name order (the file's, a registration's): the end is checked first.
  if (ids.empty() || NameOf(ids.back()) < name) return {ids.size(), false};
  auto at = std::partition_point(ids.begin(), ids.end(), [&](Id id) { return NameOf(id) < name; });
  return {static_cast<size_t>(at - ids.begin()), at != ids.end() && NameOf(*at) == name};
}

InvalFileDB::Id InvalFileDB::NewId(std::shared_ptr<InvalFileInfo> record) {
  Id id;
  if (!freeIds_.empty()) {
    id = freeIds_.back();
    freeIds_.pop_back();
  } else {
    id = static_cast<Id>(offsets_.size());
    offsets_.push_back(kNoOffset);
  }
  if (objects_.size() < offsets_.size()) objects_.resize(offsets_.size());
  objects_[id] = std::move(record);
  return id;
}

void InvalFileDB::ReleaseId(Id id) {
  offsets_[id] = kNoOffset;
  if (id < objects_.size()) objects_[id].reset();
  freeIds_.push_back(id);
}

const uint8_t* InvalFileDB::IndexRecords::KeyOf(uint32_t id) const {
  if (store_.ObjectOf(id) == nullptr && store_.offsets_[id] == kNoOffset) return nullptr;  // not in use
  return KeyBytes(store_.SearchBytesOf(id));
}

bool InvalFileDB::IndexRecords::SearchesBefore(uint32_t a, uint32_t b) const {
  if (int byCategory = store_.CategoryNameOf(a).compare(store_.CategoryNameOf(b)); byCategory != 0) {
    return byCategory < 0;
  }
  return store_.NameOf(a) < store_.NameOf(b);
}

// ---- changes ----

void InvalFileDB::NoteChange(std::string_view category, std::string_view name,
                             const std::shared_ptr<InvalFileInfo>& now, bool wasInStore) {
  auto [entry, first] = changes_.try_emplace(Key{category, name});
  // A key seen for the first time was in the store before: it came from the file.
  if (first) entry->second.inFile = wasInStore;
  entry->second.record = now;
  // Added and removed again: the file never had it, so there is nothing to take out.
  if (now == nullptr && !entry->second.inFile) changes_.erase(entry);
}

void InvalFileDB::ApplyChanges(const std::map<Key, Change>& changes) {
  for (const auto& [key, change] : changes) {
    if (InvalFileCategory* category = FindCategory(key.first)) {
      if (auto [place, there] = Place(*category, key.second); there) TakeOut(*category, place);
    }
    if (change.record != nullptr) Insert(change.record);
  }
}

bool InvalFileDB::Add(const std::shared_ptr<InvalFileInfo>& record) {
  if (!Insert(record)) return false;
  NoteChange(record->Category(), record->Name(), record, false);
  return true;
}

bool InvalFileDB::Insert(const std::shared_ptr<InvalFileInfo>& record) {
  if (!record) return false;
  // A new category is made only when the record goes in: a name cannot clash in it.
  InvalFileCategory& category = CategoryFor(record->Category());
  const auto [place, taken] = Place(category, record->Name());
  if (taken) return false;
  const Id id = NewId(record);
  category.ids_.insert(category.ids_.begin() + static_cast<std::ptrdiff_t>(place), id);
  if (indexed_ && record->SearchLength() >= FingerprintIndex::kKeyLength) index_.Insert(id);
  ++recordCount_;
  return true;
}

void InvalFileDB::TakeOut(InvalFileCategory& category, size_t place) {
  const Id id = category.ids_[place];
  if (indexed_ && KeyBytes(SearchBytesOf(id)) != nullptr) index_.Erase(id);
  category.ids_.erase(category.ids_.begin() + static_cast<std::ptrdiff_t>(place));
  ReleaseId(id);
  --recordCount_;
}

bool InvalFileDB::Remove(const InvalFileInfo& record) {
  InvalFileCategory* category = FindCategory(record.Category());
  if (category == nullptr) return false;
  const auto [place, there] = Place(*category, record.Name());
  if (!there) return false;
  NoteChange(category->Name(), record.Name(), nullptr, true);
  TakeOut(*category, place);
  return true;
}

bool InvalFileDB::Modify(const std::shared_ptr<InvalFileInfo>& edited, const std::shared_ptr<InvalFileInfo>& stored,
                         std::shared_ptr<InvalFileInfo>* holder) {
  if (!edited || !stored) return false;
  InvalFileCategory* category = FindCategory(stored->Category());
  if (category == nullptr) return false;
  const auto [place, there] = Place(*category, stored->Name());
  // Only the store's own object of the key: a record the store holds as bytes has none
  // anybody could pass.
  if (!there || ObjectOf(category->ids_[place]) != stored.get()) return false;

  if (edited->Category() != stored->Category()) {
    if (!Add(edited)) return false;
    Remove(*stored);
    if (holder != nullptr) *holder = edited;
    return true;
  }

  if (edited->Name() != stored->Name()) {
    if (Place(*category, edited->Name()).second) return false;
    NoteChange(stored->Category(), stored->Name(), nullptr, true);
    TakeOut(*category, place);
    Insert(edited);
    NoteChange(edited->Category(), edited->Name(), edited, false);
    if (holder != nullptr) *holder = edited;
    return true;
  }

  // Unchanged values are no change of this session: another writer's change to the record
  // is kept then.
  if (!SameValues(*edited, *stored)) NoteChange(stored->Category(), stored->Name(), stored, true);
  // Same key: the stored object stays, so whoever holds it sees the new values.
  const Id id = category->ids_[place];
  const bool wasIndexed = indexed_ && stored->SearchLength() >= FingerprintIndex::kKeyLength;
  if (wasIndexed) index_.Erase(id);
  stored->CopyFrom(*edited);
  if (indexed_ && stored->SearchLength() >= FingerprintIndex::kKeyLength) index_.Insert(id);
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
  const auto [place, there] = Place(*holder, name);
  return there ? RecordOf(holder->ids_[place]) : nullptr;
}

void InvalFileDB::ForEachRecord(const std::function<void(const std::shared_ptr<InvalFileInfo>&)>& visit) const {
  for (const auto& [categoryName, category] : categories_) {
    for (Id id : category.ids_) visit(RecordOf(id));
  }
}

void InvalFileDB::Clear() {
  changes_.clear();
  loaded_ = false;
  loadedFrom_.clear();
  lockedSinceLoad_ = false;
  index_.Clear();
  categories_.clear();
  // Objects made from the file own their texts: hits that hold them outlive the bytes.
  fileBytes_.Release();
  fileLength_ = 0;
  std::vector<uint32_t>().swap(offsets_);
  std::vector<std::shared_ptr<InvalFileInfo>>().swap(objects_);
  std::vector<Id>().swap(freeIds_);
  recordCount_ = 0;
  lastFound_ = nullptr;
}

// ---- search ----

bool InvalFileDB::TestRecord(Id id, bool* hit) {
  if (ObjectOf(id) != nullptr) {
    // Held here: the sink of a hit may take the record out of the store.
    const std::shared_ptr<InvalFileInfo> record = objects_[id];
    if (!record->Test(*matcher_)) return false;
    *hit = record->Matched();
    return true;
  }
  const std::string_view searchBytes = SearchBytesOf(id);
  if (!matcher_->Compare(reinterpret_cast<const uint8_t*>(searchBytes.data()),
                         static_cast<int32_t>(searchBytes.size()))) {
    return false;
  }
  *hit = matcher_->matched;
  if (*hit) {
    // Only a hit needs the record as an object: the sink keeps it.
    std::shared_ptr<InvalFileInfo> record = RecordOf(id);
    record->matched_ = true;
    if (matcher_->sink != nullptr) matcher_->sink->AddDetectedFile(matcher_->FilePath(), matcher_->position, record);
  }
  return true;
}

bool InvalFileDB::Search(CDFile* file, const uint8_t* digest, int32_t length, uint8_t mode) {
  if (length != FingerprintIndex::kKeyLength || digest == nullptr) return SearchSequential(file, digest, length, mode);
  if (!BeginSearch(file, digest, length, mode)) return false;

  bool testedAny = false;
  // A copy of each id: the hit's sink may act before the list is read again.
  for (const Id id : index_.Find(digest)) {
    InvalFileCategory* category = CategoryOf(id);
    if (category == nullptr || !category->searchFlag_) continue;
    testedAny = true;
    bool hit = false;
    if (!TestRecord(id, &hit)) return false;
    if (hit) {
      category->found_ = true;
      lastFound_ = category;
      return true;
    }
  }
  // Every file gives the matcher one chance to stop the search, candidates or not.
  return testedAny || matcher_->Compare(nullptr, 0);
}

bool InvalFileDB::MayHold(const uint8_t* digest) { return !indexed_ || !index_.Find(digest).empty(); }

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
    category.found_ = false;
    // By index: the sink of a hit may act on the store before the loop would go on.
    for (size_t i = 0; i < category.ids_.size(); ++i) {
      const Id id = category.ids_[i];
      if (SearchBytesOf(id).empty()) continue;
      testedAny = true;
      bool hit = false;
      if (!TestRecord(id, &hit)) return false;
      if (hit) {
        category.found_ = true;
        lastFound_ = &category;
        return true;
      }
    }
  }
  return testedAny || matcher_->Compare(nullptr, 0);
}
