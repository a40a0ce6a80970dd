#include "CliOptions.h"

#include <string_view>

#include "platform/Encoding.h"
#include "result/ProcessResult.h"

namespace {

bool ParseMode(std::string_view text, int* mode) {
  static constexpr struct {
    const char* name;
    int mode;
  } kModes[] = {{"leave", kModeLeave}, {"delete", kModeDelete}, {"rename", kModeRename}, {"move", kModeMove}};
  for (const auto& entry : kModes) {
    if (text == entry.name) {
      *mode = entry.mode;
      return true;
    }
  }
  return false;
}

// "--name=value" or "--name value" (and "-p value", "-pvalue" for the short form).
class ArgumentReader {
 public:
  ArgumentReader(int argc, const char* const* argv) : argc_(argc), argv_(argv) {}
  bool Done() const { return next_ >= argc_; }
  std::string_view Take() { return argv_[next_++]; }
  bool Value(std::string_view option, std::string_view inlineValue, bool hasInline, std::string* value,
             std::string* error) {
    if (hasInline) {
      *value = platform::OsNameToCp932(inlineValue);
      return true;
    }
    if (Done()) {
      *error = "option " + std::string(option) + " needs a value";
      return false;
    }
    *value = platform::OsNameToCp932(Take());
    return true;
  }

 private:
  int argc_;
  const char* const* argv_;
  int next_ = 1;
};

// --move-to asks for moving and --rule for renaming; any other mode beside them, or both
// together, leaves it open what the user wants done to the files, so nothing is done.
bool ResolveProcessing(CliOptions* out, std::string* error) {
  if (out->moveTo && out->moveTo->empty()) {
    *error = "--move-to needs a folder";
    return false;
  }
  if (out->rule && out->rule->empty()) {
    *error = "--rule needs a rename rule";
    return false;
  }
  if (out->moveTo && out->rule) {
    *error = "--move-to (moving) and --rule (renaming) cannot go together";
    return false;
  }
  if (!out->mode) {
    if (out->moveTo) out->mode = kModeMove;
    if (out->rule) out->mode = kModeRename;
    return true;
  }
  if (out->moveTo && *out->mode != kModeMove) {
    *error = "--move-to goes only with --mode move";
    return false;
  }
  if (out->rule && *out->mode != kModeRename) {
    *error = "--rule goes only with --mode rename";
    return false;
  }
  return true;
}

// --export and --import are runs of their own: beside another action it would be open
// which comes first, and a search option would be ignored.
bool SignatureTransferAlone(const CliOptions& o, std::string* error) {
  const char* option = o.exportFile ? "--export" : "--import";
  if ((o.exportFile && o.importFile) || o.registerFolder || o.list || !o.folders.empty() || o.patterns ||
      o.subfolders || o.mode || o.rule || o.moveTo || o.logFile || o.autoLog || o.jobs) {
    *error = std::string(option) + " goes with no other action, FOLDER or search option (only --home, -q, -v)";
    return false;
  }
  if ((o.exportFile ? *o.exportFile : *o.importFile).empty()) {
    *error = std::string(option) + " needs a file name";
    return false;
  }
  return true;
}

}  // namespace

