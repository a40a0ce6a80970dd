#include "engine/SearchRegistration.h"

#include <algorithm>
#include <exception>

#include "db/InvalFileInfo.h"
#include "engine/CScanEngine.h"
#include "engine/SearchHost.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/WorkingFolder.h"
#include "util/CDFile.h"
#include "util/CPatternList.h"
#include "util/StringTable.h"
#include "util/TextList.h"

std::string RegistrationRoot(const std::string& folder) {
  const char separator = platform::kSeparator;
  std::string path = folder;
  std::string current;
  if (!path.empty() && path.front() != separator && platform::CurrentFolder(&current)) {
    path = current + separator + path;
  }
  if (path.empty() || path.front() != separator) return folder;  // no current folder to start from
  // The separator is never the second byte of a double-byte character, so the path splits
  // at every one of its bytes.
  std::string root;
  bool endsInFolder = false;
  for (size_t begin = 0; begin <= path.size();) {
    size_t end = path.find(separator, begin);
    if (end == std::string::npos) end = path.size();
    const std::string_view part = std::string_view(path).substr(begin, end - begin);
    endsInFolder = part.empty() || part == "." || part == "..";
    if (part == "..") {
      // Taken as the shell takes it: the step before is undone (never above the root).
      root.resize(std::min(root.size(), root.rfind(separator)));
    } else if (!endsInFolder) {
      root += separator;
      root.append(part);
    }
    begin = end + 1;
  }
  if (root.empty()) return std::string(1, separator);
  // A final separator the caller gave (or a final ".") stays: it makes the last name count
  // as a folder, as it did.
  if (endsInFolder) root += separator;
  return root;
}

bool RegisterFolder(CScanEngine& engine, InvalFileDB& store, const std::string& folder, SearchHost* host,
                    std::vector<QualityWarning>* warnings) {
  bool completed = false;
  std::vector<QualityWarning> found;
  engine.registering = true;
  try {
    SignatureQuality quality(engine.BlockLength(CScanEngine::kSearchBufferSize));
    engine.SetSampleQuality(&quality);
    TextList targets;
    if (targets.Add(RegistrationRoot(folder), false) && engine.Prepare(targets, CPatternList("*.*", ';'), true, store)) {
      engine.running = true;
      completed = engine.Run(CScanEngine::kSearchBufferSize, CScanEngine::kSearchOverlap);
    }
    engine.SetSampleQuality(nullptr);
    // A stopped registration keeps what it added: those are reported too.
    found = quality.Warnings();
  } catch (const std::exception&) {
    engine.SetSampleQuality(nullptr);
    CScanEngine::ShowLowMemory();
  }
  engine.running = false;
  engine.registering = false;
  if (host != nullptr) {
    host->SetStatusText(LoadString(completed ? kStrRegisterFinished : kStrRegisterStopped) +
                        SignatureQuality::Summary(found));
  }
  if (warnings != nullptr) *warnings = std::move(found);
  return completed;
}

std::shared_ptr<InvalFileInfo> RegisteredRecord(const CDFile& file, const uint8_t* fingerprint) {
  auto record = std::make_shared<InvalFileInfo>();
  record->SetFromBytes(file.FileNamePart().str(), file.FolderComponent(file.SeparatorCount() - 1).str(),
                       std::string(), OleDate{platform::LocalOleDateNow(), 0}, std::string(), fingerprint,
                       CScanEngine::kFingerprintSize, std::string());
  return record;
}
