#include "result/ScanResultModel.h"

#include <new>

void ScanResultModel::NotifyCounts() {
  if (listener_ != nullptr) listener_->OnCountsChanged(counts_);
}

void ScanResultModel::CountSearchedFile() {
  counts_.CountSearched();
  NotifyCounts();
}

void ScanResultModel::AddDetectedFile(const std::string& path, int32_t position,
                                      std::shared_ptr<InvalFileInfo> record) {
  if (path.empty() || !record || !hits_) return;

  // Asked while the engine still holds the file, before processing makes it let go.
  const HitIdentity identity = AskHitIdentity(identityHook_);
  // The file is dealt with before anything is recorded, so the hit carries the outcome.
  ProcessResult result = kResultUnprocessed;
  if (autoProcess_) {
    result = autoProcess_(path);
    if (result < kResultUnprocessed || result > kResultFailed) result = kResultFailed;
  }

  if (!hits_->Append(path, position, std::move(record), result, identity)) return;
  const size_t index = hits_->size() - 1;
  if (listener_ != nullptr) listener_->OnHitAdded(index, hits_->back());

  counts_.CountHit(result);
  NotifyCounts();
}

void ScanResultModel::ResetResult() {
  // The old hits stay alive until the view has dropped its rows, which may point at them.
  std::unique_ptr<DetectedFileList> old = std::move(hits_);
  try {
    hits_ = std::make_unique<DetectedFileList>();
  } catch (const std::bad_alloc&) {
    hits_.reset();  // no list: the hits of this search are ignored, as before any search
  }
  counts_ = ScanCounts();
  if (listener_ != nullptr) listener_->OnReset();
  NotifyCounts();
}
