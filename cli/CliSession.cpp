#include "CliSession.h"

#include <cerrno>
#include <cstring>

#include "CliTexts.h"
#include "ExportCommand.h"
#include "ImportCommand.h"
#include "LogPreflight.h"
#include "QualityReport.h"
#include "SignatureListing.h"
#include "engine/SearchDriver.h"
#include "engine/SearchRegistration.h"
#include "settings/AppFiles.h"
#include "settings/ScanTargetSettings.h"
#include "log/SearchLog.h"
#include "util/CDFile.h"
#include "util/CPatternList.h"
#include "util/FileChecks.h"
#include "util/FolderTree.h"

CliSession::CliSession(const CliOptions& options, const AppLocations& locations, CliConsole& console)
    : options_(options),
      locations_(locations),
      home_(locations.dataFolder),
      console_(console),
      engine_(SettingsFile()),
      host_(engine_, results_, console, options.quiet),
      presenter_(console),
      printer_(console) {
  // A hit is processed before it is recorded; the engine's handle on the file goes first.
  scanOptions_.SetCloseFileHook([this] { engine_.CloseTarget(); });
  results_.SetAutoProcess([this](const std::string& path) { return scanOptions_.AutoProcessFile(path); });
  scanOptions_.SetProcessedHook([this](const ProcessedFile& done) { journal_.Record(done); });
  results_.SetListener(&printer_);
  engine_.SetDetectionSink(&results_);
  engine_.SetProblemSink(&problems_);
  engine_.SetHost(&host_);
  engine_.SetJobs(options.jobs.value_or(CScanEngine::AutomaticJobs()));
  SetMessagePresenter(&presenter_);
  SetApplicationScanEngine(&engine_);
}

CliSession::~CliSession() {
  SetApplicationScanEngine(nullptr);
  SetMessagePresenter(nullptr);
}

int CliSession::Run() {
  if (options_.exportFile) return ExportCommand(store_, locations_, console_).Run(*options_.exportFile);
  if (options_.importFile) return ImportCommand(store_, engine_, home_, console_).Run(*options_.importFile);
  if (options_.Searches()) return Search();
  int status = kExitClean;
  if (options_.registerFolder) status = Register();
  if (options_.list && List() != kExitClean) status = kExitTrouble;
  return status;
}

std::string CliSession::DataFilePath() const {
  return home_ + InvalFileDB::kDataFileBase + "." + InvalFileDB::kDataFileExt;
}

bool CliSession::DataFileExists() const {
  if (storeLoaded_ || PathExists(DataFilePath())) return true;
  console_.ErrLine("vorlet-scan: no data file: " + DataFilePath());
  return false;
}

bool CliSession::LoadStore() {
  if (storeLoaded_) return storeComplete_;
  storeLoaded_ = true;
  storeComplete_ = store_.Load(home_);
  if (!storeComplete_) console_.ErrLine(cli_text::kDataFileIncomplete + DataFilePath());
  return storeComplete_;
}

TextList CliSession::Targets() const {
  TextList targets;
  if (!options_.folders.empty()) {
    for (const std::string& folder : options_.folders) targets.Add(folder, false);
    return targets;
  }
  // As the target form reads its list.
  return ScanTargetSettings::Load(SettingsFile()).targets;
}

std::string CliSession::PatternText() const {
  return SearchPatternText(options_.patterns ? *options_.patterns
                                            : ScanTargetSettings::Load(SettingsFile()).CurrentPattern());
}

