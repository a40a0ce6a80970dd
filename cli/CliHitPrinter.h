// Prints every hit on stdout as it is recorded, in the hit-line format of the search log
// (file name, folder, signature name, category, position, processing; TAB-separated). On
// a CP932 console the line is the log's own, CR LF included; otherwise its fields are
// converted (names and folders back to the file system's bytes) and it ends with LF.
// Either way every control character of every field is escaped (CliConsole::Shown*), so
// one hit is one line and a name sends the terminal nothing.
#pragma once

#include <string>

#include "result/ResultListener.h"

class CliConsole;

class CliHitPrinter : public ResultListener {
 public:
  explicit CliHitPrinter(CliConsole& console) : console_(console) {}

  void OnHitAdded(size_t index, const DetectedFile& hit) override;

  // The line printed for hit.
  std::string Line(const DetectedFile& hit) const;

 private:
  CliConsole& console_;
};
