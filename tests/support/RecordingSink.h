// A detection sink for tests: records every hit and counts the searched files, with an
// optional callback at each count (to stop a search after N files, say).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "db/DetectionSink.h"

class InvalFileInfo;

struct RecordedHit {
  std::string path;
  int32_t position;
  std::shared_ptr<InvalFileInfo> record;
};

class RecordingSink : public DetectionSink {
 public:
  void AddDetectedFile(const std::string& path, int32_t position, std::shared_ptr<InvalFileInfo> record) override {
    hits.push_back({path, position, std::move(record)});
  }
  void CountSearchedFile() override {
    ++searched;
    if (onCount) onCount(searched);
  }

  std::vector<RecordedHit> hits;
  int searched = 0;
  std::function<void(int)> onCount;
};