int CliSession::Search() {
  const TextList targets = Targets();
  if (targets.empty()) {
    console_.ErrLine("vorlet-scan: no folder to search (give FOLDERs, or fill the target list of the settings)");
    return kExitTrouble;
  }
  const std::string patternText = PatternText();
  const CPatternList patterns(patternText, ';');
  if (!patterns.HasUsableToken()) {
    console_.ErrLine("vorlet-scan: no file-type pattern in \"" + patternText + "\" (give -p, e.g. \"*.exe;*.dll\")");
    return kExitTrouble;
  }
  // Loading would make an empty data file, and a search without signatures could only
  // ever report clean.
  if (!DataFileExists()) return kExitTrouble;
  const bool storeOk = LoadStore();

  scanOptions_.LoadSettings(SettingsFile());
  if (options_.mode) scanOptions_.SetMode(*options_.mode);
  if (options_.rule) scanOptions_.SetRule(*options_.rule);
  if (options_.moveTo) scanOptions_.SetMoveFolder(*options_.moveTo);
  scanOptions_.SetDryRun(options_.dryRun);
  scanOptions_.ApplyCategoryChecks(store_);
  if (!SignaturesInEffect()) return kExitTrouble;
  logManager_.LoadSettings(SettingsFile(), locations_);
  // The command line logs only when asked to.
  logManager_.SetAutoLog(options_.autoLog);
  std::string reason;
  if (options_.logFile && !log_preflight::CheckReplaceable(*options_.logFile, locations_, &reason)) {
    console_.ErrLine("vorlet-scan: --log: " + reason + "; nothing was searched, deleted, renamed or moved");
    return kExitTrouble;
  }
  if (scanOptions_.Mode() != kModeLeave && !LogsCanBeWritten()) return kExitTrouble;

  const bool subfolders = options_.subfolders.value_or(ScanTargetSettings::Load(SettingsFile()).subfolders);
  if (!engine_.Prepare(targets, patterns, subfolders, store_)) return kExitTrouble;
  engine_.SetFoldersNotSearched(scanOptions_.FoldersNotSearched());
  results_.ResetResult();
  engine_.running = true;

  bool logsOk = true;
  RunSummary summary;
  SearchDriver::Hooks hooks;
  hooks.checkLogFolder = [this] { return logManager_.CheckLogFolder(); };
  hooks.writeAutoLog = [this, &logsOk, &summary](const SearchRunInfo& run) {
    summary.run = run;
    logsOk = WriteLogs(run);
  };
  SearchDriver driver(engine_, std::move(hooks));
  StartJournal();
  printer_.Start(
      options_.format.value_or(HitFormat::kText),
      HitProcessing(scanOptions_.Mode(), scanOptions_.Rule(), scanOptions_.MoveFolder(), options_.dryRun));
  driver.RunArmedSearch();
  console_.EndProgress();

  ReportCounts();
  console_.ErrLine(host_.LastText());
  console_.ErrLine(std::string(cli_text::kCompleted) + (engine_.Completed() ? "YES" : "NO"));
  problems_.Report(console_, options_.verbose);
  const bool journalOk = ReportJournal();
  const size_t failed = ReportFailedProcessing();
  if (options_.dryRun) console_.ErrLine("vorlet-scan: dry run: nothing was deleted, renamed or moved");
  summary.counts = results_.Counts();
  summary.completed = engine_.Completed();
  summary.filesNotRead = problems_.UnreadFiles();
  summary.foldersNotListed = problems_.UnlistedFolders();
  summary.logFile = logFileWritten_;
  summary.autoLog = logManager_.WrittenAutoLog();
  summary.dryRun = options_.dryRun;
  printer_.Finish(summary);

  const bool trouble =
      !(storeOk && logsOk && journalOk && failed == 0 && engine_.Completed() && problems_.Empty());
  if (results_.Counts().invalid > 0) return trouble ? kExitHitsAndTrouble : kExitHits;
  return trouble ? kExitTrouble : kExitClean;
}

bool CliSession::SignaturesInEffect() const {
  for (const auto& [name, category] : store_.Categories()) {
    if (category.SearchFlag() && !category.Empty()) return true;
  }
  // Such a search could only ever report clean, and a clean result would then say nothing.
  console_.ErrLine(
      "vorlet-scan: no signatures in effect (the data file holds none, or the settings turn "
      "the search of every category off); nothing was searched");
  return false;
}

bool CliSession::LogsCanBeWritten() const {
  std::string reason;
  if ((options_.logFile && !log_preflight::CheckLogFile(*options_.logFile, &reason)) ||
      (options_.autoLog && !log_preflight::CheckAutoLogFolder(logManager_, &reason))) {
    console_.ErrLine("vorlet-scan: the log cannot be written: " + reason +
                     "; nothing was searched, deleted, renamed or moved");
    return false;
  }
  return true;
}

bool CliSession::WriteLogs(const SearchRunInfo& run) {
  bool ok = true;
  if (options_.autoLog && !logManager_.WriteAutoLog(run, results_.Hits())) {
    console_.ErrLine(cli_text::kLogNotWritten + logManager_.AutoLogPath(run.startTime));
    ok = false;
  }
  if (options_.logFile && !WriteLogFile(*options_.logFile, run, results_.Hits(), ScanLogFile())) {
    console_.ErrLine(cli_text::kLogNotWritten + *options_.logFile);
    ok = false;
  } else if (options_.logFile) {
    logFileWritten_ = *options_.logFile;
  }
  return ok;
}

