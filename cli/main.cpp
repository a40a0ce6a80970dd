// vorlet-scan: searches folders for invalid files from a script or a schedule, with the
// desktop program's settings, data file, engine, processing and log. See CliUsage.
#include <cerrno>
#include <cstring>
#include <exception>
#include <string>

#include "CheckCommand.h"
#include "CliConsole.h"
#include "CliOptions.h"
#include "CliSession.h"
#include "WhereReport.h"
#include "UndoCommand.h"
#include "platform/Terminal.h"
#include "settings/AppFiles.h"
#include "settings/AppLocations.h"
#include "settings/PrivateProfile.h"
#include "util/FileChecks.h"
#include "util/MessageBox.h"
#include "util/PathParts.h"
#include "util/StringTable.h"

namespace {

// The command line's status once the streams are closed: a lost line of output is trouble
// too, so that a caller never takes a cut list of hits for a whole one.
int WithOutput(CliConsole& console, int status) {
  if (console.Finish()) return status;
  const bool hits = status == CliSession::kExitHits || status == CliSession::kExitHitsAndTrouble;
  return hits ? CliSession::kExitHitsAndTrouble : CliSession::kExitTrouble;
}

// Whether the settings file is readable (or missing: the defaults hold); otherwise says so,
// and then what follows from it.
bool SettingsReadable(CliConsole& console, const std::string& consequence) {
  int error = 0;
  if (CanReadProfile(SettingsFile().FullPath(), &error)) return true;
  // Only a regular file is opened (EINVAL: a FIFO, a device, a socket).
  console.ErrLine("vorlet-scan: the settings cannot be read: " + SettingsFile().FullPath() + ": " +
                  (error == EINVAL ? "not a regular file" : std::strerror(error)) + "; " + consequence);
  return false;
}

int Run(CliConsole& console, int argc, char** argv) {
  CliOptions options;
  std::string error;
  if (!CliOptions::Parse(argc, argv, &options, &error)) {
    // The arguments are the caller's bytes, and shown as such.
    console.ErrRaw("vorlet-scan: " + CliConsole::EscapeOsBytes(error) + "\nTry 'vorlet-scan --help'.\n");
    return CliSession::kExitTrouble;
  }
  if (options.help) {
    console.Out(CliUsage());
    return CliSession::kExitClean;
  }
  if (options.undo) return UndoCommand(console).Run(*options.undo);

  const AppLocations locations = ResolveAppLocations(GetModuleFolder(), options.home.value_or(std::string()),
                                                     LocationEnvironment::FromProcess());
  if (options.where) {
    BindSettingsFile(locations.settingsFolder);
    console.Out(WhereReport(locations, console));
    // The log folder shown comes from the settings: from settings that cannot be read it is
    // the default one, which is said rather than passed off as theirs.
    return SettingsReadable(console, "the log folder shown is the default one") ? CliSession::kExitClean
                                                                                 : CliSession::kExitTrouble;
  }
  std::string problem;
  if (!PrepareAppLocations(locations, &problem)) {
    // Empty: neither HOME nor the XDG variables give a place.
    if (problem.empty()) problem = "a folder for the settings and the data file: no home folder (set HOME)";
    console.ErrLine("vorlet-scan: cannot make " + problem);
    return CliSession::kExitTrouble;
  }
  const std::string& home = locations.settingsFolder;
  if (home.empty() || !IsExistingFolder(home) || !BindSettingsFile(home)) {
    console.ErrLine("vorlet-scan: no usable program folder: " + home);
    return CliSession::kExitTrouble;
  }
  // Every command but a listing and an export runs by the settings (the block, the mode,
  // the log folder): taken for empty, settings that are there but cannot be read would
  // have it run by the defaults instead, unasked and unsaid.
  const bool usesSettings = options.checkSignatures || options.Searches() || options.registerFolder ||
                            options.importFile;
  if (usesSettings && !SettingsReadable(console, "nothing was done")) return CliSession::kExitTrouble;
  try {
    if (options.checkSignatures) return CheckCommand(options, locations.dataFolder, console).Run();
    CliSession session(options, locations, console);
    return session.Run();
  } catch (const std::exception&) {
    // Only memory can give out this far up.
    console.ErrLine(LoadString(kStrLowMemory));
    return CliSession::kExitTrouble;
  }
}

}  // namespace

int main(int argc, char** argv) {
  platform::IgnoreBrokenPipe();
  CliConsole console(CliConsole::Detect());
  const int status = Run(console, argc, argv);
  return WithOutput(console, status);
}
