// Load and Save of the signature store: the data file's record count and records, the
// lock every writer holds, and the merge of a session's changes into the file as it is.
#include <algorithm>
#include <new>
#include <vector>

#include "db/DamagedDataFile.h"
#include "db/InvalFileDB.h"
#include "platform/FileSystem.h"
#include "util/LittleEndian.h"

namespace {

using Direction = ProfileFile::Direction;

void BindDataFile(ProfileFile& file, const std::string& folder, const std::function<void()>& retryPump) {
  file.SetPath(InvalFileDB::kDataFileBase, folder, InvalFileDB::kDataFileExt, false);
  file.SetRetryPump(retryPump);
}

std::string LockPath(const std::string& folder) {
  return folder + InvalFileDB::kDataFileBase + "." + InvalFileDB::kDataFileExt + InvalFileDB::kLockSuffix;
}

}  // namespace

bool InvalFileDB::ReadDataFile(const std::string& path, bool createIfMissing,
                               const std::function<void()>& retryPump) {
  loadIncomplete_ = false;
  // Read the way the program's own files are read for loading (ProfileFile's archive), into
  // memory of its own (ByteBuffer), not a string, whose growth would fill every page with
  // zeros first.
  const auto room = [this](size_t size) { return fileBytes_.Allocate(size) ? fileBytes_.Data() : nullptr; };
  size_t got = 0;
  uint64_t length = 0;
  if (platform::ReadForLoad(path, createIfMissing, retryPump, room, &got, &length)) {
    fileBytes_.Shrink(got);
    fileLength_ = static_cast<uint32_t>(length);
  } else {
    fileBytes_.Release();
    // An existing file we could not read must not be replaced unseen by the next save.
    platform::FileStatus status;
    loadIncomplete_ = platform::GetStatus(path, &status);
    return false;
  }
  const bool complete = ReadRecords();
  loadIncomplete_ = !complete;
  return complete;
}

