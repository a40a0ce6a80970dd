// Test doubles for the store's search: a matcher with the digest comparison's rule (the
// first 16 search bytes equal the fingerprint; shorter search bytes never match) that can
// be told to stop after N comparisons, and a sink that records the hits.
#pragma once

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "db/InvalFileInfo.h"
#include "db/ContentMatcher.h"
#include "support/RecordingSink.h"
#include "support/TestRecords.h"

class FakeDigestMatcher : public ContentMatcher {
 public:
  bool Compare(const uint8_t* searchBytes, int32_t searchLength) override {
    matched = false;
    ++compares;
    if (stopAfter >= 0 && compares > stopAfter) return false;
    matched = searchLength >= 16 && fingerprint != nullptr && std::memcmp(searchBytes, fingerprint, 16) == 0;
    return true;
  }
  const std::string& FilePath() const override { return path; }

  std::string path = "/data/file.bin";
  int compares = 0;
  int stopAfter = -1;  // stop at comparison stopAfter + 1; -1 never
};
