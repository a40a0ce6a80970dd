#include "db/SignatureTsv.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <iterator>

#include "db/InvalFileDB.h"
#include "platform/Utf8.h"
#include "db/InvalFileInfo.h"
#include "platform/Encoding.h"
#include "util/ShiftJis.h"
#include "util/TabFields.h"

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kNanPrefix = "nan:";
constexpr size_t kColumns = 8;

void AppendHexByte(std::string& out, unsigned char byte) {
  out += "\\x";
  out.push_back(kHexDigits[byte >> 4]);
  out.push_back(kHexDigits[byte & 0x0F]);
}

// An ASCII byte as it stands in a field.
void AppendAscii(std::string& out, unsigned char c) {
  switch (c) {
    case '\t': out += "\\t"; break;
    case '\r': out += "\\r"; break;
    case '\n': out += "\\n"; break;
    case '\\': out += "\\\\"; break;
    default:
      if (c < 0x20 || c == 0x7F) {
        AppendHexByte(out, c);
      } else {
        out.push_back(static_cast<char>(c));
      }
  }
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string FormatDays(double days) {
  if (std::isnan(days)) {
    // Its bits, since neither the sign nor the payload of a NaN survives a decimal text.
    const uint64_t bits = std::bit_cast<uint64_t>(days);
    std::string text(kNanPrefix);
    for (int shift = 60; shift >= 0; shift -= 4) text.push_back(kHexDigits[(bits >> shift) & 0x0F]);
    return text;
  }
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, days);
  return std::string(buffer, result.ptr);
}

bool ParseDays(std::string_view text, double* days) {
  if (text.starts_with(kNanPrefix)) {
    const std::string_view digits = text.substr(kNanPrefix.size());
    if (digits.size() != 16) return false;
    uint64_t bits = 0;
    for (char c : digits) {
      const int value = HexValue(c);
      if (value < 0) return false;
      bits = bits << 4 | static_cast<uint64_t>(value);
    }
    *days = std::bit_cast<double>(bits);
    return true;
  }
  const char* end = text.data() + text.size();
  const auto result = std::from_chars(text.data(), end, *days);
  return !text.empty() && result.ec == std::errc() && result.ptr == end;
}

bool ParseStatus(std::string_view text, int32_t* status) {
  const char* end = text.data() + text.size();
  const auto result = std::from_chars(text.data(), end, *status);
  return !text.empty() && result.ec == std::errc() && result.ptr == end;
}

// "U+XXXX" of one valid UTF-8 character.
std::string CodePoint(std::string_view character) {
  char text[16];
  std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(platform::utf8::Decode(character, 0, character.size())));
  return text;
}

// Why a run of UTF-8 does not come back from CP932 as it was.
std::string WhyNotExact(std::string_view run) {
  static constexpr char kNoCode[] = "not UTF-8, or a character that Shift_JIS (CP932) cannot hold";
  if (!platform::IsValidUtf8(run)) return kNoCode;
  for (size_t i = 0, n = 1; i < run.size(); i += n) {
    const unsigned char lead = static_cast<unsigned char>(run[i]);
    n = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    const std::string_view character = run.substr(i, n);
    const std::string code = platform::Utf8ToCp932(character);
    const std::string back = platform::Cp932ToUtf8(code);
    if (back == character) continue;
    if (code == "?") return kNoCode;
    return CodePoint(character) + ": Shift_JIS (CP932) holds it only as " + CodePoint(back) +
           ", and it would not come back as it is";
  }
  return kNoCode;
}

bool ParseRecord(std::string_view line, std::shared_ptr<InvalFileInfo>* record, std::string* error) {
  const std::vector<std::string_view> fields = SplitTabFields(line);
  if (fields.size() != kColumns) {
    *error = "expected " + std::to_string(kColumns) + " TAB-separated fields, found " + std::to_string(fields.size());
    return false;
  }
  static constexpr const char* kNames[kColumns] = {"category", "name",   "risk_level",   "created",
                                                   "created_status", "author", "search_bytes", "summary"};
  std::string texts[kColumns];
  for (size_t i : {0, 1, 2, 5, 7}) {
    if (!SignatureTsv::DecodeText(fields[i], &texts[i], error)) {
      *error = std::string(kNames[i]) + ": " + *error;
      return false;
    }
  }
  OleDate date;
  if (!ParseDays(fields[3], &date.days)) {
    *error = "created: not a number";
    return false;
  }
  if (!ParseStatus(fields[4], &date.status)) {
    *error = "created_status: not a whole number";
    return false;
  }
  std::vector<uint8_t> bytes;
  if (!InvalFileInfo::HexToBytes(std::string(fields[6]), &bytes)) {
    *error = "search_bytes: not an even number of hex digits";
    return false;
  }
  auto parsed = std::make_shared<InvalFileInfo>();
  parsed->SetFromBytes(texts[1], texts[0], texts[2], date, texts[5], bytes.data(), static_cast<int32_t>(bytes.size()),
                       texts[7]);
  *record = std::move(parsed);
  return true;
}

}  // namespace