bool InvalFileDB::ReadRecords() {
  const std::string_view content = fileBytes_.View();
  int32_t count = 0;
  size_t offset = 0;
  bool complete = true;
  if (content.size() >= 4) {
    count = static_cast<int32_t>(byte_order::GetLittleEndian32(reinterpret_cast<const unsigned char*>(content.data())));
    offset = 4;
  } else {
    // An empty file is what a first start leaves: nothing there, nothing damaged.
    complete = content.empty();
  }
  // No save ever writes a negative count: such a file was not written by this program.
  if (count < 0) complete = false;
  // The smallest record: five empty texts, the date and the search length. A damaged count
  // must not reserve more than the file can hold.
  constexpr size_t kSmallestRecord = 5 * 4 + 4 + InvalFileInfo::kDateSize + 4;
  const size_t expected = complete ? std::min<size_t>(static_cast<size_t>(count), content.size() / kSmallestRecord) : 0;
  platform::ReservePrefaulted(&offsets_, expected);
  // The index is fed while each record's bytes are at hand, not by a walk over them after.
  if (indexed_) index_.StartBuild(expected);

  // Records come grouped by category: a category's ids are noted as runs of ids, and each
  // category takes its ids once their number is known, without the slack of growing.
  struct Run {
    InvalFileCategory* category;
    Id first;
    Id count;
  };
  std::vector<Run> runs;
  bool outOfOrder = false;
  for (int32_t i = 0; complete && i < count; ++i) {
    const size_t begin = offset;
    // Each record's place hangs on the lengths read before it, so every wait on memory
    // holds up the whole load: the bytes some records ahead are fetched while this one is read.
    __builtin_prefetch(content.data() + std::min(offset + 1024, content.size() - 1));
    db::StoredRecord view;
    bool exact = true;
    // Ids hold 32-bit offsets; a data file of 4 GiB is not one this program wrote.
    if (begin >= kNoOffset || !db::ScanRecord(content, fileLength_, &offset, &view, &exact)) {
      complete = false;
      break;
    }
    const Id id = static_cast<Id>(offsets_.size());
    offsets_.push_back(static_cast<uint32_t>(begin));
    // A record that would not be written back as read (a text cut at a NUL, a negative
    // search length) is made at once, so that every record left as bytes can be copied.
    if (!exact) {
      const InvalFileInfo& made = *RecordOf(id);
      view.name = made.Name();
      view.category = made.Category();
    }
    if (runs.empty() || runs.back().category->name_ != view.category) {
      runs.push_back({&CategoryFor(view.category), id, 0});
    }
    Run& run = runs.back();
    InvalFileCategory& category = *run.category;
    if (category.loaded_ > 0 && !(category.lastLoadedName_ < view.name)) {
      category.loadedOutOfOrder_ = true;
      outOfOrder = true;
    }
    ++category.loaded_;
    category.lastLoadedName_ = view.name;
    ++run.count;
    if (indexed_ && view.searchBytes.size() >= FingerprintIndex::kKeyLength) {
      index_.AddToBuild(id, reinterpret_cast<const uint8_t*>(view.searchBytes.data()));
    }
  }

  // Before the categories take their ids, so that the build's entries and those ids are
  // never in memory together.
  if (indexed_ && !outOfOrder) index_.FinishBuild();
  for (auto& [name, held] : categories_) {
    held.ids_.reserve(held.loaded_);
    held.loaded_ = 0;
    held.lastLoadedName_ = {};
  }
  for (const Run& run : runs) {
    auto& ids = run.category->ids_;
    for (Id id = run.first; id < run.first + run.count; ++id) ids.push_back(id);
  }
  std::vector<Run>().swap(runs);

  if (outOfOrder) {
    // A file this program wrote is in order; another is sorted here, and of a name given
    // twice in a category the first record stays.
    for (auto& [name, held] : categories_) {
      if (!held.loadedOutOfOrder_) continue;
      held.loadedOutOfOrder_ = false;
      auto& ids = held.ids_;
      std::stable_sort(ids.begin(), ids.end(), [this](Id a, Id b) { return NameOf(a) < NameOf(b); });
      size_t kept = 0;
      for (size_t i = 0; i < ids.size(); ++i) {
        if (kept > 0 && NameOf(ids[kept - 1]) == NameOf(ids[i])) {
          ReleaseId(ids[i]);
        } else {
          ids[kept++] = ids[i];
        }
      }
      ids.resize(kept);
      ids.shrink_to_fit();
    }
    // Records dropped as doubles were fed to the build: such a file takes a whole build.
    if (indexed_) {
      if (freeIds_.empty()) {
        index_.FinishBuild();
      } else {
        index_.Build();
      }
    }
  }
  for (auto& [name, held] : categories_) recordCount_ += static_cast<int32_t>(held.ids_.size());
  return complete;
}

