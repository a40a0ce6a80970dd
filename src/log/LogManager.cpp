#include "log/LogManager.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#include "util/CDFile.h"
#include "util/CFileFinder.h"
#include "util/FileChecks.h"
#include "util/FolderTree.h"
#include "util/MessageBox.h"
#include "util/ShiftJis.h"
#include "util/StringTable.h"

namespace {

const char kGeneral[] = "General";

// Searches started within one second that each keep their log: far more than can start.
constexpr int kMaxLogsPerSecond = 999;

// A log name's place in the listing: the name without a "-N" before its extension (N from
// 2 to 999, as WriteAutoLog numbers them), then N (1 for a name without one).
std::pair<std::string, int> LogOrderKey(const std::string& name) {
  const size_t dot = name.rfind('.');
  const size_t dash = dot == std::string::npos || dot == 0 ? std::string::npos : name.rfind('-', dot - 1);
  if (dash == std::string::npos || dash == 0) return {name, 1};
  const std::string digits = name.substr(dash + 1, dot - dash - 1);
  if (digits.empty() || digits.size() > 3 || digits[0] == '0' ||
      digits.find_first_not_of("0123456789") != std::string::npos || digits == "1") {
    return {name, 1};
  }
  return {name.substr(0, dash) + name.substr(dot), std::stoi(digits)};
}

std::string WithSeparator(std::string folder) {
  AddTrailingSeparator(folder);
  return folder;
}

std::string LogName(const std::string& base) { return base + "." + kLogExtension; }

}  // namespace

void LogManager::LoadSettings(const ProfileFile& settings, const AppLocations& locations) {
  autoLog_ = settings.GetSettingInt(kGeneral, "fLog", 0) == 1;
  logFolder_ = settings.GetSettingText(kGeneral, "LogFolder");
  if (logFolder_.empty()) logFolder_ = locations.logFolder;
  logEditor_ = settings.GetSettingText(kGeneral, "LogEditor");
}

bool LogManager::SaveSettings(const ProfileFile& settings) const {
  bool ok = settings.PutSettingInt(kGeneral, "fLog", autoLog_ ? 1 : 0);
  ok = settings.PutSettingText(kGeneral, "LogFolder", logFolder_) && ok;
  ok = settings.PutSettingText(kGeneral, "LogEditor", logEditor_) && ok;
  return ok;
}

bool LogManager::CheckLogFolder() const {
  if (!autoLog_ || IsExistingFolder(logFolder_)) return true;
  if (CreateFolderTree(logFolder_)) return true;
  return MessageBoxById(kStrLogFolderInvalid, MessageButtons::YesNo, MessageIcon::Information) == kIdYes;
}

std::string LogManager::LogPath(const std::string& fileName) const { return WithSeparator(logFolder_) + fileName; }

std::string LogManager::AutoLogPath(const LogDateTime& startTime, int number) const {
  const std::string stamp = LogFileStamp(startTime);
  return LogPath(LogName(number <= 1 ? stamp : stamp + "-" + std::to_string(number)));
}

bool LogManager::WriteAutoLog(const SearchRunInfo& run, const DetectedFileList* hits) {
  writtenAutoLog_.clear();
  // Without a folder the log would land in the root or wherever the process happens to be.
  if (!autoLog_ || logFolder_.empty()) return false;
  for (int number = 1; number <= kMaxLogsPerSecond; ++number) {
    const std::string path = AutoLogPath(run.startTime, number);
    int error = 0;
    if (CreateLogFile(path, run, hits, &error)) {
      writtenAutoLog_ = path;
      if (logWritten_) logWritten_();
      return true;
    }
    if (error != EEXIST) return false;
  }
  return false;
}

