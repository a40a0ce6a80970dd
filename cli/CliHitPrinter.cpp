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
    // The log's own line, which escapes the names; the signature's texts are the console's.
    return LogHitLine(hit.FileName(), hit.Folder(), EscapeControlCharacters(hit.SignatureName()),
                      EscapeControlCharacters(hit.SignatureCategory()), hit.Position(),
                      ProcessResultText(hit.Result()));
  }
  std::string line = LogHitLine(console_.ShownPath(hit.FileName()), console_.ShownPath(hit.Folder()),
                                console_.ShownText(hit.SignatureName()), console_.ShownText(hit.SignatureCategory()),
                                hit.Position(), console_.Text(ProcessResultText(hit.Result())));
  if (line.ends_with("\r\n")) line.resize(line.size() - 2);
  line.push_back('\n');
  return line;
}
