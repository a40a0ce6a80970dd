// The data file's record count and records over bytes in memory, the way Load and Save
// read and write them (InvalFileDBStorage.cpp).
#include "db/InvalFileDB.h"

bool InvalFileDB::LoadBytes(std::string bytes, bool indexed) {
  Clear();
  indexed_ = indexed;
  loadIncomplete_ = false;
  damagedKept_ = false;
  damagedKeptAs_.clear();
  fileLength_ = static_cast<uint32_t>(bytes.size());
  fileBytes_.Adopt(std::move(bytes));
  const bool complete = ReadRecords();
  loadIncomplete_ = !complete;
  return complete;
}

bool InvalFileDB::SaveBytes(std::string* bytes) const { return WriteRecords(bytes); }
