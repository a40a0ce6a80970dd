#include "util/FileChecks.h"

#include "platform/FileSystem.h"

bool PathExists(const std::string& path) {
  platform::FileStatus status;
  return platform::GetStatus(path, &status);
}

bool CanOpenForReading(const std::string& path) {
  platform::ReadFile file;
  return file.Open(path);
}

bool IsUsableFile(const std::string& path) {
  platform::FileStatus status;
  if (!platform::GetStatus(path, &status) || status.isDirectory) return false;
  return status.size > 0 || CanOpenForReading(path);
}

bool IsExistingFolder(const std::string& path) {
  platform::FileStatus status;
  return platform::GetStatus(path, &status) && status.isDirectory;
}
