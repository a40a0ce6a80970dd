// A dry run's automatic processing: what AutoProcessFile would make of each hit, worked
// out without touching any file, so that a run can be rehearsed with its real counters.
// The rename rule and the move folder give the target as they would; a target whose name
// is taken (by an entry there now, told by its status alone, or by an earlier hit of the
// same run) and a move folder that is not there fail as they would. What only the attempt
// itself can tell (permissions, a file changed in between) is not foreseen, and neither is
// a name that an earlier hit would have freed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>

#include "result/ProcessResult.h"

class ProcessPreview {
 public:
  // mode, rule and moveFolder as AutoProcessFile takes them.
  ProcessResult Predict(const std::string& path, int32_t mode, std::string_view rule,
                        std::string_view moveFolder);

 private:
  // Whether a rename or move to target would find the name free; claims it when it would.
  bool Claim(const std::string& target);

  std::unordered_set<std::string> claimed_;
};
