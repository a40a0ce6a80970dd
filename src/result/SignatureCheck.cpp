#include "result/SignatureCheck.h"

#include <algorithm>
#include <cstring>
#include <exception>

#include "db/InvalFileDB.h"
#include "db/InvalFileInfo.h"
#include "engine/CScanEngine.h"
#include "util/CPatternList.h"
#include "util/TextList.h"

bool SignatureCheck::Run(CScanEngine& engine, InvalFileDB& store, const TextList& folders) {
  // Every signature, whatever the settings' category checks say.
  for (const auto& [name, category] : store.Categories()) store.FindCategory(name)->SetSearchFlag(true);
  DetectionSink* previous = engine.Sink();
  engine.SetDetectionSink(this);
  bool completed = false;
  try {
    if (engine.Prepare(folders, CPatternList("*.*", ';'), true, store)) {
      engine.running = true;
      completed = engine.Run(CScanEngine::kSearchBufferSize, CScanEngine::kSearchOverlap);
    }
  } catch (const std::exception&) {
    CScanEngine::ShowLowMemory();
  }
  engine.running = false;
  engine.SetDetectionSink(previous);
  return completed;
}

bool SignatureCheck::FingerprintOf(const InvalFileInfo& record, Fingerprint* key) {
  if (record.SearchLength() < static_cast<int32_t>(key->size())) return false;
  std::memcpy(key->data(), record.SearchBytes(), key->size());
  return true;
}

void SignatureCheck::AddDetectedFile(const std::string& path, int32_t, std::shared_ptr<InvalFileInfo> record) {
  Fingerprint key;
  if (record == nullptr || !FingerprintOf(*record, &key)) return;
  counts_.CountHit(kResultUnprocessed);
  Found& found = found_[key];
  ++found.count;
  if (found.examples.size() < kExamples) found.examples.push_back(path);
}

std::vector<SignatureCheck::Match> SignatureCheck::Matches(const InvalFileDB& store) const {
  std::vector<Match> matches;
  if (found_.empty()) return matches;
  store.ForEachRecord([&](const std::shared_ptr<InvalFileInfo>& record) {
    Fingerprint key;
    if (!FingerprintOf(*record, &key)) return;
    const auto found = found_.find(key);
    if (found != found_.end()) matches.push_back(Match{record, found->second.count, found->second.examples});
  });
  std::stable_sort(matches.begin(), matches.end(), [](const Match& a, const Match& b) { return a.count > b.count; });
  return matches;
}
