#include "settings/LogFormat.h"

#include <cstdio>

#include "platform/Clock.h"
#include "platform/Encoding.h"
#include "util/CDFile.h"
#include "util/IntToText.h"

namespace {

// "検索開始時間\t検索終了時間\tファイルタイプ\tサブディレクトリ検索の有無\t検索完了の有無\r\n"
constexpr std::string_view kHeaderHeads =
    "\x8C\x9F\x8D\xF5\x8A\x4A\x8E\x6E\x8E\x9E\x8A\xD4\t"
    "\x8C\x9F\x8D\xF5\x8F\x49\x97\xB9\x8E\x9E\x8A\xD4\t"
    "\x83\x74\x83\x40\x83\x43\x83\x8B\x83\x5E\x83\x43\x83\x76\t"
    "\x83\x54\x83\x75\x83\x66\x83\x42\x83\x8C\x83\x4E\x83\x67\x83\x8A\x8C\x9F\x8D\xF5\x82\xCC\x97\x4C\x96\xB3\t"
    "\x8C\x9F\x8D\xF5\x8A\xAE\x97\xB9\x82\xCC\x97\x4C\x96\xB3\r\n";
// "検索対象フォルダ\r\n"
constexpr std::string_view kTargetsHead = "\x8C\x9F\x8D\xF5\x91\xCE\x8F\xDB\x83\x74\x83\x48\x83\x8B\x83\x5F\r\n";
// " ファイル検出！\r\n", after the hit count
constexpr std::string_view kCountTail = " \x83\x74\x83\x40\x83\x43\x83\x8B\x8C\x9F\x8F\x6F\x81\x49\r\n";
constexpr std::string_view kRule = "---------------------\r\n";
// "ファイル名\tフォルダ名\t名称\t分類\t位置情報\t処理\r\n"
constexpr std::string_view kHitHeads =
    "\x83\x74\x83\x40\x83\x43\x83\x8B\x96\xBC\t"
    "\x83\x74\x83\x48\x83\x8B\x83\x5F\x96\xBC\t"
    "\x96\xBC\x8F\xCC\t"
    "\x95\xAA\x97\xDE\t"
    "\x88\xCA\x92\x75\x8F\xEE\x95\xF1\t"
    "\x8F\x88\x97\x9D\r\n";
constexpr std::string_view kNewLine = "\r\n";

bool IsTrailByte(unsigned char c) { return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC); }

std::string YesNo(bool on) { return on ? "YES" : "NO"; }

bool ToLocal(const LogDateTime& time, platform::LocalDateTime* local) {
  return time.status == 0 && platform::OleDateToLocal(time.oleDate, local);
}

}  // namespace

std::string FormatLogTime(const LogDateTime& time) {
  platform::LocalDateTime t;
  if (!ToLocal(time, &t)) return "\t";
  char text[32];
  std::snprintf(text, sizeof text, "%04d %02d/%02d %02d:%02d:%02d\t", t.year, t.month, t.day, t.hour, t.minute,
                t.second);
  return text;
}

std::string LogFileStamp(const LogDateTime& time) {
  platform::LocalDateTime t;
  if (!ToLocal(time, &t) && !platform::OleDateToLocal(platform::LocalOleDateNow(), &t)) return "00000000000000";
  char text[32];
  std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
  return text;
}

std::string FormatLogPosition(int32_t position) { return IntToText(static_cast<uint32_t>(position), 16); }

std::string EscapeControlCharacters(std::string_view text, bool escapeBackslash, bool escapeLoneLeadBytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (platform::IsLeadByte(c) && i + 1 < text.size() && IsTrailByte(static_cast<unsigned char>(text[i + 1]))) {
      out.append(text.substr(i, 2));
      ++i;
      continue;
    }
    switch (c) {
      case '\t': out += "\\t"; continue;
      case '\r': out += "\\r"; continue;
      case '\n': out += "\\n"; continue;
      case '\\':
        out += escapeBackslash ? "\\\\" : "\\";
        continue;
      default: break;
    }
    if (c < 0x20 || c == 0x7F || (escapeLoneLeadBytes && platform::IsLeadByte(c))) {
      out += "\\x";
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 0xF]);
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  return out;
}

std::string LogDetectionsHead(size_t hitCount) {
  std::string text(kNewLine);
  text += std::to_string(hitCount);
  text += kCountTail;
  text += kRule;
  text += kNewLine;
  text += kHitHeads;
  return text;
}

std::string LogHitLine(std::string_view fileName, std::string_view folder, std::string_view name,
                       std::string_view category, int32_t position, std::string_view resultText) {
  std::string line;
  line += EscapeControlCharacters(fileName);
  line += '\t';
  line += EscapeControlCharacters(folder);
  line += '\t';
  for (std::string_view field : {name, category}) {
    line += EscapeControlCharacters(field);
    line += '\t';
  }
  line += FormatLogPosition(position);
  line += '\t';
  line += resultText;
  line += kNewLine;
  return line;
}

bool WriteLogHeader(ProfileFile::Direction direction, ProfileFile& file, const SearchRunInfo& run) {
  if (direction != ProfileFile::Direction::Store) return true;
  std::string head(kHeaderHeads);
  head += FormatLogTime(run.startTime);
  head += FormatLogTime(run.endTime);
  // The file type and the folders are the user's and the file system's texts: escaped as a
  // hit's names are, so that each stays one field of one line.
  head += EscapeControlCharacters(run.patternText);
  head += '\t';
  head += YesNo(run.searchSubfolders);
  head += '\t';
  head += YesNo(run.completed);
  head += kNewLine;
  head += kNewLine;
  head += kTargetsHead;
  if (!file.TransferText(direction, head)) return false;

  for (const std::string& target : run.targets) {
    // A folder with exactly one separator at its end, however the user typed it.
    CDFile folder;
    folder.ReplaceFolder(target);
    std::string line = EscapeControlCharacters(folder.PathText());
    line += kNewLine;
    if (!file.TransferText(direction, line)) return false;
  }
  return true;
}
