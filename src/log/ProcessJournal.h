// The writer of a run's journal (format: JournalFormat.h). Every run that deletes, renames or
// moves files, automatically or by hand from the result form, keeps one: a new file, made
// when the first file is processed and never replacing anything, into which each file's
// entry is appended as soon as the file is dealt with. A run killed halfway thus leaves a
// journal of everything done up to then, but for the file in hand.
//
// It goes into the first folder given that takes it: the folder of the run's log when a log
// is written, then the data file's folder. Its name is taken from the run's start time, as
// the automatic log's is: "journal-20030310090507.journal", or "-2", "-3" ... after the time
// stamp when the name is taken.
//
// Let go between processings (the result form's), it is taken up again by its path only
// while that path still names the very file made; anything else there is never written.
//
// A journal that cannot be made or written is not a reason to stop processing, which the
// user asked for, but it must never be taken for a record: from the first failure on
// nothing more is written into it, and Failed says so with the cause and how many
// processed files it lacks.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "platform/AppendFile.h"
#include "result/AutoProcessor.h"
#include "settings/SearchRunInfo.h"

// "ジャーナル（取り消し用の記録）を書けませんでした：" (CP932), followed by the path.
inline constexpr char kJournalNotWritten[] =
    "\x83\x57\x83\x83\x81\x5B\x83\x69\x83\x8B\x81\x69\x8E\xE6\x82\xE8\x8F\xC1\x82\xB5\x97\x70\x82\xCC\x8B\x4C"
    "\x98\x5E\x81\x6A\x82\xF0\x8F\x91\x82\xAF\x82\xDC\x82\xB9\x82\xF1\x82\xC5\x82\xB5\x82\xBD\x81\x46";

class ProcessJournal {
 public:
  // Runs started within one second that each keep their journal: far more than can start.
  static constexpr int kMaxJournalsPerSecond = 999;

  // The path of the journal numbered number (1 for the first name) of a run started at
  // startTime, in folder.
  static std::string PathFor(const std::string& folder, const LogDateTime& startTime, int number = 1);

  // A new run: closes the journal of the last one; the next Record makes a new journal in
  // the first of folders that takes it, named after the time startTime gives then (the
  // run's start, which a search sets only once it runs). Without Start, Record records
  // nothing.
  void Start(std::vector<std::string> folders, std::function<LogDateTime()> startTime);
  // Appends the entry of a file that was deleted, renamed or moved (making the journal
  // first). False when it was not written; see Failed.
  bool Record(const ProcessedFile& done);
  // Lets the file go (flushed to the disk); a later Record appends to it again.
  void Close();

  // Whether a run was started (Start), so that Record records.
  bool Started() const { return !folders_.empty() || !path_.empty(); }
  // The journal once made, empty before.
  const std::string& Path() const { return path_; }
  size_t Entries() const { return entries_; }
  bool Failed() const { return error_ != 0; }
  // The errno of the failure and the file it concerns (the journal, or the last name tried).
  int Error() const { return error_; }
  const std::string& FailedPath() const { return failedPath_; }
  // Processed files that are not in the journal because of the failure.
  size_t Missing() const { return missing_; }

 private:
  bool Create();
  void Fail(int error, const std::string& path);

  std::vector<std::string> folders_;
  std::function<LogDateTime()> startTime_;
  platform::AppendFile file_;
  std::string path_;
  // The file made: taken up again by its path, the journal must still be that file (not a
  // link or a file put in its place meanwhile), else the record fails.
  platform::FileIdentity identity_;
  size_t entries_ = 0;
  int error_ = 0;
  std::string failedPath_;
  size_t missing_ = 0;
};
