#include "result/ScanCounts.h"

#include <limits>

namespace {

// A counter stops at its largest value rather than wrapping to a negative count.
void Increment(int32_t& counter) {
  if (counter < std::numeric_limits<int32_t>::max()) ++counter;
}

}  // namespace

void ScanCounts::CountSearched() { Increment(searched); }

void ScanCounts::CountHit(ProcessResult result) {
  Increment(invalid);
  switch (result) {
    case kResultDeleted:
      Increment(deleted);
      break;
    case kResultRenamed:
      Increment(renamed);
      break;
    case kResultMoved:
      Increment(moved);
      break;
    default:  // left alone, or failed
      Increment(unprocessed);
      break;
  }
}
