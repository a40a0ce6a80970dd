// Test doubles around the search engine: a host that records status texts and can stop
// the search (or act on the tree) at a given pump, a sink that counts files and records
// hits, a problem recorder, a message presenter that records the boxes, and a few helpers
// to build stores and digests.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "db/InvalFileDB.h"
#include "db/InvalFileInfo.h"
#include "engine/CScanEngine.h"
#include "engine/Md5.h"
#include "engine/SearchHost.h"
#include "engine/SearchProblemSink.h"
#include "settings/ProfileFile.h"
#include "support/RecordingSink.h"
#include "support/TempDir.h"
#include "util/CPatternList.h"
#include "util/MessageBox.h"
#include "util/StringTable.h"
#include "util/TextList.h"

namespace engine_test {

class RecordingHost : public SearchHost {
 public:
  explicit RecordingHost(CScanEngine* engine = nullptr) : engine_(engine) {}

  void SetStatusText(const std::string& text) override { statusTexts.push_back(text); }
  void PumpEvents() override {
    ++pumps;
    if (onPump) onPump(pumps);
    if (stopAtPump > 0 && pumps >= stopAtPump && engine_ != nullptr) engine_->running = false;
  }

  std::vector<std::string> statusTexts;
  int pumps = 0;
  int stopAtPump = 0;                 // clears running at this pump (0: never)
  std::function<void(int)> onPump;    // called with the pump number

 private:
  CScanEngine* engine_;
};

class RecordingProblems : public SearchProblemSink {
 public:
  struct File {
    std::string path;
    int error;
    FileStep step;
  };
  struct Folder {
    std::string folder;
    int error;
  };
  void FileNotRead(const std::string& path, int error, FileStep step) override { files.push_back({path, error, step}); }
  void FolderNotListed(const std::string& folder, int error) override { folders.push_back({folder, error}); }

  std::vector<File> files;
  std::vector<Folder> folders;
};

// Installed for its lifetime; every box answers OK.
class RecordingPresenter : public MessagePresenter {
 public:
  struct Box {
    std::string text;
    MessageButtons buttons;
    MessageIcon icon;
    bool beep;
  };
  RecordingPresenter() : previous_(GetMessagePresenter()) { SetMessagePresenter(this); }
  ~RecordingPresenter() override { SetMessagePresenter(previous_); }

  int Show(const std::string& text, MessageButtons buttons, MessageIcon icon, bool beep) override {
    boxes.push_back({text, buttons, icon, beep});
    return kIdOk;
  }
  std::string ChooseFolder(const std::string&, const std::string&) override { return std::string(); }

  int CountOf(int stringId) const {
    int n = 0;
    for (const Box& box : boxes) n += box.text == LoadString(stringId) ? 1 : 0;
    return n;
  }

  std::vector<Box> boxes;

 private:
  MessagePresenter* previous_;
};

inline std::string DigestOf(const std::string& bytes) {
  uint8_t digest[Md5::kDigestSize];
  Md5Digest(bytes.data(), bytes.size(), digest);
  return std::string(reinterpret_cast<const char*>(digest), Md5::kDigestSize);
}

// A signature whose search bytes are the given raw bytes.
inline std::shared_ptr<InvalFileInfo> Signature(const std::string& category, const std::string& name,
                                                const std::string& searchBytes) {
  auto record = std::make_shared<InvalFileInfo>();
  record->SetFromBytes(name, category, "", OleDate{}, "", reinterpret_cast<const uint8_t*>(searchBytes.data()),
                       static_cast<int32_t>(searchBytes.size()), "");
  return record;
}

// Content of a given size whose bytes depend on seed.
inline std::string Content(size_t size, int seed) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 31 + static_cast<size_t>(seed) * 7 + 1) & 0xFF);
  return bytes;
}

// An engine with the default block (bytes 0..256), wired to a host, a sink and a
// problem recorder, over one temporary tree.
class EngineFixtureBase {
 protected:
  EngineFixtureBase() : engine(settings), host(&engine) {
    engine.SetHost(&host);
    engine.SetDetectionSink(&sink);
    engine.SetProblemSink(&problems);
  }

  // Prepares a search of the tree's root (or the given targets) and runs it armed.
  bool Search(const std::string& patterns = "*.*", bool subfolders = true) {
    TextList targets;
    targets.Add(tree.path(), false);
    return SearchTargets(targets, patterns, subfolders);
  }
  bool SearchTargets(const TextList& targets, const std::string& patterns, bool subfolders) {
    if (!engine.Prepare(targets, CPatternList(patterns, ';'), subfolders, store)) return false;
    engine.running = true;
    return engine.Run(CScanEngine::kSearchBufferSize, CScanEngine::kSearchOverlap);
  }
  // The searched files' paths, relative to the tree, in the order they were counted.
  std::vector<std::string> CountedFiles() const {
    std::vector<std::string> files;
    const std::string root = tree.folder();
    for (const std::string& text : host.statusTexts) {
      if (text.size() > root.size() && text.compare(0, root.size(), root) == 0 && text.back() != '/')
        files.push_back(text.substr(root.size()));
    }
    return files;
  }

  testing_support::TempDir tree;
  ProfileFile settings;  // unbound: every block setting takes its default
  InvalFileDB store;
  CScanEngine engine;
  RecordingHost host;
  RecordingSink sink;
  RecordingProblems problems;
};

}  // namespace engine_test
