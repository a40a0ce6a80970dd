#include "QualityReport.h"

#include "CliConsole.h"
#include "db/InvalFileInfo.h"

namespace {

// "誤検出のおそれ：", "：", "［", "］"
constexpr char kWarningLabel[] = "\x8C\xEB\x8C\x9F\x8F\x6F\x82\xCC\x82\xA8\x82\xBB\x82\xEA\x81\x46";
constexpr char kColon[] = "\x81\x46";
constexpr char kOpenBracket[] = "\x81\x6D";
constexpr char kCloseBracket[] = "\x81\x6E";

}  // namespace

void QualityReport::Print(CliConsole& console, const std::vector<QualityWarning>& warnings) {
  for (const QualityWarning& warning : warnings) {
    console.ErrLine(kWarningLabel + Key(*warning.record) + kColon + SignatureQuality::Describe(warning));
  }
}

std::string QualityReport::Key(const InvalFileInfo& record) {
  std::string key = kOpenBracket;
  key += record.Category();
  key += kCloseBracket;
  key += record.Name();
  return key;
}
