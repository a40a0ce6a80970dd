// Load and Save of the signature store: the data file's record count and records.
#include "db/DamagedDataFile.h"
#include "db/InvalFileDB.h"
#include "platform/FileSystem.h"

namespace {

using Direction = ProfileFile::Direction;

void BindDataFile(ProfileFile& file, const std::string& folder, const std::function<void()>& retryPump) {
  file.SetPath(InvalFileDB::kDataFileBase, folder, InvalFileDB::kDataFileExt, false);
  file.SetRetryPump(retryPump);
}

}  // namespace

bool InvalFileDB::Load(const std::string& folder, const std::function<void()>& retryPump) {
  Clear();
  loadIncomplete_ = false;
  damagedKept_ = false;
  damagedKeptAs_.clear();

  ProfileFile file;
  BindDataFile(file, folder, retryPump);
  filePath_ = file.FullPath();
  if (!file.OpenArchive(Direction::Load, true)) {
    // An existing file we could not read must not be replaced unseen by the next save.
    platform::FileStatus status;
    loadIncomplete_ = platform::GetStatus(file.FullPath(), &status);
    return false;
  }

  int32_t count = 0;
  bool complete = file.TransferInt(Direction::Load, count);
  // An empty file is what a first start leaves: nothing there, nothing damaged.
  if (!complete && file.FileLength() == 0) complete = true;
  // No save ever writes a negative count: such a file was not written by this program.
  if (count < 0) complete = false;
  for (int32_t i = 0; complete && i < count; ++i) {
    auto record = std::make_shared<InvalFileInfo>();
    if (!record->Serialize(Direction::Load, file)) {
      complete = false;
      break;
    }
    Add(record);  // a duplicate key is dropped silently
  }
  file.CloseArchive();
  loadIncomplete_ = !complete;
  return complete;
}

bool InvalFileDB::Save(const std::string& folder, const std::function<void()>& retryPump) {
  ProfileFile file;
  BindDataFile(file, folder, retryPump);
  filePath_ = file.FullPath();
  if (loadIncomplete_ && !damagedKept_) {
    if (!db::KeepDamagedDataFile(file.FullPath(), &damagedKeptAs_)) return false;
    damagedKept_ = true;
  }
  if (!file.OpenArchive(Direction::Store, true)) return false;

  int32_t count = recordCount_;
  bool written = file.TransferInt(Direction::Store, count);
  for (const auto& [categoryName, category] : categories_) {
    for (const auto& [name, record] : category.records_) {
      if (!written) break;
      written = record->Serialize(Direction::Store, file);
    }
  }
  bool committed = file.CloseArchive();
  return written && committed;
}
