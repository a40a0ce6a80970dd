#include "result/ManualProcessor.h"

#include "platform/FolderHandle.h"
#include "result/AutoProcessor.h"
#include "util/FileChecks.h"
#include "util/MessageBox.h"
#include "util/StringTable.h"

namespace {

void ShowFailure() { MessageBoxById(kStrProcessFailed, MessageButtons::Ok, MessageIcon::Information, true); }

bool Delete(const std::string& path, const HitIdentity& hit, ProcessedFile* done) {
  platform::FolderHandle folder;
  std::string name;
  if (!OpenHit(path, hit, &folder, &name) || !folder.RemoveEntry(name, hit.file)) return false;
  if (done != nullptr) *done = ProcessedFile{kResultDeleted, path, std::string(), {}, false};
  return true;
}

bool Move(const std::string& path, const HitIdentity& hit, const std::string& target, ProcessedFile* done) {
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
  if (!folder.MoveEntryNoReplace(name, targetFolder, targetName, hit.file)) return false;
  if (done != nullptr) {
    *done = ProcessedFile{kResultMoved, path, target, {}, false};
    done->stampKnown = targetFolder.EntryStamp(targetName, &done->stamp);
  }
  return true;
}

}  // namespace

bool DeleteByHand(const std::string& path, const HitIdentity& hit, ProcessedFile* done) {
  if (MessageBoxById(kStrConfirmDelete, MessageButtons::YesNo, MessageIcon::Information) != kIdYes) return false;
  if (Delete(path, hit, done)) return true;
  ShowFailure();
  return false;
}

bool MoveByHand(const std::string& path, const HitIdentity& hit, const ChooseTarget& chooseTarget,
                ProcessedFile* done) {
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
  if (Move(path, hit, target, done)) return true;
  ShowFailure();
  return false;
}

bool ProcessByHand(int32_t operation, const std::string& path, const HitIdentity& hit,
                   const ChooseTarget& chooseTarget, ProcessedFile* done) {
  switch (operation) {
    case kManualDelete: return DeleteByHand(path, hit, done);
    case kManualRename:
      if (!MoveByHand(path, hit, chooseTarget, done)) return false;
      if (done != nullptr) done->result = kResultRenamed;  // as the user called it; the same act as a move
      return true;
    case kManualMove: return MoveByHand(path, hit, chooseTarget, done);
    default: return false;
  }
}
