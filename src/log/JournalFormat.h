// The journal's format: what a run that deleted, renamed or moved files did to each, so that
// `vorlet-scan --undo` can take it back. A text file of LF-ended lines, fields separated by
// TAB, shared here by its writer (ProcessJournal.h) and its reader (JournalUndo.h):
//
//   vorlet-journal TAB 1                        the first line: what the file is, version
//   rename TAB old TAB new TAB dev TAB inode TAB size TAB mtime-ns
//   move   TAB old TAB new TAB dev TAB inode TAB size TAB mtime-ns
//   delete TAB old
//   undone TAB n                                the n-th entry above was put back
//
// Paths are absolute and written as the file system's bytes, so a name comes back exactly
// as it was whatever the locale: TAB, LF, CR and backslash as \t \n \r \\, other control
// bytes and bytes that are not part of well-formed UTF-8 as \xHH; everything else, UTF-8
// included, as it is. dev to mtime-ns (decimal) describe the entry at new right after the
// file got there (a link itself, not what it leads to); all four are empty when that could
// not be read. An undo appends its "undone" lines to the journal it took back. A line with
// a path that is not absolute, or with a control byte other than the separating TABs, is
// damaged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileStamp.h"

inline constexpr char kJournalExtension[] = "journal";

struct JournalEntry {
  enum class Kind { Delete, Rename, Move, Undone };
  Kind kind = Kind::Delete;
  std::string oldPath;  // CP932, as the program keeps paths (mapped losslessly)
  std::string newPath;  // empty for a deletion
  // The entry at newPath just after processing; only device, inode, size and modifiedNs.
  platform::FileStamp stamp;
  bool stampKnown = false;
  size_t undoneEntry = 0;  // Undone: the number (from 1) of the entry put back
};

// The entry at newPath is, as far as the file system can tell, still the one recorded:
// the same file (device and inode), its size and its time of last change unchanged.
bool SameRecordedState(const platform::FileStamp& recorded, const platform::FileStamp& now);

// Appended after a last line a killed writer cut short, before anything else is added: it
// ends that line and keeps it damaged whatever follows (a cut line completed by an LF alone
// could read as another entry). CAN, a control byte no finished line holds, then LF.
inline constexpr char kCutLineEnd[] = "\x18\n";

// The first line, LF included.
std::string JournalHeader();
// One entry's line, LF included.
std::string FormatJournalEntry(const JournalEntry& entry);

struct ParsedJournal {
  std::vector<JournalEntry> entries;  // in file order, "undone" lines included
  std::vector<size_t> damagedLines;   // line numbers (from 1) that could not be read
};
// False when content does not start with the header of a journal this program reads.
bool ParseJournal(std::string_view content, ParsedJournal* out);

// The OS bytes of a path as a field, and back (false for a field that is not one).
std::string EscapeJournalField(std::string_view bytes);
bool UnescapeJournalField(std::string_view field, std::string* bytes);
