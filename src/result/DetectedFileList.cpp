#include "result/DetectedFileList.h"

#include <new>

#include "settings/LogFormat.h"

bool DetectedFileList::Append(std::string_view path, int32_t position, std::shared_ptr<InvalFileInfo> signature,
                              ProcessResult result, const HitIdentity& identity) {
  if (path.empty()) return false;
  try {
    hits_.emplace_back(path, position, std::move(signature), result, identity);
  } catch (const std::exception&) {  // std::bad_alloc or a CDStringException
    return false;
  }
  return true;
}

bool DetectedFileList::WriteLogDetections(ProfileFile::Direction direction, ProfileFile& file) const {
  if (direction != ProfileFile::Direction::Store) return true;
  std::string head = LogDetectionsHead(hits_.size());
  if (!file.TransferText(direction, head)) return false;
  for (const DetectedFile& hit : hits_) {
    if (!hit.WriteLogLine(direction, file)) return false;
  }
  return true;
}
