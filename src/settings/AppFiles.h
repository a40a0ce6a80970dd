// The application-wide ProfileFile objects that live for the whole run: the settings file
// "Vorlet.ini" in the program's folder, bound once at start-up, and the search log file,
// bound by the log writer before each log (raw text). The program's folder comes from the
// caller (the executable's folder, or the folder a command line names instead).
#pragma once

#include <string>

#include "settings/ProfileFile.h"

// The settings file; unbound (every read gives its default, every write fails) until
// BindSettingsFile succeeds.
ProfileFile& SettingsFile();

// The search log file.
ProfileFile& ScanLogFile();

// Binds SettingsFile to programFolder + the program's name (string 128, "Vorlet") + ".ini";
// a separator is added when the folder does not end with one. False for an empty folder or
// when the binding fails.
bool BindSettingsFile(const std::string& programFolder);
