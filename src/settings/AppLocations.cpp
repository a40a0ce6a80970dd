#include "settings/AppLocations.h"

#include <cerrno>

#include "platform/FileSystem.h"
#include "platform/UserFolders.h"
#include "util/FileChecks.h"
#include "util/FolderTree.h"
#include "util/PathParts.h"
#include "util/StringTable.h"

namespace {

constexpr char kSharedFolder[] = "share/vorlet/";

std::string WithSeparator(std::string folder) {
  AddTrailingSeparator(folder);
  return folder;
}

std::string FileName(const char* ext) { return LoadString(kStrProgramName) + "." + ext; }

// The installation's shared folder for a program in programFolder: ../share/vorlet/.
std::string SharedFolder(const std::string& programFolder) {
  if (programFolder.empty()) return std::string();
  std::string parent = programFolder;
  if (parent.back() == kNativePathStyle.separator) parent.pop_back();
  parent = GetFolderPart(parent);
  return parent.empty() ? std::string() : parent + kSharedFolder;
}

bool IsAbsolute(const std::string& path) { return !path.empty() && path[0] == kNativePathStyle.separator; }

// An XDG base folder, or the home folder's fallback below it.
std::string BaseFolder(const std::string& value, const std::string& home, const char* fallback) {
  if (IsAbsolute(value)) return WithSeparator(value);
  if (!IsAbsolute(home)) return std::string();
  return WithSeparator(home) + fallback;
}

AppLocations AllIn(AppLocations::Kind kind, const std::string& folder) {
  AppLocations at;
  at.kind = kind;
  at.settingsFolder = folder.empty() ? folder : WithSeparator(folder);
  at.dataFolder = at.settingsFolder;
  at.logFolder = at.settingsFolder + "Log";
  return at;
}

// Makes folder and its missing parents, privately; true when it is there afterwards.
bool MakeFolder(const std::string& folder) {
  if (IsExistingFolder(folder)) return true;
  for (const std::string& step : FolderTreeSteps(folder)) platform::MakePrivateDirectory(step);
  return IsExistingFolder(folder);
}

}  // namespace

std::string AppLocations::SettingsFilePath() const { return settingsFolder + FileName("ini"); }
std::string AppLocations::DataFilePath() const { return dataFolder + FileName("dat"); }

LocationEnvironment LocationEnvironment::FromProcess() {
  LocationEnvironment env;
  env.xdgConfigHome = platform::EnvironmentValue("XDG_CONFIG_HOME");
  env.xdgDataHome = platform::EnvironmentValue("XDG_DATA_HOME");
  env.home = platform::EnvironmentValue("HOME");
  if (!IsAbsolute(env.home)) env.home = platform::AccountHomeFolder();
  return env;
}

AppLocations ResolveAppLocations(const std::string& programFolder, const std::string& homeOption,
                                 const LocationEnvironment& env) {
  if (!homeOption.empty()) return AllIn(AppLocations::Kind::Home, homeOption);
  const std::string program = programFolder.empty() ? programFolder : WithSeparator(programFolder);
  // Without a folder of its own the program keeps its files in the current folder.
  if (program.empty() || PathExists(program + FileName("ini")))
    return AllIn(AppLocations::Kind::Portable, program);
  const std::string shipped = SharedFolder(program) + FileName("ini");
  const bool installedLayout = !SharedFolder(program).empty() && PathExists(shipped);
  if (!installedLayout && platform::CanWriteFolder(program))
    return AllIn(AppLocations::Kind::Portable, program);

  AppLocations at;
  at.kind = AppLocations::Kind::Installed;
  const std::string config = BaseFolder(env.xdgConfigHome, env.home, ".config/");
  const std::string data = BaseFolder(env.xdgDataHome, env.home, ".local/share/");
  if (!config.empty()) at.settingsFolder = config + "vorlet/";
  if (!data.empty()) {
    at.dataFolder = data + "vorlet/";
    at.logFolder = at.dataFolder + "logs";
  }
  if (installedLayout) at.shippedSettings = shipped;
  return at;
}

bool PrepareAppLocations(const AppLocations& locations, std::string* problem) {
  if (locations.kind != AppLocations::Kind::Installed) return true;
  for (const std::string& folder : {locations.settingsFolder, locations.dataFolder}) {
    if (folder.empty() || !MakeFolder(folder)) {
      *problem = folder;
      return false;
    }
  }
  if (locations.shippedSettings.empty() || PathExists(locations.SettingsFilePath())) return true;
  std::string content;
  int error = 0;
  // A settings file that appeared meanwhile (the other program's first start) is kept.
  if (platform::ReadWholeFile(locations.shippedSettings, &content) &&
      (platform::WriteFileNoReplace(locations.SettingsFilePath(), content, &error) || error == EEXIST)) {
    return true;
  }
  *problem = locations.SettingsFilePath();
  return false;
}

std::string FindShippedFile(const std::string& programFolder, const std::string& name) {
  const std::string beside = programFolder + name;
  const std::string shared = SharedFolder(programFolder);
  if (PathExists(beside) || shared.empty() || !PathExists(shared + name)) return beside;
  return shared + name;
}
