#include "settings/IniFileEncoding.h"

#include <cstdint>

#include "platform/Encoding.h"

namespace ini_encoding {

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";

uint16_t UnitAt(std::string_view text, size_t i, Encoding encoding) {
  const auto first = static_cast<unsigned char>(text[i]);
  const auto second = static_cast<unsigned char>(text[i + 1]);
  return static_cast<uint16_t>(encoding == Encoding::kUtf16Le ? first | second << 8 : first << 8 | second);
}

void AppendUnit(std::string& out, uint32_t unit, Encoding encoding) {
  const char high = static_cast<char>(unit >> 8);
  const char low = static_cast<char>(unit & 0xFF);
  if (encoding == Encoding::kUtf16Le) {
    out.push_back(low);
    out.push_back(high);
  } else {
    out.push_back(high);
    out.push_back(low);
  }
}

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | cp >> 6));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | cp >> 12));
    out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | cp >> 18));
    out.push_back(static_cast<char>(0x80 | (cp >> 12 & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// Every code unit below 0x80; text holds whole units.
bool IsAsciiUtf16(std::string_view text, Encoding encoding) {
  for (size_t i = 0; i < text.size(); i += 2) {
    if (UnitAt(text, i, encoding) >= 0x80) return false;
  }
  return true;
}

// An unpaired surrogate, like a cut last byte, reads as U+FFFD.
std::string Utf16ToUtf8(std::string_view line, Encoding encoding) {
  std::string out;
  const size_t units = line.size() / 2;
  for (size_t u = 0; u < units; ++u) {
    uint32_t cp = UnitAt(line, 2 * u, encoding);
    if (cp >= 0xD800 && cp <= 0xDBFF && u + 1 < units) {
      const uint32_t next = UnitAt(line, 2 * (u + 1), encoding);
      if (next >= 0xDC00 && next <= 0xDFFF) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (next - 0xDC00);
        ++u;
      }
    }
    if (cp >= 0xD800 && cp <= 0xDFFF) cp = 0xFFFD;
    AppendUtf8(out, cp);
  }
  if (line.size() % 2 != 0) AppendUtf8(out, 0xFFFD);
  return out;
}

// utf8 is well formed: it comes from the CP932 conversion.
std::string Utf8ToUtf16(std::string_view utf8, Encoding encoding) {
  std::string out;
  for (size_t i = 0; i < utf8.size();) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    const size_t length = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    uint32_t cp = length == 1 ? c : length == 2 ? c & 0x1F : length == 3 ? c & 0x0F : c & 0x07;
    for (size_t k = 1; k < length && i + k < utf8.size(); ++k) cp = cp << 6 | (utf8[i + k] & 0x3F);
    i += length;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      AppendUnit(out, 0xD800 + (cp >> 10), encoding);
      AppendUnit(out, 0xDC00 + (cp & 0x3FF), encoding);
    } else {
      AppendUnit(out, cp, encoding);
    }
  }
  return out;
}

}  // namespace

Encoding Detect(std::string_view bytes, size_t* markSize) {
  for (Encoding encoding : {Encoding::kUtf8, Encoding::kUtf16Le, Encoding::kUtf16Be}) {
    if (bytes.starts_with(Mark(encoding))) {
      *markSize = Mark(encoding).size();
      return encoding;
    }
  }
  *markSize = 0;
  return Encoding::kCp932;
}

std::string_view Mark(Encoding encoding) {
  switch (encoding) {
    case Encoding::kUtf8: return kUtf8Mark;
    case Encoding::kUtf16Le: return kUtf16LeMark;
    case Encoding::kUtf16Be: return kUtf16BeMark;
    case Encoding::kCp932: break;
  }
  return {};
}

size_t CountLines(std::string_view text, Encoding encoding) {
  if (encoding == Encoding::kCp932 || encoding == Encoding::kUtf8) {
    // Every LF ends a line, and every CR not followed by one; a last line may have no end.
    size_t ends = 0;
    for (size_t i = text.find('\n'); i != std::string_view::npos; i = text.find('\n', i + 1)) ++ends;
    for (size_t i = text.find('\r'); i != std::string_view::npos; i = text.find('\r', i + 1)) {
      if (i + 1 == text.size() || text[i + 1] != '\n') ++ends;
    }
    const char last = text.empty() ? '\n' : text.back();
    return ends + (last == '\r' || last == '\n' ? 0 : 1);
  }
  size_t count = 0;
  ForEachLine(text, encoding, [&count](std::string_view) { ++count; });
  return count;
}

namespace detail {

uint32_t Utf16UnitAt(std::string_view text, size_t i, Encoding encoding) { return UnitAt(text, i, encoding); }

}  // namespace detail

std::string ToCp932(std::string_view line, Encoding encoding) {
  switch (encoding) {
    case Encoding::kUtf8: return platform::Utf8ToCp932(line);
    case Encoding::kUtf16Le:
    case Encoding::kUtf16Be: return platform::Utf8ToCp932(Utf16ToUtf8(line, encoding));
    case Encoding::kCp932: break;
  }
  return std::string(line);
}

void AppendCp932(std::string_view line, Encoding encoding, std::string* out) {
  // Plain ASCII is the same in UTF-8 and CP932: most lines of a UTF-8 file cost no copy.
  if (encoding == Encoding::kUtf8 && platform::IsPlainAscii(line)) {
    out->append(line);
    return;
  }
  // Likewise a UTF-16 line of ASCII units only (no odd last byte) is its units' low bytes,
  // taken without the two conversions and their copies.
  if ((encoding == Encoding::kUtf16Le || encoding == Encoding::kUtf16Be) && line.size() % 2 == 0 &&
      IsAsciiUtf16(line, encoding)) {
    const size_t at = out->size();
    out->resize(at + line.size() / 2);
    char* to = out->data() + at;
    for (size_t i = encoding == Encoding::kUtf16Le ? 0 : 1; i < line.size(); i += 2) *to++ = line[i];
    return;
  }
  out->append(ToCp932(line, encoding));
}

bool FromCp932(std::string_view line, Encoding encoding, std::string* out) {
  if (encoding == Encoding::kCp932) {
    *out = line;
    return true;
  }
  std::string utf8 = platform::Cp932ToUtf8(line);
  if (platform::Utf8ToCp932(utf8) != line) return false;
  *out = encoding == Encoding::kUtf8 ? std::move(utf8) : Utf8ToUtf16(utf8, encoding);
  return true;
}

std::string_view LineEnd(Encoding encoding) {
  switch (encoding) {
    case Encoding::kUtf16Le: return std::string_view("\r\0\n\0", 4);
    case Encoding::kUtf16Be: return std::string_view("\0\r\0\n", 4);
    default: return "\r\n";
  }
}

}  // namespace ini_encoding
