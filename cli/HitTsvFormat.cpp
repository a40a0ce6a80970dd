#include "HitTsvFormat.h"

#include <iterator>

#include "CliConsole.h"
#include "HitProcessing.h"
#include "db/InvalFileInfo.h"
#include "result/DetectedFile.h"

const char* HitTsvFormat::Header() { return "path\tsignature\tcategory\trisk\tposition\tresult\ttarget\n"; }

std::string HitTsvFormat::Line(const CliConsole& console, const HitProcessing& processing,
                               const DetectedFile& hit) {
  const std::string fields[] = {
      console.ShownPath(hit.PathText()),
      console.ShownText(hit.SignatureName()),
      console.ShownText(hit.SignatureCategory()),
      console.ShownText(hit.Signature() ? hit.Signature()->RiskLevel() : std::string()),
      hit.PositionText(),
      console.ShownText(processing.ResultText(hit)),
      console.ShownPath(processing.Target(hit)),
  };
  std::string line;
  for (size_t i = 0; i < std::size(fields); ++i) {
    if (i > 0) line.push_back('\t');
    line += fields[i];
  }
  line.push_back('\n');
  return line;
}
