#include "HitProcessing.h"

#include "result/AutoProcessor.h"
#include "result/DetectedFile.h"

namespace {

// "予定": what a dry run puts after the result a real run would have had.
constexpr char kPlanned[] = "\x97\x5C\x92\xE8";

}  // namespace

std::string HitProcessing::ResultText(const DetectedFile& hit) const {
  std::string text(ProcessResultText(hit.Result()));
  if (dryRun_ && hit.Result() != kResultUnprocessed) text += kPlanned;
  return text;
}

std::string HitProcessing::Target(const DetectedFile& hit) const {
  if (mode_ == kModeRename) return RenameTarget(hit.Path(), rule_);
  if (mode_ == kModeMove) return MoveTarget(hit.Path(), moveFolder_);
  return std::string();
}
