// How the result model tells a view about changes as they happen, so that a form can show
// the counters and the rows live during a search. Calls arrive on the thread that runs the
// search (the user-interface thread), in the order the changes were made.
#pragma once

#include <cstddef>

#include "result/DetectedFile.h"
#include "result/ScanCounts.h"

class ResultListener {
 public:
  virtual ~ResultListener() = default;
  // A new search starts: the hit list is new and empty (drop every row) and the counters
  // are zero; OnCountsChanged follows.
  virtual void OnReset() {}
  // After every change of a counter.
  virtual void OnCountsChanged(const ScanCounts& counts) { (void)counts; }
  // A hit was appended at index (row index == list index); OnCountsChanged follows. The hit
  // lives as long as the list of the current search.
  virtual void OnHitAdded(size_t index, const DetectedFile& hit) {
    (void)index;
    (void)hit;
  }
};
