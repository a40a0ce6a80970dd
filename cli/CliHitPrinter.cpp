#include "CliHitPrinter.h"

#include <string_view>

#include "CliConsole.h"
#include "HitTsvFormat.h"
#include "result/ProcessResult.h"
#include "settings/LogFormat.h"

void CliHitPrinter::Start(HitFormat format, const HitProcessing& processing) {
  format_ = format;
  processing_ = processing;
  if (format_ == HitFormat::kTsv) console_.Out(HitTsvFormat::Header());
}

void CliHitPrinter::OnHitAdded(size_t, const DetectedFile& hit) {
  console_.Out(Line(hit));
  // A hit is news for whoever reads the pipe; hits are rare enough to flush each.
  console_.FlushOut();
}

void CliHitPrinter::Finish(const RunSummary& summary) {
  if (format_ != HitFormat::kJson) return;
  console_.Out(HitJsonFormat::SummaryLine(summary));
  console_.FlushOut();
}

std::string CliHitPrinter::Line(const DetectedFile& hit) const {
  switch (format_) {
    case HitFormat::kTsv:
      return HitTsvFormat::Line(console_, processing_, hit);
    case HitFormat::kJson:
      return HitJsonFormat::HitLine(processing_, hit);
    case HitFormat::kText:
      break;
  }
  return TextLine(hit);
}

std::string CliHitPrinter::TextLine(const DetectedFile& hit) const {
  const std::string result = processing_.ResultText(hit);
  const std::string target = processing_.DryRun() ? processing_.Target(hit) : std::string();
  std::string line, shownTarget;
  if (console_.Cp932()) {
    // The log's own line, which escapes the names and the signature's texts; they come
    // escaped already where a lone lead byte is among them, which the log keeps as it is.
    line = LogHitLine(CliConsole::Escaped(hit.FileName(), false), CliConsole::Escaped(hit.Folder(), false),
                      CliConsole::Escaped(hit.SignatureName(), false),
                      CliConsole::Escaped(hit.SignatureCategory(), false), hit.Position(), result);
    shownTarget = CliConsole::Escaped(target, false);
  } else {
    line = LogHitLine(console_.ShownPath(hit.FileName()), console_.ShownPath(hit.Folder()),
                      console_.ShownText(hit.SignatureName()), console_.ShownText(hit.SignatureCategory()),
                      hit.Position(), console_.Text(result));
    shownTarget = console_.ShownPath(target);
  }
  if (line.ends_with("\r\n")) line.resize(line.size() - 2);
  if (!target.empty()) line += "\t" + shownTarget;
  line += console_.Cp932() ? "\r\n" : "\n";
  return line;
}
