// The data file's record count and records over bytes in memory, the way Load and Save
// read and write them (InvalFileDBStorage.cpp).
#include "db/InvalFileDB.h"

bool InvalFileDB::LoadBytes(std::string bytes, bool indexed) {
  Clear();
  indexed_ = indexed;
  loadIncomplete_ = false;
  damagedKept_ = false;
  damagedKeptAs_.clear();
  const auto length = static_cast<uint32_t>(bytes.size());
  const bool complete = ReadRecords(std::move(bytes), length);
  loadIncomplete_ = !complete;
  return complete;
}

bool InvalFileDB::SaveBytes(std::string* bytes) const { return WriteRecords(bytes); }
