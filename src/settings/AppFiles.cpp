#include "settings/AppFiles.h"

#include "platform/Encoding.h"
#include "platform/FileSystem.h"
#include "util/FolderTree.h"
#include "util/StringTable.h"

ProfileFile& SettingsFile() {
  static ProfileFile file;
  return file;
}

ProfileFile& ScanLogFile() {
  static ProfileFile file;
  return file;
}

bool BindSettingsFile(const std::string& programFolder) {
  if (programFolder.empty()) return false;
  std::string folder = programFolder;
  AddTrailingSeparator(folder);
  return SettingsFile().SetPath(LoadString(kStrProgramName), folder, "ini", false);
}
