// Taking a run back from its journal (JournalFormat.h): every renamed or moved file is put
// back where it was, newest entry first, so that a file processed twice goes back step by
// step. Nothing is ever replaced: the old name is made without replacing (a taken place is
// left as it is), across file systems by the same copy a move makes. A file is moved back
// only while the entry at its new path is still the one recorded (same file, size and time
// of last change); one rewritten, replaced or gone since is left alone. A deletion cannot be
// undone and is only reported.
//
// The undo acts with its user's rights on what the journal says, so it takes only a journal
// that user (or root) owns and nobody else may write, never through a link. The folders are
// walked as their paths lead now, but through no link another user owns (root's excepted):
// such a link may have been put in place of a folder to steer a file elsewhere.
//
// Each file put back is recorded in the journal at once ("undone"), so that taking the same
// journal back again restores nothing twice and says so. The journal is locked while an
// undo reads and extends it, so it never runs beside the run still writing it, or beside
// another undo.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "log/JournalFormat.h"

enum class UndoOutcome {
  kRestored,         // put back at its old path
  kAlreadyRestored,  // an earlier undo of this journal put it back
  kDeleted,          // a deletion: cannot be undone
  kChanged,          // the entry at the new path is no longer the file processed (or its state was not recorded)
  kGone,             // nothing at the new path
  kPlaceTaken,       // something holds the old path
  kNoOldFolder,      // the folder it came from is not there
  kUntrustedLink,    // a link of another user (not root) stands on the way to a folder: not followed
  kFailed,           // could not be looked at or moved: error says why
};

struct UndoStep {
  size_t number = 0;  // of the entry in the journal, from 1
  const JournalEntry* entry = nullptr;
  UndoOutcome outcome = UndoOutcome::kFailed;
  int error = 0;
};

struct UndoSummary {
  size_t restored = 0;
  size_t alreadyRestored = 0;
  size_t deletions = 0;
  size_t notRestored = 0;
  std::vector<size_t> damagedLines;  // lines of the journal that could not be read
  int recordError = 0;               // errno: a file put back could not be recorded in the journal
  // Everything that can be undone is back (now or by an earlier undo), and the journal
  // was read whole and records it.
  bool Complete() const { return notRestored == 0 && damagedLines.empty() && recordError == 0; }
};

// Takes the journal at path back; report is called for every entry, newest first. False,
// with *error, when the journal could not be opened or read (EWOULDBLOCK: a run or another
// undo holds it; EBADMSG: the file is not a journal; ELOOP: a link; EINVAL: not a regular
// file; EPERM: not the undoing user's own or root's, or others may write it); nothing is
// touched then.
bool UndoJournal(const std::string& path, const std::function<void(const UndoStep&)>& report, UndoSummary* summary,
                 int* error);
