// --format json: JSON Lines in UTF-8 whatever the locale, one object per hit and a last
// one summing up the run. The JSON is the library's; nothing here escapes by hand.
//
// A hit: {"type":"hit","path","signature","category","risk","position","result","target"};
// position is a number, target the path a rename or move gave the file (null when none).
// A path is a UTF-8 string; when the file system's bytes of it are not UTF-8 the string
// shows each byte that is not as U+FFFD, and "path_bytes" (or "target_bytes", "log_bytes",
// "auto_log_bytes") follows it with every byte as a number 0-255, so that the name can be
// had back exactly.
// The summary: {"type":"summary", the six counters "searched", "invalid", "unprocessed",
// "moved", "renamed", "deleted", "completed", "files_not_read", "folders_not_listed",
// "start", "end" (local time "YYYY-MM-DD HH:MM:SS", null when the search did not run),
// "log" (the --log file), "auto_log" (the automatic log; each null when none was
// written), "dry_run"}.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "result/ScanCounts.h"
#include "settings/SearchRunInfo.h"

class DetectedFile;
class HitProcessing;

struct RunSummary {
  ScanCounts counts;
  bool completed = false;
  size_t filesNotRead = 0;
  size_t foldersNotListed = 0;
  std::optional<SearchRunInfo> run;  // none when the search did not start
  std::string logFile;               // CP932; empty when none was written
  std::string autoLog;
  bool dryRun = false;
};

class HitJsonFormat {
 public:
  static std::string HitLine(const HitProcessing& processing, const DetectedFile& hit);
  static std::string SummaryLine(const RunSummary& summary);
};