bool CliOptions::Parse(int argc, const char* const* argv, CliOptions* out, std::string* error) {
  *out = CliOptions();
  ArgumentReader args(argc, argv);
  bool optionsEnded = false;
  while (!args.Done()) {
    const std::string_view arg = args.Take();
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      out->folders.push_back(platform::OsNameToCp932(arg));
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    std::string_view name = arg;
    std::string_view inlineValue;
    bool hasInline = false;
    if (arg.starts_with("--")) {
      const size_t equals = arg.find('=');
      if (equals != std::string_view::npos) {
        name = arg.substr(0, equals);
        inlineValue = arg.substr(equals + 1);
        hasInline = true;
      }
    } else if (arg.size() > 2 && arg[1] == 'p') {
      name = "-p";
      inlineValue = arg.substr(2);
      hasInline = true;
    }

    std::string value;
    auto takeValue = [&](std::optional<std::string>& field) {
      if (!args.Value(name, inlineValue, hasInline, &value, error)) return false;
      field = value;
      return true;
    };
    auto noValue = [&](bool& flag) {
      if (hasInline) {
        *error = "option " + std::string(name) + " takes no value";
        return false;
      }
      flag = true;
      return true;
    };
    bool ok;
    if (name == "-p" || name == "--pattern") ok = takeValue(out->patterns);
    else if (name == "--home") ok = takeValue(out->home);
    else if (name == "--rule") ok = takeValue(out->rule);
    else if (name == "--move-to") ok = takeValue(out->moveTo);
    else if (name == "--log") ok = takeValue(out->logFile);
    else if (name == "--register") ok = takeValue(out->registerFolder);
    else if (name == "--export") ok = takeValue(out->exportFile);
    else if (name == "--import") ok = takeValue(out->importFile);
    else if (name == "--subfolders" || name == "--no-subfolders") {
      bool given = false;
      ok = noValue(given);
      out->subfolders = name == "--subfolders";
    } else if (name == "--mode") {
      std::optional<std::string> text;
      ok = takeValue(text);
      int mode = 0;
      if (ok && !ParseMode(*text, &mode)) {
        *error = "--mode takes leave, delete, rename or move, not \"" + platform::Cp932ToOsName(*text) + "\"";
        ok = false;
      }
      if (ok) out->mode = mode;
    } else if (name == "--jobs") {
      std::optional<std::string> text;
      ok = takeValue(text);
      int jobs = 0;
      for (const char c : ok ? *text : std::string()) {
        if (c < '0' || c > '9' || jobs > 256) {
          jobs = 0;
          break;
        }
        jobs = jobs * 10 + (c - '0');
      }
      if (ok && (jobs < 1 || jobs > 256)) {
        *error = "--jobs takes a number from 1 to 256, not \"" + platform::Cp932ToOsName(*text) + "\"";
        ok = false;
      }
      if (ok) out->jobs = jobs;
    } else if (name == "--auto-log") ok = noValue(out->autoLog);
    else if (name == "--list") ok = noValue(out->list);
    else if (name == "-q" || name == "--quiet") ok = noValue(out->quiet);
    else if (name == "-v" || name == "--verbose") ok = noValue(out->verbose);
    else if (name == "-h" || name == "--help") ok = noValue(out->help);
    else {
      *error = "unknown option " + std::string(arg);
      ok = false;
    }
    if (!ok) return false;
  }

  if (out->help) return true;
  if ((out->exportFile || out->importFile) && !SignatureTransferAlone(*out, error)) return false;
  if (!out->Searches()) {
    if (!out->folders.empty()) {
      *error = "FOLDER arguments are searched; they cannot go with --register or --list";
      return false;
    }
    if (out->patterns || out->subfolders || out->mode || out->rule || out->moveTo || out->logFile || out->autoLog) {
      *error = "search options cannot go with --register or --list";
      return false;
    }
  }
  for (const std::string& folder : out->folders) {
    // An unset variable in a script ("$DIR") must not turn into a search of somewhere else.
    if (folder.empty()) {
      *error = "a FOLDER argument is empty";
      return false;
    }
  }
  if (!ResolveProcessing(out, error)) return false;
  if (out->home && out->home->empty()) {
    *error = "--home needs a folder";
    return false;
  }
  if (out->registerFolder && out->registerFolder->empty()) {
    *error = "--register needs a folder";
    return false;
  }
  if (out->logFile && out->logFile->empty()) {
    *error = "--log needs a file name";
    return false;
  }
  return true;
}

