// Prints every hit on stdout as it is recorded, in the format asked for (CliOptions'
// HitFormat). text: the hit-line format of the search log (file name, folder, signature
// name, category, position, processing; TAB-separated). On a CP932 console the line is the
// log's own, CR LF included; otherwise its fields are converted (names and folders back
// to the file system's bytes) and it ends with LF. Either way every control character of
// every field is escaped (CliConsole::Shown*), so one hit is one line and a name sends the
// terminal nothing. In a dry run the processing is what would be done and, for a rename
// or move, the target path follows as a seventh field. tsv and json: HitTsvFormat.h and
// HitJsonFormat.h.
#pragma once

#include <string>

#include "CliOptions.h"
#include "HitJsonFormat.h"
#include "HitProcessing.h"
#include "result/ResultListener.h"

class CliConsole;

class CliHitPrinter : public ResultListener {
 public:
  explicit CliHitPrinter(CliConsole& console) : console_(console) {}

  // Before a search: how hits are written and what the run does to them. Writes the
  // TSV header.
  void Start(HitFormat format, const HitProcessing& processing);
  void OnHitAdded(size_t index, const DetectedFile& hit) override;
  // After the search: the JSON summary object.
  void Finish(const RunSummary& summary);

  // The line printed for hit.
  std::string Line(const DetectedFile& hit) const;

 private:
  std::string TextLine(const DetectedFile& hit) const;

  CliConsole& console_;
  HitFormat format_ = HitFormat::kText;
  HitProcessing processing_;
};
