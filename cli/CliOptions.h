// The command line of vorlet-scan, parsed into what the session needs. Every text that
// names a file or folder, and every pattern or rule, arrives as the OS's bytes and is kept
// here as CP932 (mapped losslessly), as the rest of the program keeps texts.
#pragma once

#include <optional>
#include <string>
#include <vector>

struct CliOptions {
  std::optional<std::string> home;      // --home DIR
  std::optional<std::string> patterns;  // -p, --pattern (empty allowed: means "*.*")
  std::optional<bool> subfolders;       // --subfolders / --no-subfolders
  std::optional<int> mode;              // --mode (a ProcessMode)
  std::optional<std::string> rule;      // --rule
  std::optional<std::string> moveTo;    // --move-to
  std::optional<std::string> logFile;   // --log
  bool autoLog = false;                 // --auto-log
  std::optional<std::string> registerFolder;  // --register
  bool list = false;                    // --list
  std::optional<std::string> exportFile;  // --export FILE ("-": stdout)
  std::optional<std::string> importFile;  // --import FILE
  std::optional<int> jobs;              // --jobs N (1..256)
  bool quiet = false;                   // -q
  bool verbose = false;                 // -v
  bool help = false;                    // -h, --help
  std::vector<std::string> folders;     // FOLDER...

  // Parses argv[1..]. False with *error set (a sentence naming the argument) when the
  // command line is not one vorlet-scan takes. "--" ends the options.
  static bool Parse(int argc, const char* const* argv, CliOptions* out, std::string* error);

  // Whether a search runs (not only --register and/or --list, --export or --import).
  bool Searches() const { return !registerFolder && !list && !exportFile && !importFile; }
};

// The --help text (UTF-8).
const char* CliUsage();
