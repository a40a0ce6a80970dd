#include "engine/DigestMatcher.h"

#include <cstring>

#include "engine/CScanEngine.h"
#include "util/CDFile.h"

bool DigestMatcher::Compare(const uint8_t* searchBytes, int32_t searchLength) {
  matched = false;
  if (engine_ != nullptr && engine_->PumpSearchMessages()) return false;
  const int32_t length = fingerprintLength;
  if (searchBytes == nullptr || fingerprint == nullptr || length <= 0) return true;
  if (searchLength < kFingerprintLength || searchLength < length) return true;
  matched = std::memcmp(searchBytes, fingerprint, static_cast<size_t>(length)) == 0;
  return true;
}

const std::string& DigestMatcher::FilePath() const {
  static const std::string kNoFile;
  return file != nullptr ? file->PathText() : kNoFile;
}
