// The command line of vorlet-scan, parsed into what the session needs. Every text that
// names a file or folder, and every pattern or rule, arrives as the OS's bytes and is kept
// here as CP932 (mapped losslessly), as the rest of the program keeps texts.
#pragma once

#include <optional>
#include <string>
#include <vector>

// How hits are written on stdout (--format).
enum class HitFormat { kText, kTsv, kJson };

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
  bool where = false;                   // --where
  std::optional<std::string> undo;      // --undo JOURNAL
  bool checkSignatures = false;         // --check-signatures (FOLDERs are the reference folders)
  std::optional<std::string> exportFile;  // --export FILE ("-": stdout)
  std::optional<std::string> importFile;  // --import FILE
  std::optional<int> jobs;              // --jobs N (1..256)
  bool quiet = false;                   // -q
  bool verbose = false;                 // -v
  std::optional<HitFormat> format;      // --format (default text)
  bool dryRun = false;                  // --dry-run
  bool help = false;                    // -h, --help
  std::vector<std::string> folders;     // FOLDER...

  // Parses argv[1..]. False with *error set (a sentence naming the argument) when the
  // command line is not one vorlet-scan takes. "--" ends the options.
  static bool Parse(int argc, const char* const* argv, CliOptions* out, std::string* error);

  // Whether a search runs (not --register, --list, --undo, --export or --import).
  bool Searches() const { return !registerFolder && !list && !undo && !exportFile && !importFile; }
};

// The --help text (UTF-8).
const char* CliUsage();
