// What the output formats say of a hit's processing beyond what the hit holds: the text
// of its result, which in a dry run is what would be done (削除予定, ﾘﾈｰﾑ予定, 移動予定,
// 失敗予定; 未処理 stays), and the path a rename or move gives the file, worked out from
// the run's rule and move folder just as the processing works it out.
#pragma once

#include <cstdint>
#include <string>

#include "result/ProcessResult.h"

class DetectedFile;

class HitProcessing {
 public:
  HitProcessing() = default;
  HitProcessing(int32_t mode, std::string rule, std::string moveFolder, bool dryRun)
      : mode_(mode), rule_(std::move(rule)), moveFolder_(std::move(moveFolder)), dryRun_(dryRun) {}

  bool DryRun() const { return dryRun_; }
  // CP932.
  std::string ResultText(const DetectedFile& hit) const;
  // The CP932 path the file was (in a dry run: would be) renamed or moved to, also when
  // that failed; empty for leaving and deleting, and when the rule or move folder gives none.
  std::string Target(const DetectedFile& hit) const;

 private:
  int32_t mode_ = kModeLeave;
  std::string rule_;
  std::string moveFolder_;
  bool dryRun_ = false;
};
