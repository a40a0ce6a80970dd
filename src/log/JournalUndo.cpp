#include "log/JournalUndo.h"

#include <cerrno>
#include <set>

#include "platform/AppendFile.h"
#include "platform/FolderHandle.h"
#include "util/CDFile.h"

namespace {

bool Split(const std::string& path, std::string* folder, std::string* name) {
  try {
    CDFile file;
    file.AssignPath(path);
    *name = file.FileNamePart().str();
    *folder = file.FolderPart().str();
    return !name->empty();
  } catch (const std::exception&) {  // a path text that could not be built
    return false;
  }
}

UndoOutcome Restore(const JournalEntry& entry, int* error) {
  std::string newFolder, newName, oldFolder, oldName;
  if (!Split(entry.newPath, &newFolder, &newName) || !Split(entry.oldPath, &oldFolder, &oldName)) {
    *error = EINVAL;
    return UndoOutcome::kFailed;
  }
  if (!entry.stampKnown) return UndoOutcome::kChanged;
  // The folders are taken as their paths lead now, through links of the user's own or of
  // root's only: a link someone else put in place of a folder (a folder of theirs the run
  // took a file from, say) would otherwise send the file, as the undoing user, into a
  // folder of that someone's choosing.
  platform::FolderHandle from;
  platform::FileStamp now;
  if (!from.OpenFollowingOwnLinks(newFolder, error) || !from.EntryStamp(newName, &now, error)) {
    return *error == EPERM                   ? UndoOutcome::kUntrustedLink
           : platform::IsAbsentError(*error) ? UndoOutcome::kGone
                                             : UndoOutcome::kFailed;
  }
  if (!SameRecordedState(entry.stamp, now)) return UndoOutcome::kChanged;
  platform::FolderHandle to;
  if (!to.OpenFollowingOwnLinks(oldFolder, error)) {
    return *error == EPERM                   ? UndoOutcome::kUntrustedLink
           : platform::IsAbsentError(*error) ? UndoOutcome::kNoOldFolder
                                             : UndoOutcome::kFailed;
  }
  // Seen before a copy across file systems is made for nothing; the move itself still
  // never replaces what comes in between.
  platform::FileStamp there;
  if (to.EntryStamp(oldName, &there)) return UndoOutcome::kPlaceTaken;
  const platform::FileIdentity identity{now.device, now.inode, true};
  if (from.MoveEntryNoReplace(newName, to, oldName, identity, error)) return UndoOutcome::kRestored;
  return *error == EEXIST ? UndoOutcome::kPlaceTaken : UndoOutcome::kFailed;
}

}  // namespace

bool UndoJournal(const std::string& path, const std::function<void(const UndoStep&)>& report, UndoSummary* summary,
                 int* error) {
  *summary = UndoSummary();
  platform::AppendFile file;
  std::string content;
  if (!file.OpenExisting(path, error)) return false;
  // What a journal says is done with the undoing user's rights: one that someone else
  // wrote, or could have rewritten, could move any file that user may move anywhere.
  if (!file.OwnersAlone()) {
    *error = EPERM;
    return false;
  }
  if (!file.ReadAll(&content, error)) return false;
  ParsedJournal journal;
  if (!ParseJournal(content, &journal)) {
    *error = EBADMSG;
    return false;
  }
  summary->damagedLines = journal.damagedLines;
  bool unfinished = !content.ends_with('\n');

  // Entries are numbered in file order, "undone" lines left out.
  std::vector<std::pair<size_t, const JournalEntry*>> entries;
  std::set<size_t> undone;
  for (const JournalEntry& entry : journal.entries) {
    if (entry.kind == JournalEntry::Kind::Undone) {
      undone.insert(entry.undoneEntry);
    } else {
      entries.emplace_back(entries.size() + 1, &entry);
    }
  }

  for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
    UndoStep step;
    step.number = it->first;
    step.entry = it->second;
    if (step.entry->kind == JournalEntry::Kind::Delete) {
      step.outcome = UndoOutcome::kDeleted;
      ++summary->deletions;
    } else if (undone.count(step.number) != 0) {
      step.outcome = UndoOutcome::kAlreadyRestored;
      ++summary->alreadyRestored;
    } else {
      step.outcome = Restore(*step.entry, &step.error);
      if (step.outcome == UndoOutcome::kRestored) {
        ++summary->restored;
        JournalEntry mark;
        mark.kind = JournalEntry::Kind::Undone;
        mark.undoneEntry = step.number;
        // A last line a killed run left unfinished is ended first, so the mark is a line
        // of its own, and marked cut, so that it never reads as an entry.
        std::string text = unfinished ? kCutLineEnd : "";
        text += FormatJournalEntry(mark);
        int markError = 0;
        if (file.Append(text, &markError)) {
          unfinished = false;
        } else if (summary->recordError == 0) {
          summary->recordError = markError;
        }
      } else {
        ++summary->notRestored;
      }
    }
    if (report) report(step);
  }
  int syncError = 0;
  if (summary->restored > 0 && summary->recordError == 0 && !file.Sync(&syncError)) summary->recordError = syncError;
  return true;
}
