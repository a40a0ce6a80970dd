// Before a run that deletes, renames or moves files: whether the log it was asked for can
// be put in place. A log that fails only once the files are gone leaves no record of what
// was done to them, so such a run is refused before it touches anything instead.
//
// Both checks create a file of a name of their own where the log goes and remove it again,
// as the log writer's own replace-by-rename will need to; nothing is left behind.
#pragma once

#include <string>

struct AppLocations;
class LogManager;

namespace log_preflight {

// --log FILE and --export FILE, before anything is searched or read: what is at FILE may
// be replaced by a file of ours (MayBeReplaced), and it is none of the program's own files
// in use, the settings file, the data file or the data file's lock file, however it is
// spelled or linked (by identity; by folder and name for one not made yet). False with
// *reason (FILE and why) when not.
bool CheckReplaceable(const std::string& path, const AppLocations& locations, std::string* reason);

// --log FILE: a file can be made in FILE's folder, and FILE is not a folder. False with
// *reason (a sentence, CP932) when not.
bool CheckLogFile(const std::string& path, std::string* reason);
// The automatic log: its folder is made with its parents when missing, as the search's
// own check would make it, and a file can be made in it.
bool CheckAutoLogFolder(const LogManager& logs, std::string* reason);

}  // namespace log_preflight
