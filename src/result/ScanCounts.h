// The six counters of a search, in the order the result form lists them in its model:
// files searched, hits, and the hits by what was done with them. The four lower counters
// always add up to the hits, because a failed operation counts as unprocessed.
#pragma once

#include <cstdint>

#include "result/ProcessResult.h"

struct ScanCounts {
  int32_t searched = 0;
  int32_t invalid = 0;
  int32_t unprocessed = 0;
  int32_t moved = 0;
  int32_t renamed = 0;
  int32_t deleted = 0;

  // One more candidate file.
  void CountSearched();
  // One more hit with its processing result.
  void CountHit(ProcessResult result);

  friend bool operator==(const ScanCounts&, const ScanCounts&) = default;
};
