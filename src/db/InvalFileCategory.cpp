#include "db/InvalFileCategory.h"

#include "db/InvalFileDB.h"

InvalFileCategory::RecordRange::value_type InvalFileCategory::RecordRange::iterator::operator*() const {
  std::shared_ptr<InvalFileInfo> record = store_->RecordOf(*at_);
  const std::string_view name = record->Name();
  return {name, std::move(record)};
}
