#include "result/ProcessPreview.h"

#include <exception>

#include "platform/FileSystem.h"
#include "result/AutoProcessor.h"
#include "util/FileChecks.h"

ProcessResult ProcessPreview::Predict(const std::string& path, int32_t mode, std::string_view rule,
                                      std::string_view moveFolder) {
  if (mode != kModeDelete && mode != kModeRename && mode != kModeMove) return kResultUnprocessed;
  std::string target;
  try {
    CDFile file;
    file.AssignPath(path);
    if (file.FileNamePart().IsEmpty()) return kResultFailed;
    if (mode == kModeDelete) return kResultDeleted;
    if (mode == kModeRename) target = RenameTarget(file, rule);
    if (mode == kModeMove && IsExistingFolder(std::string(moveFolder))) target = MoveTarget(file, moveFolder);
  } catch (const std::exception&) {  // a path text that could not be built
    return kResultFailed;
  }
  if (target.empty() || !Claim(target)) return kResultFailed;
  return static_cast<ProcessResult>(mode);
}

bool ProcessPreview::Claim(const std::string& target) {
  // The real rename or move never replaces: any entry there, even a dangling link, or one
  // that cannot be looked at, makes it fail.
  platform::FileStatus status;
  int error = 0;
  if (platform::GetLinkStatus(target, &status, &error) || !platform::IsAbsentError(error)) return false;
  return claimed_.insert(target).second;
}
