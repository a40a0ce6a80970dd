// Signature records for tests: the key and search bytes a test cares about, every other
// field empty.
#pragma once

#include <memory>
#include <string>

#include "db/InvalFileInfo.h"

// Search bytes of a full-length fingerprint, for tests that need a searchable record but
// not a particular one.
inline constexpr char kSampleFingerprintHex[] = "00112233445566778899aabbccddeeff";

// A record with the given key and search bytes (hex), other fields empty.
inline std::shared_ptr<InvalFileInfo> MakeRecord(const std::string& category, const std::string& name,
                                                 const std::string& hex = std::string()) {
  auto record = std::make_shared<InvalFileInfo>();
  record->SetFromText(name, category, "", OleDate{}, "", hex, "");
  return record;
}
