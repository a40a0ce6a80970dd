#include "settings/AppFiles.h"

#include "platform/Encoding.h"
#include "platform/FileSystem.h"
#include "util/StringTable.h"

namespace {

// Whether the last character is the separator; scanned by characters because a backslash byte
// can be the second half of a double-byte character.
bool EndsWithSeparator(const std::string& folder) {
  bool last = false;
  for (size_t i = 0; i < folder.size();) {
    bool lead = platform::IsLeadByte(static_cast<unsigned char>(folder[i])) && i + 1 < folder.size();
    last = !lead && folder[i] == platform::kSeparator;
    i += lead ? 2 : 1;
  }
  return last;
}

}  // namespace

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
  if (!EndsWithSeparator(folder)) folder += platform::kSeparator;
  return SettingsFile().SetPath(LoadString(kStrProgramName), folder, "ini", false);
}
