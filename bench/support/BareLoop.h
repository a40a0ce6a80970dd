// The physical limit of a search, written plainly: walk the tree, open every regular file,
// read its first 257 bytes, close it. Nothing else (no patterns, no digest, no lookup).
#pragma once

#include <cstdint>
#include <string>

namespace bench {

struct BareLoopResult {
  uint64_t files = 0;
  uint64_t bytes = 0;
};

BareLoopResult RunBareLoop(const std::string& root);
// RunBareLoop's wall time, in seconds.
double TimeBareLoop(const std::string& root);

}  // namespace bench
