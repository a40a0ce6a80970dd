#include "UndoCommand.h"

#include <cerrno>
#include <cstring>

#include "CliConsole.h"
#include "log/JournalUndo.h"

namespace {

struct OutcomeText {
  const char* word;
  const char* note;  // empty: the error's text
};

OutcomeText TextOf(UndoOutcome outcome) {
  switch (outcome) {
    case UndoOutcome::kRestored: return {"restored", "back at its old path"};
    case UndoOutcome::kAlreadyRestored: return {"already-restored", "put back by an earlier --undo of this journal"};
    case UndoOutcome::kDeleted: return {"deleted", "a deletion cannot be undone"};
    case UndoOutcome::kChanged: return {"changed", "the file at the new path changed since the run: left there"};
    case UndoOutcome::kGone: return {"gone", "no file at the new path"};
    case UndoOutcome::kPlaceTaken: return {"taken", "the old path is taken: nothing was replaced"};
    case UndoOutcome::kNoOldFolder: return {"no-folder", "the folder of the old path is not there"};
    case UndoOutcome::kUntrustedLink:
      return {"untrusted-link", "a link of another user is on the way to a folder: not followed, nothing moved"};
    case UndoOutcome::kFailed: break;
  }
  return {"failed", ""};
}

}  // namespace

int UndoCommand::Run(const std::string& journalPath) {
  auto report = [this](const UndoStep& step) {
    const OutcomeText text = TextOf(step.outcome);
    const std::string note = *text.note != '\0' ? text.note : std::strerror(step.error);
    console_.Out(std::string(text.word) + "\t" + console_.ShownPath(step.entry->oldPath) + "\t" +
                 console_.ShownPath(step.entry->newPath) + "\t" + note + "\n");
  };
  UndoSummary summary;
  int error = 0;
  const std::string shownJournal = console_.ShownPath(journalPath);
  if (!UndoJournal(journalPath, report, &summary, &error)) {
    const char* reason =
        error == EBADMSG       ? "not a journal"
        : error == EWOULDBLOCK ? "in use (the run that writes it, or another --undo, is not over)"
        : error == ELOOP       ? "a link (give the journal itself)"
        : error == EINVAL      ? "not a regular file"
        : error == EPERM       ? "not trusted (a journal must be your own or root's, and writable by its owner alone)"
                               : std::strerror(error);
    console_.ErrRaw("vorlet-scan: --undo: " + shownJournal + ": " + reason + "; nothing was restored\n");
    return 2;
  }
  console_.FlushOut();

  for (const size_t line : summary.damagedLines) {
    console_.ErrRaw("vorlet-scan: --undo: " + shownJournal + ": line " + std::to_string(line) +
                    " cannot be read; its file was not restored\n");
  }
  if (summary.recordError != 0) {
    console_.ErrRaw("vorlet-scan: --undo: " + shownJournal + ": what was restored could not be recorded (" +
                    std::strerror(summary.recordError) + "); a second --undo will call those files gone\n");
  }
  // Not with damaged lines: their files may well be still to restore.
  if (summary.restored == 0 && summary.notRestored == 0 && summary.alreadyRestored > 0 &&
      summary.damagedLines.empty()) {
    console_.ErrRaw("vorlet-scan: --undo: nothing to restore: this journal was taken back already\n");
  }
  console_.ErrRaw("restored: " + std::to_string(summary.restored) + "\nalready restored: " +
                  std::to_string(summary.alreadyRestored) + "\nnot restored: " +
                  std::to_string(summary.notRestored) + "\ndeletions (cannot be undone): " +
                  std::to_string(summary.deletions) + "\n");
  return summary.Complete() ? 0 : 2;
}
