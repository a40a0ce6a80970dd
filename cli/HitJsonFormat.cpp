#include "HitJsonFormat.h"

#include <cstdint>
#include <nlohmann/json.hpp>
#include <vector>

#include "HitProcessing.h"
#include "SignatureListing.h"
#include "db/InvalFileInfo.h"
#include "platform/Encoding.h"
#include "result/DetectedFile.h"

namespace {

using Json = nlohmann::ordered_json;

// key: the path (CP932) as UTF-8, with key + "_bytes" when its own bytes are not UTF-8;
// null for an empty path.
void PutPath(Json& object, const std::string& key, const std::string& cp932) {
  if (cp932.empty()) {
    object[key] = nullptr;
    return;
  }
  const std::string bytes = platform::Cp932ToOsName(cp932);
  object[key] = bytes;
  if (!platform::IsValidUtf8(bytes))
    object[key + "_bytes"] = std::vector<uint8_t>(bytes.begin(), bytes.end());
}

Json Time(const std::optional<SearchRunInfo>& run, bool end) {
  if (!run) return nullptr;
  const LogDateTime& time = end ? run->endTime : run->startTime;
  const std::string text = SignatureListing::FormatDate(time.oleDate, time.status);
  return text.empty() ? Json(nullptr) : Json(text);
}

std::string Line(const Json& object) {
  // A path that is not UTF-8 is in the string as it is; the dump shows its bad bytes as
  // U+FFFD, and its _bytes array keeps them.
  const std::string dump = object.dump(-1, ' ', false, Json::error_handler_t::replace);
  // The dump leaves DEL and the C1 controls (U+0080-U+009F) as they are, which a terminal
  // may act on (a C1 control may start a sequence); written as \u00XX they read back the
  // same. DEL is no part of any other UTF-8 character.
  static constexpr char kHex[] = "0123456789abcdef";
  std::string line;
  line.reserve(dump.size() + 1);
  for (size_t i = 0; i < dump.size(); ++i) {
    const unsigned char next = i + 1 < dump.size() ? static_cast<unsigned char>(dump[i + 1]) : 0;
    if (dump[i] == '\x7F') {
      line += "\\u007f";
    } else if (static_cast<unsigned char>(dump[i]) == 0xC2 && next >= 0x80 && next <= 0x9F) {
      line += "\\u00";
      line.push_back(kHex[next >> 4]);
      line.push_back(kHex[next & 0xF]);
      ++i;
    } else {
      line.push_back(dump[i]);
    }
  }
  line.push_back('\n');
  return line;
}

}  // namespace

std::string HitJsonFormat::HitLine(const HitProcessing& processing, const DetectedFile& hit) {
  Json object;
  object["type"] = "hit";
  PutPath(object, "path", hit.PathText());
  object["signature"] = platform::Cp932ToUtf8(hit.SignatureName());
  object["category"] = platform::Cp932ToUtf8(hit.SignatureCategory());
  object["risk"] = platform::Cp932ToUtf8(hit.Signature() ? hit.Signature()->RiskLevel() : std::string());
  object["position"] = static_cast<uint32_t>(hit.Position());
  object["result"] = platform::Cp932ToUtf8(processing.ResultText(hit));
  PutPath(object, "target", processing.Target(hit));
  return Line(object);
}

std::string HitJsonFormat::SummaryLine(const RunSummary& summary) {
  Json object;
  object["type"] = "summary";
  const ScanCounts& c = summary.counts;
  object["searched"] = c.searched;
  object["invalid"] = c.invalid;
  object["unprocessed"] = c.unprocessed;
  object["moved"] = c.moved;
  object["renamed"] = c.renamed;
  object["deleted"] = c.deleted;
  object["completed"] = summary.completed;
  object["files_not_read"] = summary.filesNotRead;
  object["folders_not_listed"] = summary.foldersNotListed;
  object["start"] = Time(summary.run, false);
  object["end"] = Time(summary.run, true);
  PutPath(object, "log", summary.logFile);
  PutPath(object, "auto_log", summary.autoLog);
  object["dry_run"] = summary.dryRun;
  return Line(object);
}
