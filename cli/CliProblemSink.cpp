#include "CliProblemSink.h"

#include <cstring>

#include "CliConsole.h"
#include "CliTexts.h"

void CliProblemSink::FileNotRead(const std::string& path, int error, FileStep step) {
  files_.push_back(Problem{path, error, step == FileStep::Open ? "open" : "read"});
}

void CliProblemSink::FolderNotListed(const std::string& folder, int error) {
  folders_.push_back(Problem{folder, error, "list"});
}

void CliProblemSink::Report(CliConsole& console, bool named) const {
  if (named) {
    for (const auto* list : {&files_, &folders_}) {
      for (const Problem& problem : *list) {
        // The path as the file system has it, the reason in the C library's words.
        std::string line = "  " + console.ShownPath(problem.path) + ": " + problem.step + ": " + std::strerror(problem.error);
        line.push_back('\n');
        console.ErrRaw(line);
      }
    }
  }
  console.ErrLine(cli_text::kFilesNotRead + std::to_string(files_.size()));
  console.ErrLine(cli_text::kFoldersNotListed + std::to_string(folders_.size()));
}
