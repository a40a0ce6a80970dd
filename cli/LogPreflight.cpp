#include "LogPreflight.h"

#include <cerrno>
#include <cstring>

#include "db/InvalFileDB.h"
#include "log/LogManager.h"
#include "log/SearchLog.h"
#include "platform/FileSystem.h"
#include "settings/AppLocations.h"
#include "util/CDFile.h"
#include "util/FileChecks.h"
#include "util/FolderTree.h"

namespace log_preflight {
namespace {

std::string Reason(const std::string& where, int error) { return where + ": " + std::strerror(error); }

bool IdentityOfPath(const std::string& path, platform::FileIdentity* identity) {
  platform::FileStatus status;
  if (!platform::GetStatus(path.empty() ? std::string(".") : path, &status)) return false;
  *identity = platform::IdentityOf(status);
  return true;
}

// Whether a and b lead to the same file: by identity when both are there; when neither is,
// by their folders' identity and the same name, for a file of ours that is missing now
// but would be read where the other is written (a settings file not made yet).
bool SamePlace(const std::string& a, const std::string& b) {
  platform::FileIdentity idA, idB;
  const bool hasA = IdentityOfPath(a, &idA);
  const bool hasB = IdentityOfPath(b, &idB);
  if (hasA || hasB) return hasA && hasB && platform::SameIdentity(idA, idB);
  CDFile fileA, fileB;
  fileA.AssignPath(a);
  fileB.AssignPath(b);
  return !fileA.FileNamePart().IsEmpty() && fileA.FileNamePart().str() == fileB.FileNamePart().str() &&
         IdentityOfPath(fileA.FolderPart().str(), &idA) && IdentityOfPath(fileB.FolderPart().str(), &idB) &&
         platform::SameIdentity(idA, idB);
}

}  // namespace

bool CheckReplaceable(const std::string& path, const AppLocations& locations, std::string* reason) {
  std::string why;
  if (!MayBeReplaced(path, &why)) {
    *reason = path + " " + why;
    return false;
  }
  const std::string dataFile = locations.DataFilePath();
  const struct {
    std::string path;
    const char* what;
  } ownFiles[] = {
      {locations.SettingsFilePath(), "the settings file"},
      {dataFile, "the data file"},
      {dataFile + InvalFileDB::kLockSuffix, "the data file's lock file"},
  };
  for (const auto& own : ownFiles) {
    if (SamePlace(path, own.path)) {
      *reason = path + " is " + own.what + " in use (" + own.path + ")";
      return false;
    }
  }
  return true;
}

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
