// Where a signature record reports the file it matched, and where the engine counts the
// files it searches. The result model implements it
// (it lists, counts and processes the hit at once); tests implement it with recorders.
// The record is shared: a hit keeps its signature's name and category readable even
// after the editor has modified or removed the record in the store.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class InvalFileInfo;

class DetectionSink {
 public:
  virtual ~DetectionSink() = default;
  // path: the full path of the file (CP932); position: the matcher's position value.
  virtual void AddDetectedFile(const std::string& path, int32_t position, std::shared_ptr<InvalFileInfo> record) = 0;
  // Called by the engine once for every candidate file, before the file is read.
  virtual void CountSearchedFile() {}
};
