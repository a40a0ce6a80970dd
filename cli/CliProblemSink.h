// Counts what a search could not look at (files that could not be opened or read, folders
// that could not be listed) and, when asked, names each with its reason at the end, so
// that nothing unread passes for searched and clean. Keeps every name: a run that cannot
// read most of its tree still ends with a complete account.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "engine/SearchProblemSink.h"

class CliConsole;

class CliProblemSink : public SearchProblemSink {
 public:
  void FileNotRead(const std::string& path, int error, FileStep step) override;
  void FolderNotListed(const std::string& folder, int error) override;

  bool Empty() const { return files_.empty() && folders_.empty(); }
  size_t UnreadFiles() const { return files_.size(); }
  size_t UnlistedFolders() const { return folders_.size(); }

  // The two counts; with named, one line per file and folder before them.
  void Report(CliConsole& console, bool named) const;

 private:
  struct Problem {
    std::string path;  // CP932
    int error;
    const char* step;
  };
  std::vector<Problem> files_;
  std::vector<Problem> folders_;
};