std::string SignatureTsv::EncodeText(std::string_view cp932) {
  std::string out;
  out.reserve(cp932.size() + cp932.size() / 2);
  // Most texts convert whole; the conversion has no state, so a text that comes back the
  // same came back the same in every character. UTF-8 bytes above ASCII are never a
  // control or a backslash.
  if (!platform::IsPlainAscii(cp932)) {
    const std::string utf8 = platform::Cp932ToUtf8(cp932);
    if (platform::Utf8ToCp932(utf8) == cp932) {
      for (unsigned char c : utf8) AppendAscii(out, c);
      return out;
    }
  }
  for (size_t i = 0; i < cp932.size();) {
    const unsigned char c = static_cast<unsigned char>(cp932[i]);
    if (c < 0x80) {
      AppendAscii(out, c);
      ++i;
      continue;
    }
    const std::string_view piece = cp932.substr(i, shiftjis::CharSize(cp932, i));
    const std::string utf8 = platform::Cp932ToUtf8(piece);
    // A character made of a lead byte and an ASCII byte that is no second byte (a control,
    // say) fails here and goes out as bytes: nothing raw can split a field.
    const bool converts = platform::Utf8ToCp932(utf8) == piece &&
                          std::none_of(utf8.begin(), utf8.end(), [](char b) { return (b & 0x80) == 0; });
    if (converts) {
      out += utf8;
    } else {
      for (unsigned char b : piece) AppendHexByte(out, b);
    }
    i += piece.size();
  }
  return out;
}

bool SignatureTsv::DecodeText(std::string_view field, std::string* cp932, std::string* error) {
  std::string out;
  size_t runStart = 0;
  // A run of UTF-8 between escapes. It must come back from CP932 as it was: a character
  // CP932 cannot hold becomes "?", and one it holds only as another character (U+00A5 as
  // the backslash, U+301C as U+FF5E) would be stored as that one, so that two names of one
  // file could fall onto one record. What an export writes always comes back.
  auto flush = [&](size_t end) {
    const std::string_view run = field.substr(runStart, end - runStart);
    if (platform::IsPlainAscii(run)) {
      out += run;
      return true;
    }
    const std::string converted = platform::Utf8ToCp932(run);
    if (platform::Cp932ToUtf8(converted) != run) {
      *error = WhyNotExact(run);
      return false;
    }
    out += converted;
    return true;
  };
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] != '\\') continue;
    if (!flush(i)) return false;
    const char kind = i + 1 < field.size() ? field[i + 1] : '\0';
    size_t length = 2;
    switch (kind) {
      case 't': out.push_back('\t'); break;
      case 'r': out.push_back('\r'); break;
      case 'n': out.push_back('\n'); break;
      case '\\': out.push_back('\\'); break;
      case 'x': {
        const int high = i + 2 < field.size() ? HexValue(field[i + 2]) : -1;
        const int low = i + 3 < field.size() ? HexValue(field[i + 3]) : -1;
        if (high < 0 || low < 0) {
          *error = "\\x needs two hex digits";
          return false;
        }
        out.push_back(static_cast<char>(high * 16 + low));
        length = 4;
        break;
      }
      default:
        *error = "a backslash that starts no escape (\\t \\r \\n \\\\ \\xHH)";
        return false;
    }
    i += length - 1;
    runStart = i + 1;
  }
  if (!flush(field.size())) return false;
  if (out.find('\0') != std::string::npos) {
    *error = "a text cannot hold a NUL byte";
    return false;
  }
  cp932->swap(out);
  return true;
}

std::string SignatureTsv::Line(const InvalFileInfo& record) {
  const OleDate& date = record.CreatedDate();
  std::string line;
  line += EncodeText(record.Category());
  line += '\t';
  line += EncodeText(record.Name());
  line += '\t';
  line += EncodeText(record.RiskLevel());
  line += '\t';
  line += FormatDays(date.days);
  line += '\t';
  line += std::to_string(date.status);
  line += '\t';
  line += EncodeText(record.Author());
  line += '\t';
  line += record.GetSearchText();
  line += '\t';
  line += EncodeText(record.Summary());
  line += '\n';
  return line;
}

std::string SignatureTsv::Export(const InvalFileDB& store) {
  std::string text(kHeader);
  text += '\n';
  store.ForEachRecord([&](const std::shared_ptr<InvalFileInfo>& record) { text += Line(*record); });
  return text;
}

bool SignatureTsv::Parse(std::string_view text, std::vector<std::shared_ptr<InvalFileInfo>>* records,
                         size_t* errorLine, std::string* error) {
  if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
  std::vector<std::shared_ptr<InvalFileInfo>> parsed;
  size_t lineNumber = 0;
  bool headerSeen = false;
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    ++lineNumber;
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (!headerSeen) {
      if (line != kHeader) {
        *errorLine = lineNumber;
        *error = "not the header line of a signature export";
        return false;
      }
      headerSeen = true;
      continue;
    }
    std::shared_ptr<InvalFileInfo> record;
    if (!ParseRecord(line, &record, error)) {
      *errorLine = lineNumber;
      return false;
    }
    parsed.push_back(std::move(record));
  }
  if (!headerSeen) {
    *errorLine = 1;
    *error = "empty: no header line";
    return false;
  }
  records->swap(parsed);
  return true;
}

bool SignatureTsv::SameContents(const InvalFileInfo& a, const InvalFileInfo& b) {
  const OleDate& da = a.CreatedDate();
  const OleDate& db = b.CreatedDate();
  return a.Category() == b.Category() && a.Name() == b.Name() && a.RiskLevel() == b.RiskLevel() &&
         std::bit_cast<uint64_t>(da.days) == std::bit_cast<uint64_t>(db.days) && da.status == db.status &&
         a.Author() == b.Author() && a.Summary() == b.Summary() &&
         std::equal(a.SearchBytes(), a.SearchBytes() + a.SearchLength(), b.SearchBytes(),
                    b.SearchBytes() + b.SearchLength());
}