void CliSession::StartJournal() {
  // A run that touches no file keeps none (a dry run touches none); nothing is recorded
  // without a start here.
  if (scanOptions_.Mode() == kModeLeave || options_.dryRun) return;
  // Beside the log that is written, else beside the data file.
  std::vector<std::string> folders;
  if (options_.logFile) {
    CDFile log;
    log.AssignPath(*options_.logFile);
    folders.push_back(log.FolderPart().str());
  } else if (options_.autoLog && !logManager_.LogFolder().empty()) {
    folders.push_back(logManager_.LogFolder());
  }
  folders.push_back(home_);
  journal_.Start(std::move(folders), [this] { return engine_.StartTime(); });
}

bool CliSession::ReportJournal() {
  journal_.Close();
  if (journal_.Failed()) {
    const std::string& path = journal_.FailedPath();
    const std::string where = path.empty() ? std::string() : console_.ShownPath(path) + ": ";
    console_.ErrRaw("vorlet-scan: the journal could not be written: " + where + std::strerror(journal_.Error()) +
                    "; " + std::to_string(journal_.Missing()) +
                    " processed file(s) are not in it, --undo cannot take them back\n");
    return false;
  }
  if (!journal_.Path().empty()) {
    console_.ErrRaw("vorlet-scan: journal (for --undo): " + console_.ShownPath(journal_.Path()) + "\n");
  }
  return true;
}

size_t CliSession::ReportFailedProcessing() const {
  size_t failed = 0;
  if (const DetectedFileList* hits = results_.Hits()) {
    for (const DetectedFile& hit : *hits) failed += hit.Result() == kResultFailed ? 1 : 0;
  }
  if (failed == 0) return 0;
  // A failed deletion, rename or move is counted among the unprocessed files; the count
  // alone would not tell the user that a file asked to go is still there.
  // "失敗", "失敗予定".
  console_.ErrLine(
      "vorlet-scan: " + std::to_string(failed) +
      (options_.dryRun
           ? " hit(s) would fail to be deleted, renamed or moved (\x8E\xB8\x94\x73\x97\x5C\x92\xE8)"
           : " hit(s) could not be deleted, renamed or moved (\x8E\xB8\x94\x73); they are "
             "still where they were found"));
  return failed;
}

void CliSession::ReportCounts() const {
  const ScanCounts& c = results_.Counts();
  const int32_t values[6] = {c.searched, c.invalid, c.unprocessed, c.moved, c.renamed, c.deleted};
  for (int i = 0; i < 6; ++i) console_.ErrLine(cli_text::kCounterLabels[i] + std::to_string(values[i]));
}

int CliSession::Register() {
  const std::string& folder = *options_.registerFolder;
  if (!IsExistingFolder(folder)) {
    console_.ErrLine("vorlet-scan: --register: no such folder: " + folder);
    return kExitTrouble;
  }
  // Held from the load to the save (and the run's end), so that no other writer of the
  // data file comes in between. Where it cannot be taken (a folder we may not write), the
  // save tries again and applies this run's records to the file as it is then, or fails.
  store_.LockDataFile(home_);
  const bool storeOk = LoadStore();
  const int32_t before = store_.RecordCount();
  results_.ResetResult();  // counts the files looked at
  std::vector<QualityWarning> warnings;
  const bool completed = RegisterFolder(engine_, store_, folder, &host_, &warnings);
  console_.EndProgress();
  const int32_t added = store_.RecordCount() - before;
  // Nothing new: the data file stays as it is.
  const bool saved = added == 0 || store_.Save(home_);

  console_.ErrLine(cli_text::kCounterLabels[0] + std::to_string(results_.Counts().searched));
  console_.ErrLine(cli_text::kRegistered + std::to_string(added));
  QualityReport::Print(console_, warnings);
  console_.ErrLine(host_.LastText());
  problems_.Report(console_, options_.verbose);
  if (!saved) {
    console_.ErrLine(cli_text::kDataFileNotSaved + DataFilePath());
  }
  return storeOk && completed && saved && problems_.Empty() ? kExitClean : kExitTrouble;
}

int CliSession::List() {
  // After a registration in the same run: what it left in memory, which is what it saved.
  if (!DataFileExists()) return kExitTrouble;
  const bool storeOk = LoadStore();
  SignatureListing(console_).Print(store_);
  return storeOk ? kExitClean : kExitTrouble;
}
