#include "CliHitPrinter.h"

#include <string_view>

#include "CliConsole.h"
#include "settings/SearchLog.h"

void CliHitPrinter::OnHitAdded(size_t, const DetectedFile& hit) {
  console_.Out(Line(hit));
  // A hit is news for whoever reads the pipe; hits are rare enough to flush each.
  console_.FlushOut();
}

std::string CliHitPrinter::Line(const DetectedFile& hit) const {
  if (console_.Cp932()) {
    return LogHitLine(hit.FileName(), hit.Folder(), hit.SignatureName(), hit.SignatureCategory(), hit.Position(),
                      hit.Result());
  }
  // The log's line over converted fields; only the processing text, which the writer
  // adds itself, is still CP932: it follows the last TAB (a file name may hold a TAB, the
  // processing text never does).
  std::string line = LogHitLine(console_.Path(hit.FileName()), console_.Path(hit.Folder()),
                                console_.Text(hit.SignatureName()), console_.Text(hit.SignatureCategory()),
                                hit.Position(), hit.Result());
  if (line.ends_with("\r\n")) line.resize(line.size() - 2);
  const size_t last = line.rfind('\t') + 1;
  std::string out = line.substr(0, last) + console_.Text(std::string_view(line).substr(last));
  out.push_back('\n');
  return out;
}
