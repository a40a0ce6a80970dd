// The matcher of a search: a record matches when its first 16 search bytes equal the
// file's fingerprint. Every comparison first gives the program a chance to handle its
// events, so a stop takes effect before the next record is tried; the store calls Compare
// at least once per file, which makes it the per-file stop check as well.
#pragma once

#include <cstdint>
#include <string>

#include "db/ContentMatcher.h"

class CScanEngine;

class DigestMatcher : public ContentMatcher {
 public:
  static constexpr int32_t kFingerprintLength = 16;

  // engine: whose stop state is checked before each comparison; may be null (never stops).
  explicit DigestMatcher(CScanEngine* engine = nullptr) : engine_(engine) {}

  // Records shorter than the fingerprint never match, and nothing beyond searchLength is read.
  bool Compare(const uint8_t* searchBytes, int32_t searchLength) override;
  const std::string& FilePath() const override;

 private:
  CScanEngine* engine_;
};
