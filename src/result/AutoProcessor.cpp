#include "result/AutoProcessor.h"

#include "platform/FileSystem.h"
#include "result/RenameRule.h"
#include "util/ShiftJis.h"

std::string JoinFolderAndName(std::string_view folder, std::string_view name, PathStyle style) {
  std::string path(folder);
  if (!path.empty() && shiftjis::FindLastSeparator(path, style) != path.size() - 1) path.push_back(style.separator);
  path.append(name);
  return path;
}

std::string RenameTarget(const CDFile& file, std::string_view rule) {
  const std::string newName = ApplyRenameRule(rule, file.FileNamePart().view());
  if (!IsPlainFileName(newName, file.Style())) return std::string();
  return JoinFolderAndName(file.FolderPartTrimmed().view(), newName, file.Style());
}

std::string MoveTarget(const CDFile& file, std::string_view moveFolder) {
  const CDString name = file.FileNamePart();
  if (moveFolder.empty() || name.IsEmpty()) return std::string();
  return JoinFolderAndName(moveFolder, name.view(), file.Style());
}

ProcessResult AutoProcessFile(const std::string& path, int32_t mode, std::string_view rule,
                              std::string_view moveFolder, const std::function<void()>& closeEngineFile) {
  if (mode != kModeDelete && mode != kModeRename && mode != kModeMove) return kResultUnprocessed;

  std::string target;
  try {
    CDFile file;
    file.AssignPath(path);
    if (mode == kModeRename) target = RenameTarget(file, rule);
    if (mode == kModeMove) target = MoveTarget(file, moveFolder);
  } catch (const std::exception&) {  // a path text that could not be built
    return kResultFailed;
  }
  if (mode != kModeDelete && target.empty()) return kResultFailed;

  if (closeEngineFile) closeEngineFile();
  const bool done = mode == kModeDelete ? platform::RemoveFile(path) : platform::MoveNoReplace(path, target);
  return done ? static_cast<ProcessResult>(mode) : kResultFailed;
}
