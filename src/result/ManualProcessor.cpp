#include "result/ManualProcessor.h"

#include "platform/FolderHandle.h"
#include "result/AutoProcessor.h"
#include "util/FileChecks.h"
#include "util/MessageBox.h"
#include "util/StringTable.h"

namespace {

void ShowFailure() { MessageBoxById(kStrProcessFailed, MessageButtons::Ok, MessageIcon::Information, true); }

bool Delete(const std::string& path, const HitIdentity& hit) {
  platform::FolderHandle folder;
  std::string name;
  return OpenHit(path, hit, &folder, &name) && folder.RemoveEntry(name);
}

bool Move(const std::string& path, const HitIdentity& hit, const std::string& target) {
  platform::FolderHandle folder;
  std::string name;
  if (!OpenHit(path, hit, &folder, &name)) return false;
  // The target is the user's own choice: a link in its path is taken as they chose it.
  std::string targetName;
  platform::FolderHandle targetFolder;
  try {
    CDFile file;
    file.AssignPath(target);
    targetName = file.FileNamePart().str();
    if (targetName.empty() || !targetFolder.Open(file.FolderPart().str())) return false;
  } catch (const std::exception&) {  // a path text that could not be built
    return false;
  }
  return folder.MoveEntryNoReplace(name, targetFolder, targetName, hit.file);
}

}  // namespace

bool DeleteByHand(const std::string& path, const HitIdentity& hit) {
  if (MessageBoxById(kStrConfirmDelete, MessageButtons::YesNo, MessageIcon::Information) != kIdYes) return false;
  if (Delete(path, hit)) return true;
  ShowFailure();
  return false;
}

bool MoveByHand(const std::string& path, const HitIdentity& hit, const ChooseTarget& chooseTarget) {
  if (!chooseTarget) return false;
  std::string target;
  for (;;) {
    // Always from the hit's own path: a rejected name is not worth starting from.
    target = chooseTarget(path);
    if (target.empty()) return false;
    if (!IsUsableFile(target)) break;
    MessageBoxById(kStrFileExists, MessageButtons::Ok, MessageIcon::Information, true);
  }
  // The existence check above is only a courtesy; the move itself never replaces anything
  // (an empty unreadable file or a folder at the target ends here as a failure).
  if (Move(path, hit, target)) return true;
  ShowFailure();
  return false;
}

bool ProcessByHand(int32_t operation, const std::string& path, const HitIdentity& hit,
                   const ChooseTarget& chooseTarget) {
  switch (operation) {
    case kManualDelete: return DeleteByHand(path, hit);
    case kManualRename:
    case kManualMove: return MoveByHand(path, hit, chooseTarget);
    default: return false;
  }
}
