#include "result/ManualProcessor.h"

#include "platform/FileSystem.h"
#include "util/FileChecks.h"
#include "util/MessageBox.h"
#include "util/StringTable.h"

namespace {

void ShowFailure() { MessageBoxById(kStrProcessFailed, MessageButtons::Ok, MessageIcon::Information, true); }

}  // namespace

bool DeleteByHand(const std::string& path) {
  if (MessageBoxById(kStrConfirmDelete, MessageButtons::YesNo, MessageIcon::Information) != kIdYes) return false;
  if (platform::RemoveFile(path)) return true;
  ShowFailure();
  return false;
}

bool MoveByHand(const std::string& path, const ChooseTarget& chooseTarget) {
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
  if (platform::MoveNoReplace(path, target)) return true;
  ShowFailure();
  return false;
}

bool ProcessByHand(int32_t operation, const std::string& path, const ChooseTarget& chooseTarget) {
  switch (operation) {
    case kManualDelete: return DeleteByHand(path);
    case kManualRename:
    case kManualMove: return MoveByHand(path, chooseTarget);
    default: return false;
  }
}
