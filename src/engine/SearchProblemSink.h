// Where the engine tells what it could not look at: a candidate file that could not be
// opened or read (its block was never compared, so it must not pass for clean) and a
// folder that could not be listed. The desktop program ignores these as the search always
// has; the command line counts and names them.
#pragma once

#include <string>

class SearchProblemSink {
 public:
  enum class FileStep { Open, Read };

  virtual ~SearchProblemSink() = default;
  // path is CP932; error is the errno of the failed step.
  virtual void FileNotRead(const std::string& path, int error, FileStep step) = 0;
  // folder is CP932 with its trailing separator; reported once per folder.
  virtual void FolderNotListed(const std::string& folder, int error) = 0;
};
