#include "log/ProcessJournal.h"

#include <cerrno>
#include <utility>

#include "log/JournalFormat.h"
#include "platform/FileSystem.h"
#include "platform/WorkingFolder.h"
#include "settings/LogFormat.h"
#include "util/FolderTree.h"

namespace {

// An undo may run from any folder: a path the search was given relative to its current
// folder is recorded as the absolute one.
std::string Absolute(const std::string& path) {
  std::string folder;
  if (path.empty() || path[0] == platform::kSeparator || !platform::CurrentFolder(&folder)) return path;
  AddTrailingSeparator(folder);
  return folder + path;
}

JournalEntry EntryOf(const ProcessedFile& done) {
  JournalEntry entry;
  entry.kind = done.result == kResultDeleted   ? JournalEntry::Kind::Delete
               : done.result == kResultRenamed ? JournalEntry::Kind::Rename
                                               : JournalEntry::Kind::Move;
  entry.oldPath = Absolute(done.oldPath);
  if (entry.kind != JournalEntry::Kind::Delete) {
    entry.newPath = Absolute(done.newPath);
    entry.stamp = done.stamp;
    entry.stampKnown = done.stampKnown;
  }
  return entry;
}

}  // namespace

std::string ProcessJournal::PathFor(const std::string& folder, const LogDateTime& startTime, int number) {
  std::string path = folder;
  if (!path.empty()) AddTrailingSeparator(path);
  path += "journal-" + LogFileStamp(startTime);
  if (number > 1) {
    path += '-';
    path += std::to_string(number);
  }
  return path + "." + kJournalExtension;
}

void ProcessJournal::Start(std::vector<std::string> folders, std::function<LogDateTime()> startTime) {
  Close();
  folders_ = std::move(folders);
  startTime_ = std::move(startTime);
  path_.clear();
  identity_ = platform::FileIdentity{};
  entries_ = 0;
  error_ = 0;
  failedPath_.clear();
  missing_ = 0;
}

void ProcessJournal::Fail(int error, const std::string& path) {
  error_ = error != 0 ? error : EIO;
  failedPath_ = path;
}

bool ProcessJournal::Create() {
  if (folders_.empty()) {
    Fail(ENOENT, std::string());
    return false;
  }
  int error = 0;
  std::string tried;
  const LogDateTime startTime = startTime_ ? startTime_() : LogDateTime{};
  for (const std::string& folder : folders_) {
    for (int number = 1; number <= kMaxJournalsPerSecond; ++number) {
      tried = PathFor(folder, startTime, number);
      if (file_.CreateNew(tried, &error)) break;
      if (error != EEXIST) break;
    }
    if (file_.IsOpen()) break;
  }
  if (!file_.IsOpen()) {
    Fail(error, tried);
    return false;
  }
  if (!file_.Append(JournalHeader(), &error)) {
    // Ours alone, made this instant: a file that is not a journal is not left behind.
    file_.Close();
    platform::RemoveFile(tried);
    Fail(error, tried);
    return false;
  }
  path_ = tried;
  identity_ = file_.Identity();
  return true;
}

bool ProcessJournal::Record(const ProcessedFile& done) {
  if (!Started()) return true;  // no journal was asked for
  if (Failed()) {
    ++missing_;
    return false;
  }
  int error = 0;
  const bool open = file_.IsOpen() || (path_.empty() ? Create() : file_.OpenExisting(path_, &error, identity_));
  if (!open && !Failed()) Fail(error, path_);
  if (!open || !file_.Append(FormatJournalEntry(EntryOf(done)), &error)) {
    if (open) Fail(error, path_);
    ++missing_;
    return false;
  }
  ++entries_;
  return true;
}

void ProcessJournal::Close() {
  if (!file_.IsOpen()) return;
  int error = 0;
  if (!file_.Sync(&error) && !Failed()) Fail(error, path_);
  file_.Close();
}
