// --undo JOURNAL: takes back the run that wrote the journal (log/JournalUndo.h) and tells
// what became of every entry, newest first: one line each on stdout, with what happened, the
// old path, the new path and a note, TAB-separated (paths as the file system's bytes, every
// control character escaped); the counts on stderr.
#pragma once

#include <string>

class CliConsole;

class UndoCommand {
 public:
  explicit UndoCommand(CliConsole& console) : console_(console) {}

  // The exit status: 0 when everything that can be undone is back, 2 otherwise.
  int Run(const std::string& journalPath);

 private:
  CliConsole& console_;
};