bool InvalFileDB::WriteRecords(std::string* out) const {
  try {
    // Objects made in this session lie over the heap in the order they were made, not in
    // store order, so each would cost a wait on memory: they are walked once, each fetched
    // ahead (its first lines, then its texts) while earlier records are written.
    std::vector<Id> order;
    order.reserve(static_cast<size_t>(recordCount_));
    size_t objectCount = 0;
    for (const auto& [categoryName, category] : categories_) {
      for (Id id : category.ids_) {
        order.push_back(id);
        if (ObjectOf(id) != nullptr) ++objectCount;
      }
    }
    // Room for the records as read and a guess for the objects: growing past it by doubling
    // copies less than a second walk over the objects would cost.
    std::string content;
    content.reserve(4 + fileBytes_.Size() + 128 * objectCount);
    db::AppendInt(recordCount_, &content);
    constexpr size_t kSlotAhead = 32, kObjectAhead = 16, kTextsAhead = 8;
    for (size_t k = 0; k < order.size(); ++k) {
      if (k + kSlotAhead < order.size() && order[k + kSlotAhead] < objects_.size()) {
        __builtin_prefetch(&objects_[order[k + kSlotAhead]]);
      }
      if (k + kObjectAhead < order.size()) {
        if (const auto* ahead = reinterpret_cast<const char*>(ObjectOf(order[k + kObjectAhead]))) {
          for (size_t line = 0; line < sizeof(InvalFileInfo); line += 64) __builtin_prefetch(ahead + line);
        }
      }
      if (k + kTextsAhead < order.size()) {
        if (const InvalFileInfo* ahead = ObjectOf(order[k + kTextsAhead])) {
          for (const void* text : {static_cast<const void*>(ahead->name_.data()),
                                   static_cast<const void*>(ahead->category_.data()),
                                   static_cast<const void*>(ahead->searchBytes_.data()),
                                   static_cast<const void*>(ahead->summary_.data())}) {
            __builtin_prefetch(text);
          }
        }
      }
      if (const InvalFileInfo* object = ObjectOf(order[k])) {
        if (!db::AppendRecord(db::ViewOf(*object), &content)) return false;
        continue;
      }
      // A record still as it was read is written as it was read.
      const char* record = fileBytes_.Data() + offsets_[order[k]];
      content.append(record, db::RecordSizeAt(record));
    }
    *out = std::move(content);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool InvalFileDB::WriteDataFile(ProfileFile& file) const {
  if (!file.OpenArchive(Direction::Store, true)) return false;
  std::string content;
  // Without the content the archive is left uncommitted: the old file stays.
  if (!WriteRecords(&content) || !file.PutBytes(std::move(content))) return false;
  return file.CloseArchive();
}

bool InvalFileDB::Load(const std::string& folder, const std::function<void()>& retryPump) {
  Clear();
  damagedKept_ = false;
  damagedKeptAs_.clear();

  ProfileFile file;
  BindDataFile(file, folder, retryPump);
  filePath_ = file.FullPath();
  const bool complete = ReadDataFile(filePath_, true, retryPump);
  loaded_ = true;
  loadedFrom_ = folder;
  lockedSinceLoad_ = HoldsLockFor(folder);
  return complete;
}

bool InvalFileDB::LockDataFile(const std::string& folder, const std::function<void()>& wait) {
  if (HoldsLockFor(folder)) return true;
  UnlockDataFile();
  if (!lock_.Acquire(LockPath(folder), wait)) return false;
  lockFolder_ = folder;
  return true;
}

void InvalFileDB::UnlockDataFile() {
  lock_.Release();
  lockFolder_.clear();
  lockedSinceLoad_ = false;
}

bool InvalFileDB::Save(const std::string& folder, const std::function<void()>& retryPump) {
  ProfileFile file;
  BindDataFile(file, folder, retryPump);
  filePath_ = file.FullPath();

  // Held only for this save unless the store holds the lock already (a second lock of the
  // same file from this process would wait for itself).
  platform::FileLock saveLock;
  if (!HoldsLockFor(folder) && !saveLock.Acquire(LockPath(folder), retryPump)) return false;

  if (!loaded_ || loadedFrom_ != folder || lockedSinceLoad_) {
    if (loadIncomplete_ && !damagedKept_) {
      if (!db::KeepDamagedDataFile(file.FullPath(), &damagedKeptAs_)) return false;
      damagedKept_ = true;
    }
    return WriteDataFile(file);
  }

  // Another writer may have saved since the load: build on what is there now.
  InvalFileDB current;
  current.indexed_ = false;
  if (!current.ReadDataFile(file.FullPath(), false, retryPump) && current.loadIncomplete_) {
    if (!db::KeepDamagedDataFile(file.FullPath(), &damagedKeptAs_)) return false;
    damagedKept_ = true;
  }
  current.ApplyChanges(changes_);
  if (!current.WriteDataFile(file)) return false;
  // The file holds this session's changes now; a later save needs to apply only newer ones.
  changes_.clear();
  return true;
}
