#include "LogPreflight.h"

#include <cerrno>
#include <cstring>

#include "log/LogManager.h"
#include "platform/FileSystem.h"
#include "util/CDFile.h"
#include "util/FileChecks.h"
#include "util/FolderTree.h"

namespace log_preflight {
namespace {

std::string Reason(const std::string& where, int error) { return where + ": " + std::strerror(error); }

}  // namespace

bool CheckLogFile(const std::string& path, std::string* reason) {
  CDFile file;
  file.AssignPath(path);
  platform::FileStatus status;
  int error = 0;
  if (file.FileNamePart().IsEmpty() || (platform::GetStatus(path, &status) && status.isDirectory)) {
    *reason = Reason(path, EISDIR);
    return false;
  }
  if (!platform::CanCreateFileIn(file.FolderPart().str(), &error)) {
    *reason = Reason(path, error);
    return false;
  }
  return true;
}

bool CheckAutoLogFolder(const LogManager& logs, std::string* reason) {
  const std::string& folder = logs.LogFolder();
  if (folder.empty()) {
    *reason = "no log folder is set (LogFolder)";
    return false;
  }
  if (!IsExistingFolder(folder) && !CreateFolderTree(folder)) {
    *reason = folder + ": the folder cannot be made";
    return false;
  }
  int error = 0;
  if (!platform::CanCreateFileIn(logs.LogPath(std::string()), &error)) {
    *reason = Reason(folder, error);
    return false;
  }
  return true;
}

}  // namespace log_preflight
