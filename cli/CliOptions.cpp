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

bool ParseFormat(const std::string& text, HitFormat* format, std::string* error) {
  static constexpr struct {
    const char* name;
    HitFormat format;
  } kFormats[] = {{"text", HitFormat::kText}, {"tsv", HitFormat::kTsv}, {"json", HitFormat::kJson}};
  for (const auto& entry : kFormats) {
    if (text == entry.name) {
      *format = entry.format;
      return true;
    }
  }
  *error = "--format takes text, tsv or json, not \"" + platform::Cp932ToOsName(text) + "\"";
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

// --where only reports; anything that would search, register or list is left open.
bool WhereAlone(const CliOptions& options, std::string* error) {
  if (!options.folders.empty() || options.patterns || options.subfolders || options.mode || options.rule ||
      options.moveTo || options.logFile || options.autoLog || options.registerFolder || options.list ||
      options.jobs || options.quiet || options.verbose || options.undo || options.checkSignatures ||
      options.exportFile || options.importFile || options.format || options.dryRun) {
    *error = "--where goes only with --home";
    return false;
  }
  return true;
}

// --export and --import are runs of their own: beside another action it would be open
// which comes first, and a search option would be ignored.
bool SignatureTransferAlone(const CliOptions& o, std::string* error) {
  const char* option = o.exportFile ? "--export" : "--import";
  if ((o.exportFile && o.importFile) || o.registerFolder || o.list || !o.folders.empty() || o.patterns ||
      o.subfolders || o.mode || o.rule || o.moveTo || o.logFile || o.autoLog || o.jobs || o.where || o.undo ||
      o.checkSignatures) {
    *error = std::string(option) + " goes with no other action, FOLDER or search option (only --home, -q, -v)";
    return false;
  }
  if ((o.exportFile ? *o.exportFile : *o.importFile).empty()) {
    *error = std::string(option) + " needs a file name";
    return false;
  }
  return true;
}

// --undo takes a journal back and nothing else: no search, registration or listing.
bool UndoGoesAlone(const CliOptions& options, std::string* error) {
  if (options.undo->empty()) {
    *error = "--undo needs a journal file";
    return false;
  }
  if (!options.folders.empty() || options.home || options.patterns || options.subfolders || options.mode ||
      options.rule || options.moveTo || options.logFile || options.autoLog || options.registerFolder ||
      options.list || options.jobs || options.where || options.checkSignatures || options.exportFile ||
      options.importFile) {
    *error = "--undo goes alone (only -q and -v may go with it)";
    return false;
  }
  return true;
}

// The check searches every file and subfolder of its FOLDERs and processes and logs
// nothing, so no option that shapes a search, or another task, goes with it.
bool CheckSignaturesAlone(const CliOptions& options, std::string* error) {
  if (options.folders.empty()) {
    *error = "--check-signatures needs at least one FOLDER of known-good files";
  } else if (options.registerFolder || options.list) {
    *error = "--check-signatures cannot go with --register or --list";
  } else if (options.patterns || options.subfolders || options.mode || options.rule || options.moveTo ||
             options.logFile || options.autoLog || options.format || options.dryRun) {
    *error = "--check-signatures searches every file and subfolder and processes and logs nothing; "
             "search options cannot go with it";
  } else {
    return true;
  }
  return false;
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
    // Each of these options holds one value: a second, different one would silently win
    // over the first (two -p searched only the last patterns), so it is refused. The same
    // value again changes nothing and is taken.
    auto setOnce = [&](auto& field, const auto& given) {
      if (field && *field != given) {
        *error = name == "-p" || name == "--pattern"
                     ? "-p (--pattern) is given twice with different patterns; join them with \";\" in one, "
                       "e.g. -p \"*.exe;*.bin\""
                     : "option " + std::string(name) + " is given twice with different values";
        return false;
      }
      field = given;
      return true;
    };
    auto takeValue = [&](std::optional<std::string>& field) {
      return args.Value(name, inlineValue, hasInline, &value, error) && setOnce(field, value);
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
    else if (name == "--undo") ok = takeValue(out->undo);
    else if (name == "--export") ok = takeValue(out->exportFile);
    else if (name == "--import") ok = takeValue(out->importFile);
    else if (name == "--subfolders" || name == "--no-subfolders") {
      bool given = false;
      const bool on = name == "--subfolders";
      ok = noValue(given);
      if (ok && out->subfolders && *out->subfolders != on) {
        *error = "--subfolders and --no-subfolders cannot go together";
        ok = false;
      }
      if (ok) out->subfolders = on;
    } else if (name == "--mode") {
      std::optional<std::string> text;
      ok = takeValue(text);
      int mode = 0;
      if (ok && !ParseMode(*text, &mode)) {
        *error = "--mode takes leave, delete, rename or move, not \"" + platform::Cp932ToOsName(*text) + "\"";
        ok = false;
      }
      ok = ok && setOnce(out->mode, mode);
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
      ok = ok && setOnce(out->jobs, jobs);
    } else if (name == "--format") {
      HitFormat format = HitFormat::kText;
      ok = args.Value(name, inlineValue, hasInline, &value, error) && ParseFormat(value, &format, error) &&
           setOnce(out->format, format);
    } else if (name == "--auto-log") ok = noValue(out->autoLog);
    else if (name == "--list") ok = noValue(out->list);
    else if (name == "--where") ok = noValue(out->where);
    else if (name == "--check-signatures") ok = noValue(out->checkSignatures);
    else if (name == "--dry-run") ok = noValue(out->dryRun);
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
  if (out->where && !WhereAlone(*out, error)) return false;
  if (out->undo && !UndoGoesAlone(*out, error)) return false;
  if (out->checkSignatures && !CheckSignaturesAlone(*out, error)) return false;
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
    if (out->format || out->dryRun) {
      *error = "--format and --dry-run are about a search; they cannot go with --register, --list, --export, "
               "--import or --undo";
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
  // A log records what was done; a dry run does nothing, and its log would say otherwise.
  if (out->dryRun && (out->logFile || out->autoLog)) {
    *error = "--dry-run writes no log: leave out --log and --auto-log";
    return false;
  }
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
  --check-signatures FOLDER...
                         check the signatures against folders of files known to be
                         good (e.g. /usr): every file and subfolder is searched with
                         every signature, nothing is processed or logged, and each
                         signature that matches there is listed on stdout, most files
                         first: "COUNT<TAB>CATEGORY<TAB>NAME", then up to 3 of the
                         files, each on a line that starts with a TAB. The result is
                         also written beside the data file (Vorlet.dat.check, replaced
                         atomically) for the database editor to mark those signatures,
                         only when the data file's folder is writable and the check
                         ran to its end. Goes only with --home, --jobs, -q and -v.
                         Exit status 0 none matches, 1 some match, 2 trouble (a FOLDER
                         that cannot be listed at all: nothing is checked; a stopped
                         check; an unreadable data file; a check file that could not
                         be written), 3 matches and trouble; files and subfolders that
                         cannot be read are counted on stderr but are no trouble
  --undo JOURNAL         take back the run that wrote JOURNAL: every renamed or moved
                         file goes back to where it was, newest first, never replacing
                         anything; one that changed since, or whose old place is taken,
                         stays where it is; deletions cannot be undone. Goes alone
  --export FILE          write every signature to FILE ("-": stdout) as UTF-8 TSV with a
                         header line: category, name, risk_level, created (OLE days),
                         created_status, author, search_bytes (hex), summary; a character
                         CP932 cannot carry over to UTF-8 is written as \xHH per byte,
                         TAB, CR, LF, other controls and backslash as \t \r \n \xHH \\
  --import FILE          merge such a file into Vorlet.dat (made when missing) under its
                         lock: a new category and name is added, the same record is
                         already present, other contents under a held name conflict and
                         stay as they were; counts and conflicts go to stderr. A line not
                         of the format, or with a character CP932 holds only as another
                         one (U+00A5, U+301C...), is an error naming it, and nothing is
                         imported.
                         --export and --import go with no other action, FOLDER or search
                         option (only --home, -q, -v)
  --home DIR             folder of Vorlet.ini and Vorlet.dat (default: see Files
                         below); the settings are read, never written (missing, the
                         defaults hold; there but unreadable, every run but --list,
                         --export and --undo stops with exit 2); a search and --list
                         need Vorlet.dat there, --register makes it when missing
  --where                prints where the settings file, the data file and the log
                         folder are, one per line after a label ("settings file: ",
                         "data file: ", "log folder: "); goes only with --home
  --jobs N               threads that may open and read files ahead of the search (1
                         to 256; default 16: enough reads in flight for a cold disk); 1
                         reads each file only when its turn comes. The threads start
                         only when the disk makes the search wait; on a warm cache up
                         to one per processor (N and 4 at most) fingerprint the files
                         of a folder together. Hits, counters and the log are the
                         same whatever N
  --format text|tsv|json how hits are written on stdout (default text); see below.
                         Not with --register or --list
  --dry-run              rehearse: search and report as a real run would, but delete,
                         rename and move nothing; see below. Not with --register or
                         --list, nor with --log or --auto-log: a dry run writes no log
  -q, --quiet            no progress line on stderr
  -v, --verbose          name every file and folder that could not be read, with the reason
  -h, --help             this text

An option that takes a value (and --subfolders or --no-subfolders) holds one: given again
with a different value it is an error, so join patterns with ";" in one -p.

Hits go to stdout, one line each: file name, folder, signature name, category, position
(hex), processing, TAB-separated as in the log. At the end stderr gets the six counters,
the completion and the number of files that could not be opened or read and of folders
that could not be listed.

--format tsv: a header line (path, signature, category, risk, position, result, target),
then one line per hit: the full path, the signature's name, category and risk level, the
position (hex), the processing, and the path a rename or move gave the file (the one tried
when it failed; empty in other modes). Each field is escaped as the text lines are (below),
so no field holds a TAB, CR or LF, and unescaping gives its bytes back.

--format json: JSON Lines, always UTF-8, and nothing else on stdout. One object per hit:
{"type":"hit", "path", "signature", "category", "risk", "position" (a number), "result",
"target" (as in tsv, null when none)}. A path whose bytes are not UTF-8 shows each bad
byte as U+FFFD and is followed by "path_bytes" ("target_bytes", ...): all its bytes as
numbers 0-255, the name exactly. Last comes {"type":"summary", "searched", "invalid",
"unprocessed", "moved", "renamed", "deleted" (the six counters), "completed",
"files_not_read", "folders_not_listed", "start", "end" (local "YYYY-MM-DD HH:MM:SS", null
when the search did not start), "log" (the --log file), "auto_log" (the automatic log;
each null when none was written), "dry_run"}. stderr gets its summary as with text.

--dry-run: every file is searched and every hit reported, with what a real run would do:
削除予定, ﾘﾈｰﾑ予定, 移動予定, or 失敗予定 where it would fail (未処理 when left), and in text
a seventh field with the path a rename or move would give. No file is deleted, renamed
or moved. The target is worked out as the real run does, and a name taken there already
(or by an earlier hit of the run) or a missing move folder makes it 失敗予定; what only
the attempt can tell (permissions, a file changed in between) is not foreseen. The
counters and the exit status are those of a real run.

Text encoding of stdout and stderr: UTF-8 (file names and folders as the file system's own
bytes), unless the locale (LC_ALL, else LC_CTYPE, else LANG) names a Shift_JIS code set
such as ja_JP.SJIS: then CP932, and hit lines are exactly the log's lines (CR LF).

No control character of a name or text reaches the terminal or a log line as it is: on
stdout and stderr TAB, CR, LF and backslash are written as \t \r \n \\, the other C0
controls and DEL as \xHH (in UTF-8 also the C1 controls, byte by byte as \xC2\xHH, and
a byte 0x80-0x9F that is part of no UTF-8 character as \xHH; --format json writes DEL
and the C1 controls as \u007f and \u0080-\u009F). The log escapes the control characters
of file and folder names the same way, so one hit is one line; there, and in the hit
lines of a CP932 console, which are the log's, a backslash is left as it is: a name of
the file system holds its own backslash as a double-byte code. On stdout and stderr a
Shift_JIS lead byte without its second byte (a signature's text may hold one) is written
as \xHH too, so that it never pairs with the backslash of an escape after it.

A run that deletes, renames or moves and is asked for a log first checks that the log can
be written (making the log folder of --auto-log); if not it stops before it touches a file.

Files: with --home, everything is in DIR (logs in DIR/Log). Otherwise, when the
program's folder holds a Vorlet.ini, or is writable and not an installation (no
../share/vorlet/Vorlet.ini beside it), everything is there (portable). Otherwise the
settings are $XDG_CONFIG_HOME/vorlet/Vorlet.ini, the data file $XDG_DATA_HOME/vorlet/
Vorlet.dat and the logs in $XDG_DATA_HOME/vorlet/logs (defaults ~/.config and
~/.local/share); the first start copies the installation's Vorlet.ini there. A LogFolder
in the settings names the log folder in every case.

A run that deletes, renames or moves keeps a journal of what it did to each file (the old
and new path and the file's state after), for --undo: a new file, written as the files are
processed, named after the start time (journal-YYYYMMDDhhmmss[-N].journal) in the folder of
--log FILE, else of the automatic log (--auto-log), else of Vorlet.dat. Its path is told on
stderr; a journal that cannot be written is trouble, and the files are processed all the
same.

--undo prints one line per journal entry, newest first: what became of it (restored,
already-restored, deleted, changed, gone, taken, no-folder, untrusted-link, failed), the
old path, the new path and a note, TAB-separated; then the counts on stderr. It records what
it restored in the journal, so a second --undo of it restores nothing again. It takes only a
journal of your own or root's that only its owner may write (never a link), and follows no
link of another user on the way to a folder (untrusted-link). Exit status 0 when everything
that can be undone is back, 2 otherwise (a file not restored, a journal not read whole or
not updated, or refused).

Exit status: 0 the search ran to its end and found nothing; 1 hits, and everything else
went well; 2 trouble without hits; 3 hits and trouble. Trouble is a search stopped (Ctrl+C,
SIGTERM or SIGHUP: the file in hand is finished and the log records the search as not
completed) or failed, a hit that could not be deleted, renamed or moved (失敗; stderr says
how many), a file or folder that could not be read, a log that could not be written, a
write error on stdout or stderr, or bad arguments or no signature in effect (an empty data
file, or the search of every category turned off in the settings): then nothing is searched.
A stop is not held up by a stdout or stderr that nobody reads: the waiting write gives up
(a write error) and the search ends as stopped. A second signal of the same kind ends the
program at once, without a log: only for a search stuck in a read that does not return.
--register and --list exit 0 on success and 2 on any failure; --where exits 0, or 2 when
the settings cannot be read (the log folder it shows is then the default one).
--export and --import exit 0 on success (conflicts included) and 2 on any failure.

--register and --import name each new signature that would hit innocent files: its sample
was shorter than the block, its block is one repeated byte, or another sample (another
record of the imported file) gave the same digest. An imported record holds only its
digest: a short sample is recognised only when it is one repeated byte. --import also
names each new record with fewer than 16 search bytes: it can never match a file.
)";
}
