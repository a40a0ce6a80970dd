// The result of the current search: the hit list and the six counters. The engine reports
// every candidate file and every hit here; a hit is processed at once by the automatic
// processing (delete, rename, move) before it is recorded and counted. A view follows the
// changes through a ResultListener; the model itself shows nothing.
//
// Until the first ResetResult there is no hit list, and hits are ignored.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "db/DetectionSink.h"
#include "result/DetectedFileList.h"
#include "result/HitIdentity.h"
#include "result/ProcessResult.h"
#include "result/ResultListener.h"
#include "result/ScanCounts.h"

class ScanResultModel : public DetectionSink {
 public:
  // Processes one detected file (full path) and says what was done to it.
  using AutoProcess = std::function<ProcessResult(const std::string& path)>;

  ScanResultModel() = default;
  ScanResultModel(const ScanResultModel&) = delete;
  ScanResultModel& operator=(const ScanResultModel&) = delete;

  // Not owned; null for none.
  void SetListener(ResultListener* listener) { listener_ = listener; }
  // Without one every hit is left in place (result 0). A result outside 0..4 is recorded
  // as a failure.
  void SetAutoProcess(AutoProcess process) { autoProcess_ = std::move(process); }
  // Asked on every hit before it is processed: which file the search read and which folder
  // it listed, recorded with the hit. Without one the application's engine is asked.
  void SetHitIdentityHook(HitIdentityHook hook) { identityHook_ = std::move(hook); }

  // DetectionSink. A hit with an empty path or no signature, or one before the first
  // ResetResult, has no effect at all (the file is not processed either).
  void CountSearchedFile() override;
  void AddDetectedFile(const std::string& path, int32_t position, std::shared_ptr<InvalFileInfo> record) override;

  // A search starts: zero counters and a new empty hit list (the old one and its hits go).
  void ResetResult();

  const ScanCounts& Counts() const { return counts_; }
  // Null before the first search.
  const DetectedFileList* Hits() const { return hits_.get(); }

 private:
  void NotifyCounts();

  ScanCounts counts_;
  std::unique_ptr<DetectedFileList> hits_;
  ResultListener* listener_ = nullptr;
  AutoProcess autoProcess_;
  HitIdentityHook identityHook_;
};
