#include "result/AutoProcessor.h"

#include <cerrno>

#include "platform/FolderHandle.h"
#include "result/RenameRule.h"
#include "util/FolderTree.h"

namespace {

// The hit's folder, reached without following a link. A link on the way is accepted only
// when the folder reached is the very one the search listed: a target the user named
// through a link still works, while a link swapped in since leads elsewhere and is refused,
// and so is a folder renamed into the place of the listed one.
bool OpenHitFolder(const std::string& folder, const platform::FileIdentity& listed, platform::FolderHandle* handle) {
  int error = 0;
  if (!handle->OpenNoFollow(folder, &error)) {
    if ((error != ELOOP && error != ENOTDIR) || !listed.known || !handle->Open(folder)) return false;
  }
  if (!listed.known) return true;
  platform::FileIdentity reached;
  return handle->Identity(&reached) && platform::SameIdentity(reached, listed);
}

// name and folderPath: the hit's name and the folder part of its path.
bool OpenHitIn(const std::string& folderPath, const std::string& name, const HitIdentity& hit,
               platform::FolderHandle* folder) {
  if (name.empty() || !OpenHitFolder(folderPath, hit.folder, folder)) return false;
  return !hit.file.known || folder->EntryIs(name, hit.file);
}

bool Act(const std::string& name, const std::string& folderPath, int32_t mode, const std::string& newName,
         std::string_view moveFolder, const HitIdentity& hit, ProcessedFile* done) {
  platform::FolderHandle folder;
  if (!OpenHitIn(folderPath, name, hit, &folder)) return false;

  if (mode == kModeDelete) return folder.RemoveEntry(name, hit.file);
  platform::FolderHandle target;
  const platform::FolderHandle* to = &folder;
  const std::string& toName = mode == kModeRename ? newName : name;
  // The move folder is the user's own choice: a link in its path is taken as they set it.
  if (mode == kModeMove) {
    if (!target.Open(std::string(moveFolder))) return false;
    to = &target;
  }
  if (!folder.MoveEntryNoReplace(name, *to, toName, hit.file)) return false;
  // Through the handle, so the state recorded is that of the entry just made.
  if (done != nullptr) done->stampKnown = to->EntryStamp(toName, &done->stamp);
  return true;
}

}  // namespace

bool OpenHit(const std::string& path, const HitIdentity& hit, platform::FolderHandle* folder, std::string* name) {
  std::string folderPath;
  try {
    CDFile file;
    file.AssignPath(path);
    *name = file.FileNamePart().str();
    folderPath = file.FolderPart().str();
  } catch (const std::exception&) {  // a path text that could not be built
    return false;
  }
  return OpenHitIn(folderPath, *name, hit, folder);
}

std::string JoinFolderAndName(std::string_view folder, std::string_view name, PathStyle style) {
  std::string path(folder);
  AddTrailingSeparator(path, style);
  path.append(name);
  return path;
}

std::string RenameTargetName(const CDFile& file, std::string_view rule) {
  std::string newName = ApplyRenameRule(rule, file.FileNamePart().view());
  if (!IsPlainFileName(newName, file.Style())) return std::string();
  return newName;
}

std::string RenameTarget(const CDFile& file, std::string_view rule) {
  const std::string newName = RenameTargetName(file, rule);
  if (newName.empty()) return std::string();
  return JoinFolderAndName(file.FolderPartTrimmed().view(), newName, file.Style());
}

std::string MoveTarget(const CDFile& file, std::string_view moveFolder) {
  const CDString name = file.FileNamePart();
  if (moveFolder.empty() || name.IsEmpty()) return std::string();
  return JoinFolderAndName(moveFolder, name.view(), file.Style());
}

ProcessResult AutoProcessFile(const std::string& path, int32_t mode, std::string_view rule,
                              std::string_view moveFolder, const std::function<void()>& closeEngineFile,
                              const HitIdentity& hit, ProcessedFile* done) {
  if (mode != kModeDelete && mode != kModeRename && mode != kModeMove) return kResultUnprocessed;

  std::string newName, name, folder, newPath;
  try {
    CDFile file;
    file.AssignPath(path);
    name = file.FileNamePart().str();
    folder = file.FolderPart().str();
    if (mode == kModeRename && (newName = RenameTargetName(file, rule)).empty()) return kResultFailed;
    if (mode == kModeRename) newPath = JoinFolderAndName(file.FolderPartTrimmed().view(), newName, file.Style());
    if (mode == kModeMove && (newPath = MoveTarget(file, moveFolder)).empty()) return kResultFailed;
  } catch (const std::exception&) {  // a path text that could not be built
    return kResultFailed;
  }

  if (closeEngineFile) closeEngineFile();
  try {
    ProcessedFile outcome;
    if (!Act(name, folder, mode, newName, moveFolder, hit, done != nullptr ? &outcome : nullptr)) return kResultFailed;
    const ProcessResult result = static_cast<ProcessResult>(mode);
    if (done != nullptr) {
      outcome.result = result;
      outcome.oldPath = path;
      outcome.newPath = std::move(newPath);
      *done = std::move(outcome);
    }
    return result;
  } catch (const std::exception&) {
    return kResultFailed;
  }
}
