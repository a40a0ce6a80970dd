// Where the program keeps its files: the settings file (Vorlet.ini), the data file
// (Vorlet.dat) and the default log folder (used while the settings name none). One rule
// for the desktop program and the command line, so that both always work on the same
// files:
//
// - a folder given explicitly (vorlet-scan --home) holds everything;
// - portable: the program's own folder holds everything (its log folder "Log") when it
//   holds a Vorlet.ini, or when it is writable and is not an installed layout;
// - installed: otherwise, which is when the program's folder is read-only to the user or
//   the installation's shared files lie beside it (../share/vorlet/Vorlet.ini): the
//   settings in $XDG_CONFIG_HOME/vorlet/, the data file in $XDG_DATA_HOME/vorlet/, the
//   logs in $XDG_DATA_HOME/vorlet/logs. An XDG variable that is unset, empty or not an
//   absolute path counts as unset: ~/.config and ~/.local/share then. The settings start
//   as a copy of the installation's Vorlet.ini (its category and risk lists).
//
// An installed layout counts as installed even when its folder is writable (root, or an
// installation into the user's own prefix), so that nothing is written among the
// installed programs. Texts are CP932 paths.
#pragma once

#include <string>

struct AppLocations {
  enum class Kind { Home, Portable, Installed };
  Kind kind = Kind::Portable;
  std::string settingsFolder;   // ends with its separator; empty: the current folder
  std::string dataFolder;       // ends with its separator; empty: the current folder
  std::string logFolder;        // the log folder while the settings name none; no separator at the end
  std::string shippedSettings;  // the installation's Vorlet.ini; empty unless installed

  std::string SettingsFilePath() const;
  std::string DataFilePath() const;
};

// The environment the rule reads.
struct LocationEnvironment {
  std::string xdgConfigHome;
  std::string xdgDataHome;
  std::string home;  // $HOME, or the account's home folder when that is not absolute

  static LocationEnvironment FromProcess();
};

// programFolder: the executable's folder (GetModuleFolder); homeOption: the folder given
// explicitly, or empty. Looks at the program's folder (a Vorlet.ini, the shipped files,
// writable) but changes nothing. Installed with empty folders when neither the XDG
// variables nor the home folder give one.
AppLocations ResolveAppLocations(const std::string& programFolder, const std::string& homeOption,
                                 const LocationEnvironment& env);

// Before the first use of installed locations: makes the missing settings and data
// folders (0700, as the user's own folders are made) and, when there is no settings file
// yet, copies the installation's Vorlet.ini into place; an existing settings file is never
// replaced. Nothing to do for the other kinds. False with *problem naming the path that
// could not be made.
bool PrepareAppLocations(const AppLocations& locations, std::string* problem);

// A file the installation ships beside the executable (a portable folder) or in
// ../share/vorlet/ (installed), such as the help file; the path beside the executable
// when it is in neither place.
std::string FindShippedFile(const std::string& programFolder, const std::string& name);
