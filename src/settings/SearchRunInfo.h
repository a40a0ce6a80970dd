// What a search log records of one run of the engine: its times, the patterns and
// subfolder flag it used, whether it ran to its end, and its target folders in order.
#pragma once

#include <string>
#include <vector>

struct LogDateTime {
  double oleDate = 0.0;  // local time, days since 1899-12-30
  int status = 1;        // 0 valid, 1 invalid
};

struct SearchRunInfo {
  LogDateTime startTime;
  LogDateTime endTime;
  std::string patternText;           // CP932, as the search used it
  bool searchSubfolders = false;
  bool completed = false;
  std::vector<std::string> targets;  // CP932 folder paths, as the user entered them
};
