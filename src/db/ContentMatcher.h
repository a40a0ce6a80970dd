// The comparison the signature store drives for each searched file. The store hands the
// file and its fingerprint to Init once per file, then each candidate record calls
// Compare with its search bytes; a record that matched reports itself to the sink.
//
// Compare is also the search's chance to stop: it returns false when the user stopped the
// search, and the store calls it at least once for every file, with (nullptr, 0) when no
// record is a candidate. A search length below 16 (that call included) never matches and
// no byte beyond the given length is read.
//
// The store finds its candidates through an index on the first 16 search bytes, so a
// matcher must match exactly the records whose first 16 search bytes equal the
// fingerprint (the store's sequential search gives the same result for any matcher).
#pragma once

#include <cstdint>
#include <string>

class CDFile;
class DetectionSink;

class ContentMatcher {
 public:
  virtual ~ContentMatcher() = default;

  // Records the engine's block buffer; the fingerprint comparison does not use it.
  virtual bool SetBuffer(const uint8_t* blockBuffer, int32_t blockOverlap) {
    buffer = blockBuffer;
    overlap = blockOverlap;
    return true;
  }
  // The file about to be searched; the fingerprint stays owned by the caller and must
  // live until the file's search ends.
  virtual bool Init(CDFile* searchedFile, const uint8_t* fileFingerprint, int32_t length, uint8_t modeValue) {
    file = searchedFile;
    fingerprint = fileFingerprint;
    fingerprintLength = length;
    mode = modeValue;
    return true;
  }
  // false only when the search must stop; the outcome is left in matched.
  virtual bool Compare(const uint8_t* searchBytes, int32_t searchLength) = 0;
  // The full path of the current file, as reported with a hit.
  virtual const std::string& FilePath() const = 0;

  const uint8_t* buffer = nullptr;       // not owned
  int32_t overlap = 0;
  const uint8_t* fingerprint = nullptr;  // not owned
  int32_t fingerprintLength = 0;
  uint8_t mode = 0;
  bool matched = false;
  int32_t position = 0;
  CDFile* file = nullptr;                // not owned
  DetectionSink* sink = nullptr;         // not owned; hits go nowhere while it is null
};
