// Shared by the fault and hostile-tree tests: a picture of a whole tree (every entry and
// what it holds) to show that nothing was lost or changed outside the actions a search
// logged, a watchdog that fails a test which hangs, and a search with automatic processing
// wired as the program wires it (engine, result model, search settings, log).
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "db/InvalFileDB.h"
#include "engine/CScanEngine.h"
#include "engine/EngineTestSupport.h"
#include "result/ScanOptions.h"
#include "result/ScanResultModel.h"
#include "settings/ProfileFile.h"

namespace fault_test {

// Relative path (OS bytes) -> "file <md5>", "dir", "link <target>", "fifo", "socket",
// "device". Listed one folder at a time, so a tree of any depth needs one descriptor.
using TreeSnapshot = std::map<std::string, std::string>;
TreeSnapshot SnapshotTree(const std::string& root);
// Entries missing, extra or different between the two; each named in *report.
size_t CountDifferences(const TreeSnapshot& expected, const TreeSnapshot& actual,
                        std::vector<std::string>* report = nullptr);
// Removes a tree of any depth (deepest entries first).
void RemoveTree(const std::string& root);
// The MD5 of a file's bytes in hex; empty when it cannot be read.
std::string FileDigest(const std::string& path);

// Ends the test program when a test has not finished within the limit: a hang would
// otherwise never report.
class Watchdog {
 public:
  explicit Watchdog(std::chrono::milliseconds limit, std::string what);
  ~Watchdog();
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

 private:
  std::mutex mutex_;
  std::condition_variable done_;
  bool finished_ = false;
  std::thread thread_;
};

// A search of root/tree with automatic processing, moves going to root/moved, the log
// written to root/search.log. Every hostile test states its tree before and after with
// ExpectedAfter: what the logged actions account for, and nothing else.
class ProcessingRun {
 public:
  explicit ProcessingRun(std::string root);

  // A signature matching every file whose block (bytes 0..256) equals that of content.
  void AddSignatureFor(const std::string& content, const std::string& name = "sig");
  void SetMode(int32_t mode, const std::string& rule = "*.*.INV");
  bool Search(const std::string& patterns = "*.*", bool subfolders = true);
  // Writes the log of the last search; its bytes.
  std::string WriteLog();
  // before, changed as the recorded hits say they were processed.
  TreeSnapshot ExpectedAfter(const TreeSnapshot& before) const;

  const DetectedFileList& Hits() const { return *results.Hits(); }
  int HitsWithResult(ProcessResult result) const;

  // Runs on every hit after the engine has let go of the file and before it is processed.
  std::function<void()> beforeProcessing;
  // Off: processing is told nothing of the file the search read (as a caller without an
  // engine would be).
  bool reportIdentity = true;

  std::string root;
  std::string treeFolder;   // root/tree (no trailing separator)
  std::string moveFolder;   // root/moved
  engine_test::RecordingPresenter presenter;
  ProfileFile settings;
  InvalFileDB store;
  CScanEngine engine;
  ScanResultModel results;
  ScanOptions options;
  engine_test::RecordingHost host;
  engine_test::RecordingProblems problems;
};

}  // namespace fault_test
