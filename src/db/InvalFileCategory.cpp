#include "db/InvalFileCategory.h"

bool InvalFileCategory::Search(ContentMatcher& matcher, bool* testedAny) {
  found_ = false;
  for (const auto& [name, record] : records_) {
    if (record->SearchLength() == 0) continue;
    *testedAny = true;
    if (!record->Test(matcher)) return false;
    if (record->Matched()) {
      found_ = true;
      return true;
    }
  }
  return true;
}
