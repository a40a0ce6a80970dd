// A check of the signatures against folders of files known to be good (a system's /usr,
// say): a search with every signature over every file, that processes nothing and keeps
// no hit, but counts per signature how many of those files it would call invalid, with a
// few of them as examples. A signature that matches there would make an automatic delete
// remove innocent files.
//
// The store reports a file's first matching record only; every record with the same
// first 16 search bytes matches that file too, so the counts are kept per fingerprint and
// handed to each of its records.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "db/DetectionSink.h"
#include "result/ScanCounts.h"

class CScanEngine;
class InvalFileDB;
class InvalFileInfo;
class TextList;

class SignatureCheck : public DetectionSink {
 public:
  static constexpr size_t kExamples = 3;

  struct Match {
    std::shared_ptr<InvalFileInfo> record;
    int64_t count = 0;
    // The first kExamples matching files (CP932 paths) in the order they were searched.
    std::vector<std::string> examples;
  };

  // Runs engine over folders with the whole store: every file, subfolders too, every
  // category searched. This check is the engine's sink for the run (the previous one is
  // put back) and running is set for it. Returns whether the walk completed.
  bool Run(CScanEngine& engine, InvalFileDB& store, const TextList& folders);

  // Every record that matched a file, most files first, in store order among equal counts.
  std::vector<Match> Matches(const InvalFileDB& store) const;
  // Files searched, and files that matched any record (as the hit counter).
  const ScanCounts& Counts() const { return counts_; }

  void AddDetectedFile(const std::string& path, int32_t position, std::shared_ptr<InvalFileInfo> record) override;
  void CountSearchedFile() override { counts_.CountSearched(); }

 private:
  using Fingerprint = std::array<uint8_t, 16>;
  struct Found {
    int64_t count = 0;
    std::vector<std::string> examples;
  };
  static bool FingerprintOf(const InvalFileInfo& record, Fingerprint* key);

  std::map<Fingerprint, Found> found_;
  ScanCounts counts_;
};
