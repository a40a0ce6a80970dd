#include "engine/SearchRegistration.h"

#include <exception>

#include "db/InvalFileInfo.h"
#include "engine/CScanEngine.h"
#include "engine/SearchHost.h"
#include "platform/Clock.h"
#include "util/CDFile.h"
#include "util/CPatternList.h"
#include "util/StringTable.h"
#include "util/TextList.h"

bool RegisterFolder(CScanEngine& engine, InvalFileDB& store, const std::string& folder, SearchHost* host) {
  bool completed = false;
  engine.registering = true;
  try {
    TextList targets;
    if (targets.Add(folder, false) && engine.Prepare(targets, CPatternList("*.*", ';'), true, store)) {
      engine.running = true;
      completed = engine.Run(CScanEngine::kSearchBufferSize, CScanEngine::kSearchOverlap);
    }
  } catch (const std::exception&) {
    CScanEngine::ShowLowMemory();
  }
  engine.running = false;
  engine.registering = false;
  if (host != nullptr) host->SetStatusText(LoadString(completed ? kStrRegisterFinished : kStrRegisterStopped));
  return completed;
}

std::shared_ptr<InvalFileInfo> RegisteredRecord(const CDFile& file, const uint8_t* fingerprint) {
  auto record = std::make_shared<InvalFileInfo>();
  record->SetFromBytes(file.FileNamePart().str(), file.FolderComponent(file.SeparatorCount() - 1).str(),
                       std::string(), OleDate{platform::LocalOleDateNow(), 0}, std::string(), fingerprint,
                       CScanEngine::kFingerprintSize, std::string());
  return record;
}
