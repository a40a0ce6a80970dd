// The data file's record count and records over bytes in memory, the way Load and Save
// read and write them (InvalFileDBStorage.cpp).
#include "db/InvalFileDB.h"

namespace {

using Direction = ProfileFile::Direction;

}  // namespace

bool InvalFileDB::LoadBytes(std::string bytes) {
  Clear();
  loadIncomplete_ = false;
  damagedKept_ = false;
  damagedKeptAs_.clear();

  ProfileFile file;
  file.OpenMemoryArchive(Direction::Load, std::move(bytes));
  const bool complete = ReadRecords(file);
  file.CloseArchive();
  loadIncomplete_ = !complete;
  return complete;
}

bool InvalFileDB::SaveBytes(std::string* bytes) const {
  ProfileFile file;
  file.OpenMemoryArchive(Direction::Store);
  const bool written = WriteRecords(file);
  return file.CloseMemoryArchive(bytes) && written;
}
