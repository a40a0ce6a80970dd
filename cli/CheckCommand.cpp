#include "CheckCommand.h"

#include <cerrno>
#include <cstring>

#include "CliSession.h"
#include "CliTexts.h"
#include "engine/SearchRegistration.h"
#include "platform/FileSystem.h"
#include "result/SignatureCheckFile.h"
#include "settings/AppFiles.h"
#include "util/FileChecks.h"
#include "util/FolderTree.h"
#include "util/MessageBox.h"

namespace {

// "誤検出の署名数：" (signatures that matched a reference file)
constexpr char kMatchingSignatures[] = "\x8C\xEB\x8C\x9F\x8F\x6F\x82\xCC\x8F\x90\x96\xBC\x90\x94\x81\x46";
// "照合結果の保存先：" + path
constexpr char kResultSaved[] = "\x8F\xC6\x8D\x87\x8C\x8B\x89\xCA\x82\xCC\x95\xDB\x91\xB6\x90\xE6\x81\x46";
// "照合結果は保存していません（データファイルのフォルダに書き込めません）：" + path
constexpr char kResultNotSaved[] =
    "\x8F\xC6\x8D\x87\x8C\x8B\x89\xCA\x82\xCD\x95\xDB\x91\xB6\x82\xB5\x82\xC4\x82\xA2\x82\xDC\x82\xB9\x82\xF1\x81\x69"
    "\x83\x66\x81\x5B\x83\x5E\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xCC\x83\x74\x83\x48\x83\x8B\x83\x5F\x82\xC9\x8F\x91"
    "\x82\xAB\x8D\x9E\x82\xDF\x82\xDC\x82\xB9\x82\xF1\x81\x6A\x81\x46";

// A folder the user may not write into: the editor simply has no marks then.
bool IsReadOnlyError(int error) { return error == EACCES || error == EPERM || error == EROFS; }

}  // namespace

CheckCommand::CheckCommand(const CliOptions& options, const std::string& home, CliConsole& console)
    : options_(options),
      home_(home),
      console_(console),
      engine_(SettingsFile()),
      host_(engine_, check_.Counts(), console, options.quiet),
      presenter_(console) {
  engine_.SetProblemSink(&problems_);
  engine_.SetHost(&host_);
  engine_.SetJobs(options.jobs.value_or(CScanEngine::AutomaticJobs()));
  SetMessagePresenter(&presenter_);
  SetApplicationScanEngine(&engine_);
}

CheckCommand::~CheckCommand() {
  SetApplicationScanEngine(nullptr);
  SetMessagePresenter(nullptr);
}

bool CheckCommand::ReferenceFolders(TextList* folders) const {
  for (const std::string& given : options_.folders) {
    // A folder that cannot be listed at all would leave the check saying nothing about it:
    // refused before a long walk of the others. A link to a folder is followed (the final
    // separator), as the walk, a search and a registration follow it.
    std::string listed = given;
    AddTrailingSeparator(listed);
    platform::DirReader reader;
    int error = 0;
    if (!reader.Open(listed, &error)) {
      console_.ErrLine("vorlet-scan: --check-signatures: cannot list " + given + ": " + std::strerror(error) +
                       "; nothing was checked");
      return false;
    }
    folders->Add(RegistrationRoot(given), false);
  }
  return true;
}

int CheckCommand::Run() {
  const std::string dataFile = home_ + InvalFileDB::kDataFileBase + "." + InvalFileDB::kDataFileExt;
  // Loading would make an empty data file, and a check without signatures says nothing.
  if (!PathExists(dataFile)) {
    console_.ErrLine("vorlet-scan: no data file: " + dataFile);
    return CliSession::kExitTrouble;
  }
  TextList folders;
  if (!ReferenceFolders(&folders)) return CliSession::kExitTrouble;
  const bool storeOk = store_.Load(home_);
  if (!storeOk) console_.ErrLine(cli_text::kDataFileIncomplete + dataFile);

  started_ = SignatureCheckFile::Now();
  const bool completed = check_.Run(engine_, store_, folders);
  console_.EndProgress();
  const std::vector<SignatureCheck::Match> matches = check_.Matches(store_);
  PrintMatches(matches);

  console_.ErrLine(cli_text::kCounterLabels[0] + std::to_string(check_.Counts().searched));
  console_.ErrLine(kMatchingSignatures + std::to_string(matches.size()));
  console_.ErrLine(std::string(cli_text::kCompleted) + (completed ? "YES" : "NO"));
  problems_.Report(console_, options_.verbose);

  // Only a whole check may mark records; a stopped one leaves the last result as it was.
  bool trouble = !storeOk || !completed;
  if (!trouble && !SaveResult(folders, matches)) trouble = true;
  if (!matches.empty()) return trouble ? CliSession::kExitHitsAndTrouble : CliSession::kExitHits;
  return trouble ? CliSession::kExitTrouble : CliSession::kExitClean;
}

void CheckCommand::PrintMatches(const std::vector<SignatureCheck::Match>& matches) {
  for (const SignatureCheck::Match& match : matches) {
    std::string lines = std::to_string(match.count);
    lines.append("\t").append(console_.ShownText(match.record->Category()));
    lines.append("\t").append(console_.ShownText(match.record->Name())).append("\n");
    for (const std::string& path : match.examples) lines.append("\t").append(console_.ShownPath(path)).append("\n");
    console_.Out(lines);
  }
  console_.FlushOut();
}

bool CheckCommand::SaveResult(const TextList& folders, const std::vector<SignatureCheck::Match>& matches) {
  SignatureCheckFile file;
  file.checked = started_;
  file.folders.assign(folders.begin(), folders.end());
  file.signatureCount = store_.RecordCount();
  file.stamp = SignatureCheckFile::SignatureStamp(store_);
  for (const SignatureCheck::Match& match : matches) {
    file.entries.push_back(SignatureCheckFile::Entry{match.count, match.record->GetSearchText(),
                                                     match.record->Category(), match.record->Name()});
  }
  const std::string path = store_.FilePath() + SignatureCheckFile::kSuffix;
  int error = 0;
  if (file.Write(path, &error)) {
    console_.ErrLine(kResultSaved + path);
    return true;
  }
  if (IsReadOnlyError(error)) {
    console_.ErrLine(kResultNotSaved + path);
    return true;
  }
  console_.ErrLine("vorlet-scan: the check result could not be written: " + path + ": " + std::strerror(error));
  return false;
}