const char* CliUsage() {
  return R"(Usage: vorlet-scan [options] [FOLDER...]
Searches FOLDERs (default: the target list of the settings; an empty FOLDER is an error)
for invalid files with the signatures of Vorlet.dat, processing and logging every hit as
the desktop program does.

  -p, --pattern TEXT     file-type patterns, ";"-separated (default: the current file
                         type of the settings; empty means "*.*"; made lower case); a
                         text of nothing but ";" and blanks is an error
  --subfolders | --no-subfolders
                         search subfolders too, or not (default: the settings' fSubDir)
  --mode leave|delete|rename|move
                         automatic processing of every hit (default: FileOpe, or move
                         with --move-to, rename with --rule)
  --rule RULE            rename rule, e.g. "*.*.INV" (default: RuleOfRename); alone it
                         means --mode rename, with another mode it is an error
  --move-to FOLDER       move folder (default: MoveFolder); alone it means --mode move,
                         with another mode it is an error
  --log FILE             write the search log to FILE (the log file format)
  --auto-log             write the automatic log into the log folder (LogFolder), named
                         after the start time; if the folder cannot be made, a search
                         that leaves hits alone runs without it (the question is answered
                         Yes on stderr), one that processes them does not start
  --register FOLDER      search registration: every file below FOLDER becomes a
                         signature filed under its folder's name; then Vorlet.dat is saved
  --list                 print every signature, one TSV line each: category, name, risk
                         level, date (YYYY-MM-DD HH:MM:SS), author, search text, summary;
                         TAB, CR, LF and backslash are written as \t \r \n \\
  --export FILE          write every signature to FILE ("-": stdout) as UTF-8 TSV with a
                         header line: category, name, risk_level, created (OLE days),
                         created_status, author, search_bytes (hex), summary; a character
                         CP932 cannot carry over to UTF-8 is written as \xHH per byte,
                         TAB, CR, LF, other controls and backslash as \t \r \n \xHH \\
  --import FILE          merge such a file into Vorlet.dat (made when missing) under its
                         lock: a new category and name is added, the same record is
                         already present, other contents under a held name conflict and
                         stay as they were; counts and conflicts go to stderr. A line not
                         of the format is an error naming it, and nothing is imported.
                         --export and --import go with no other action, FOLDER or search
                         option (only --home, -q, -v)
  --home DIR             folder of Vorlet.ini and Vorlet.dat (default: the program's
                         folder); the settings are read, never written; a search and
                         --list need Vorlet.dat there, --register makes it when missing
  --jobs N               threads that open and read files ahead of the search (1 to
                         256; default 16: enough reads in flight for a cold disk); 1
                         reads each file only when its turn comes. Hits, counters and
                         the log are the same whatever N
  -q, --quiet            no progress line on stderr
  -v, --verbose          name every file and folder that could not be read, with the reason
  -h, --help             this text

Hits go to stdout, one line each: file name, folder, signature name, category, position
(hex), processing, TAB-separated as in the log. At the end stderr gets the six counters,
the completion and the number of files that could not be opened or read and of folders
that could not be listed.

Text encoding of stdout and stderr: UTF-8 (file names and folders as the file system's own
bytes), unless the locale (LC_ALL, else LC_CTYPE, else LANG) names a Shift_JIS code set
such as ja_JP.SJIS: then CP932, and hit lines are exactly the log's lines (CR LF).

No control character of a name or text reaches the terminal or a log line as it is: on
stdout and stderr TAB, CR, LF and backslash are written as \t \r \n \\, the other C0
controls and DEL as \xHH (in UTF-8 also the C1 controls, byte by byte as \xC2\xHH). The
log escapes the control characters of file and folder names the same way, so one hit is
one line; there, and in the hit lines of a CP932 console, which are the log's, a backslash
is left as it is: a name of the file system holds its own backslash as a double-byte code.

A run that deletes, renames or moves and is asked for a log first checks that the log can
be written (making the log folder of --auto-log); if not it stops before it touches a file.

Exit status: 0 the search ran to its end and found nothing; 1 hits, and everything else
went well; 2 trouble without hits; 3 hits and trouble. Trouble is a search stopped (Ctrl+C,
SIGTERM or SIGHUP: the file in hand is finished and the log records the search as not
completed) or failed, a file or folder that could not be read, a log that could not be
written, a write error on stdout or stderr, or bad arguments (then nothing is searched).
--register and --list exit 0 on success and 2 on any failure.
--export and --import exit 0 on success (conflicts included) and 2 on any failure.

--register and --import name each new signature that would hit innocent files: its sample
was shorter than the block, its block is one repeated byte, or another sample (another
record of the imported file) gave the same digest. An imported record holds only its
digest: a short sample is recognised only when it is one repeated byte.
)";
}
