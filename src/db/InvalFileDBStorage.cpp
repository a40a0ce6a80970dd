// Load and Save of the signature store: the data file's record count and records, the
// lock every writer holds, and the merge of a session's changes into the file as it is.
#include <algorithm>

#include "db/DamagedDataFile.h"
#include "db/InvalFileDB.h"
#include "platform/FileSystem.h"

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

bool InvalFileDB::ReadDataFile(ProfileFile& file, bool createIfMissing) {
  loadIncomplete_ = false;
  if (!file.OpenArchive(Direction::Load, createIfMissing)) {
    // An existing file we could not read must not be replaced unseen by the next save.
    platform::FileStatus status;
    loadIncomplete_ = platform::GetStatus(file.FullPath(), &status);
    return false;
  }

  const bool complete = ReadRecords(file);
  file.CloseArchive();
  loadIncomplete_ = !complete;
  return complete;
}

bool InvalFileDB::ReadRecords(ProfileFile& file) {
  int32_t count = 0;
  bool complete = file.TransferInt(Direction::Load, count);
  // An empty file is what a first start leaves: nothing there, nothing damaged.
  if (!complete && file.FileLength() == 0) complete = true;
  // No save ever writes a negative count: such a file was not written by this program.
  if (count < 0) complete = false;
  // The smallest record: five empty texts, the date and the search length. A damaged count
  // must not reserve more than the file can hold.
  constexpr uint32_t kSmallestRecord = 5 * 4 + InvalFileInfo::kDateSize + 4;
  if (complete && indexed_) {
    index_.Reserve(std::min<size_t>(static_cast<size_t>(count), file.FileLength() / kSmallestRecord));
  }
  for (int32_t i = 0; complete && i < count; ++i) {
    auto record = std::make_shared<InvalFileInfo>();
    if (!record->Serialize(Direction::Load, file)) {
      complete = false;
      break;
    }
    Insert(record);  // a duplicate key is dropped silently
  }
  return complete;
}

bool InvalFileDB::WriteRecords(ProfileFile& file) const {
  int32_t count = recordCount_;
  bool written = file.TransferInt(Direction::Store, count);
  for (const auto& [categoryName, category] : categories_) {
    for (const auto& [name, record] : category.records_) {
      if (!written) break;
      written = record->Serialize(Direction::Store, file);
    }
  }
  return written;
}

bool InvalFileDB::WriteDataFile(ProfileFile& file) const {
  if (!file.OpenArchive(Direction::Store, true)) return false;
  const bool written = WriteRecords(file);
  bool committed = file.CloseArchive();
  return written && committed;
}

bool InvalFileDB::Load(const std::string& folder, const std::function<void()>& retryPump) {
  Clear();
  damagedKept_ = false;
  damagedKeptAs_.clear();

  ProfileFile file;
  BindDataFile(file, folder, retryPump);
  filePath_ = file.FullPath();
  const bool complete = ReadDataFile(file, true);
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
  if (!current.ReadDataFile(file, false) && current.loadIncomplete_) {
    if (!db::KeepDamagedDataFile(file.FullPath(), &damagedKeptAs_)) return false;
    damagedKept_ = true;
  }
  current.ApplyChanges(changes_);
  if (!current.WriteDataFile(file)) return false;
  // The file holds this session's changes now; a later save needs to apply only newer ones.
  changes_.clear();
  return true;
}
