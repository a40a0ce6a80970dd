#include "faults/FaultTestSupport.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "engine/Md5.h"
#include "platform/Encoding.h"
#include "result/AutoProcessor.h"
#include "log/SearchLog.h"
#include "util/CPatternList.h"
#include "util/TextList.h"

namespace fault_test {
namespace {

std::string Hex(const uint8_t* bytes, size_t size) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  for (size_t i = 0; i < size; ++i) {
    text.push_back(kDigits[bytes[i] >> 4]);
    text.push_back(kDigits[bytes[i] & 15]);
  }
  return text;
}

std::vector<std::string> ListNames(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return names;
  while (dirent* d = readdir(dir)) {
    const std::string name = d->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  closedir(dir);
  return names;
}

std::string Describe(const std::string& path, const struct stat& st) {
  if (S_ISREG(st.st_mode)) return "file " + FileDigest(path);
  if (S_ISDIR(st.st_mode)) return "dir";
  if (S_ISFIFO(st.st_mode)) return "fifo";
  if (S_ISSOCK(st.st_mode)) return "socket";
  if (S_ISLNK(st.st_mode)) {
    char target[4096];
    const ssize_t n = readlink(path.c_str(), target, sizeof target);
    return "link " + std::string(target, n > 0 ? static_cast<size_t>(n) : 0);
  }
  return "device";
}

}  // namespace

std::string FileDigest(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::string();
  std::ostringstream bytes;
  bytes << in.rdbuf();
  const std::string content = bytes.str();
  uint8_t digest[Md5::kDigestSize];
  Md5Digest(content.data(), content.size(), digest);
  return Hex(digest, sizeof digest);
}

TreeSnapshot SnapshotTree(const std::string& root) {
  TreeSnapshot snapshot;
  std::vector<std::string> pending{""};
  while (!pending.empty()) {
    const std::string relative = pending.back();
    pending.pop_back();
    const std::string folder = relative.empty() ? root : root + "/" + relative;
    for (const std::string& name : ListNames(folder)) {
      const std::string entry = relative.empty() ? name : relative + "/" + name;
      struct stat st;
      if (lstat((root + "/" + entry).c_str(), &st) != 0) {
        snapshot[entry] = "unreadable";
        continue;
      }
      snapshot[entry] = Describe(root + "/" + entry, st);
      if (S_ISDIR(st.st_mode)) pending.push_back(entry);
    }
  }
  return snapshot;
}

size_t CountDifferences(const TreeSnapshot& expected, const TreeSnapshot& actual, std::vector<std::string>* report) {
  size_t differences = 0;
  auto note = [&](const std::string& text) {
    ++differences;
    if (report != nullptr) report->push_back(text);
  };
  for (const auto& [path, what] : expected) {
    auto it = actual.find(path);
    if (it == actual.end()) note("lost: " + path);
    else if (it->second != what) note("changed: " + path);
  }
  for (const auto& [path, what] : actual) {
    if (expected.count(path) == 0) note("appeared: " + path);
  }
  return differences;
}

void RemoveTree(const std::string& root) {
  std::vector<std::string> folders{root};
  for (size_t i = 0; i < folders.size(); ++i) {
    chmod(folders[i].c_str(), 0700);
    for (const std::string& name : ListNames(folders[i])) {
      const std::string path = folders[i] + "/" + name;
      struct stat st;
      if (lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) folders.push_back(path);
      else unlink(path.c_str());
    }
  }
  for (size_t i = folders.size(); i-- > 0;) rmdir(folders[i].c_str());
}

Watchdog::Watchdog(std::chrono::milliseconds limit, std::string what) {
  thread_ = std::thread([this, limit, what = std::move(what)] {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!done_.wait_for(lock, limit, [this] { return finished_; })) {
      std::fprintf(stderr, "watchdog: %s did not finish within %lld ms\n", what.c_str(),
                   static_cast<long long>(limit.count()));
      std::fflush(stderr);
      std::_Exit(3);
    }
  });
}

Watchdog::~Watchdog() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    finished_ = true;
  }
  done_.notify_all();
  thread_.join();
}

ProcessingRun::ProcessingRun(std::string rootFolder)
    : root(std::move(rootFolder)),
      treeFolder(root + "/tree"),
      moveFolder(root + "/moved"),
      engine(settings),
      host(&engine) {
  mkdir(treeFolder.c_str(), 0755);
  mkdir(moveFolder.c_str(), 0755);
  engine.SetHost(&host);
  engine.SetDetectionSink(&results);
  engine.SetProblemSink(&problems);
  // Wired as the program wires them: the engine lets go of a hit before it is processed,
  // and says which file it read and which folder it listed.
  options.SetCloseFileHook([this] {
    engine.CloseTarget();
    if (beforeProcessing) beforeProcessing();
  });
  options.SetHitIdentityHook([this](platform::FileIdentity* file, platform::FileIdentity* folder) {
    if (reportIdentity) engine.OpenTargetIdentity(file, folder);
  });
  options.SetMoveFolder(platform::OsNameToCp932(moveFolder));
  results.SetAutoProcess([this](const std::string& path) { return options.AutoProcessFile(path); });
}

void ProcessingRun::AddSignatureFor(const std::string& content, const std::string& name) {
  store.Add(engine_test::Signature("cat", name, engine_test::DigestOf(content.substr(0, 257))));
}

void ProcessingRun::SetMode(int32_t mode, const std::string& rule) {
  options.SetMode(mode);
  options.SetRule(rule);
}

bool ProcessingRun::Search(const std::string& patterns, bool subfolders) {
  results.ResetResult();
  TextList targets;
  targets.Add(platform::OsNameToCp932(treeFolder), false);
  if (!engine.Prepare(targets, CPatternList(patterns, ';'), subfolders, store)) return false;
  engine.running = true;
  return engine.Run(CScanEngine::kSearchBufferSize, CScanEngine::kSearchOverlap);
}

std::string ProcessingRun::WriteLog() {
  const std::string path = root + "/search.log";
  ProfileFile log;
  if (!WriteLogFile(platform::OsNameToCp932(path), engine.RunInfo(), results.Hits(), log)) return std::string();
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

TreeSnapshot ProcessingRun::ExpectedAfter(const TreeSnapshot& before) const {
  TreeSnapshot expected = before;
  for (const DetectedFile& hit : Hits()) {
    const ProcessResult result = hit.Result();
    if (result != kResultDeleted && result != kResultRenamed && result != kResultMoved) continue;
    const std::string os = platform::Cp932ToOsName(hit.PathText());
    const std::string relative = os.substr(root.size() + 1);
    const std::string what = expected[relative];
    expected.erase(relative);
    const std::string osName = platform::Cp932ToOsName(hit.FileName());
    if (result == kResultRenamed) {
      const std::string folder = relative.substr(0, relative.size() - osName.size());
      expected[folder + platform::Cp932ToOsName(RenameTargetName(hit.Path(), options.Rule()))] = what;
    } else if (result == kResultMoved) {
      expected["moved/" + osName] = what;
    }
  }
  return expected;
}

int ProcessingRun::HitsWithResult(ProcessResult result) const {
  int n = 0;
  for (const DetectedFile& hit : Hits()) n += hit.Result() == result ? 1 : 0;
  return n;
}

}  // namespace fault_test