std::vector<std::string> LogManager::ListLogs() const {
  std::vector<std::string> names;
  try {
    const std::string pattern = "*." + std::string(kLogExtension);
    CFileFinder finder;
    finder.SetFilter(CPatternList(pattern, ';'));
    // An empty folder is the current one.
    const std::string folder = logFolder_.empty() ? std::string(".") + platform::kSeparator : WithSeparator(logFolder_);
    for (bool found = finder.FindFirst(folder + pattern, CFileFinder::Mode::Files); found; found = finder.FindNext()) {
      // A file that went between the listing and now is left out.
      CDFile file;
      file.ReplaceFolder(logFolder_);
      file.ReplaceFileName(finder.Name());
      if (file.Exists()) names.push_back(finder.Name());
    }
  } catch (const std::exception&) {
    // What was listed so far is kept.
  }
  // std::string orders as unsigned bytes; a numbered log follows the one it is named after.
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    const auto keyA = LogOrderKey(a);
    const auto keyB = LogOrderKey(b);
    return keyA != keyB ? keyA < keyB : a < b;
  });
  return names;
}

std::string ProposedLogName(const std::string& logFolder, const LogDateTime& startTime) {
  std::string folder = logFolder.empty() ? std::string(1, platform::kSeparator) : WithSeparator(logFolder);
  return folder + LogName(LogFileStamp(startTime));
}

std::string FinalLogPath(const std::string& chosenPath) {
  if (chosenPath.empty()) return std::string();
  CDFile chosen;
  chosen.AssignPath(chosenPath);
  const std::string name = chosen.FileNamePart().str();
  // "." is never the second byte of a double-byte character.
  const std::string title = name.substr(0, name.rfind('.'));
  if (title.empty()) return std::string();
  return WithSeparator(chosen.FolderPartTrimmed().str()) + LogName(title);
}

bool LogSaveNameTaken(const std::string& chosenPath) {
  if (PathExists(chosenPath)) return true;
  const std::string finalPath = FinalLogPath(chosenPath);
  return !finalPath.empty() && PathExists(finalPath);
}

std::vector<std::string> BuildEditorCommand(const std::string& editorText, const std::string& logPath) {
  enum class Quote { None, Single, Double };
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  Quote quote = Quote::None;
  const std::string_view text = editorText;
  size_t i = 0;
  while (i < text.size()) {
    // A double-byte character is part of the word as it is, even when its second byte is
    // a backslash.
    const size_t size = shiftjis::CharSize(text, i);
    const char c = text[i];
    if (size == 2) {
      word.append(text.substr(i, 2));
      inWord = true;
      i += 2;
      continue;
    }
    const char next = i + 1 < text.size() ? text[i + 1] : '\0';
    if (quote == Quote::Single) {
      if (c == '\'') quote = Quote::None;
      else word.push_back(c);
      ++i;
    } else if (quote == Quote::Double) {
      if (c == '"') {
        quote = Quote::None;
      } else if (c == '\\' && next != '\0' && std::string_view("$`\"\\\n").find(next) != std::string_view::npos) {
        if (next != '\n') word.push_back(next);
        ++i;
      } else {
        word.push_back(c);
      }
      ++i;
    } else if (c == ' ' || c == '\t' || c == '\n') {
      if (inWord) words.push_back(std::move(word));
      word.clear();
      inWord = false;
      ++i;
    } else if (c == '\\' && next == '\n') {
      i += 2;  // a line continuation joins, it adds nothing
    } else if (c == '\\' && next != '\0') {
      const size_t escaped = shiftjis::CharSize(text, i + 1);
      word.append(text.substr(i + 1, escaped));
      inWord = true;
      i += 1 + escaped;
    } else {
      if (c == '\'') quote = Quote::Single;
      else if (c == '"') quote = Quote::Double;
      else word.push_back(c);  // a backslash at the very end stays as it is
      inWord = true;
      ++i;
    }
  }
  // An unclosed quote runs to the end of the text.
  if (inWord) words.push_back(std::move(word));

  if (words.empty()) words.emplace_back(LogManager::kDefaultEditor);
  if (!logPath.empty()) words.push_back(logPath);
  return words;
}
