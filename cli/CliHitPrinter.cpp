#include "CliHitPrinter.h"

#include <string_view>

#include "CliConsole.h"
#include "result/ProcessResult.h"
#include "settings/LogFormat.h"

void CliHitPrinter::OnHitAdded(size_t, const DetectedFile& hit) {
  console_.Out(Line(hit));
  // A hit is news for whoever reads the pipe; hits are rare enough to flush each.
  console_.FlushOut();
}

std::string CliHitPrinter::Line(const DetectedFile& hit) const {
  if (console_.Cp932()) {
    return LogHitLine(hit.FileName(), hit.Folder(), hit.SignatureName(), hit.SignatureCategory(), hit.Position(),
                      ProcessResultText(hit.Result()));
  }
  std::string line = LogHitLine(console_.Path(hit.FileName()), console_.Path(hit.Folder()),
                                console_.Text(hit.SignatureName()), console_.Text(hit.SignatureCategory()),
                                hit.Position(), console_.Text(ProcessResultText(hit.Result())));
  if (line.ends_with("\r\n")) line.resize(line.size() - 2);
  line.push_back('\n');
  return line;
}
