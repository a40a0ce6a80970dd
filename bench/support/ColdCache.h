// What a cold-cache measurement needs: emptying the caches before a run, and the parallel
// reference a search of a tree is held against.
#pragma once

#include <string>

namespace bench {

// Empties the page cache (and the dentry and inode caches); false when not permitted
// (it needs root and /proc/sys/vm/drop_caches).
bool DropCaches();

// The note printed where a cold measurement is skipped because DropCaches cannot be had.
extern const char* const kColdSkipped;

// The parallel reference: what 32 processes reading the same blocks of every file of root
// reach (find | xargs -P 32 head). Its wall seconds; -1 when it failed.
double RunParallelReference(const std::string& root);

}  // namespace bench
