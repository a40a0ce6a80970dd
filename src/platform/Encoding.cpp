#include "platform/Encoding.h"

#include "platform/Cp932Table.h"
#include "platform/Utf8.h"

namespace platform {
namespace {

// The user-defined area F040..F9FC runs 188 codes per lead byte (trail 40-7E, 80-FC).
// Escaped raw bytes take its first 256 codes: byte b sits at index b.
constexpr int kTrailsPerLead = 188;

void AppendEscapedByte(std::string& out, unsigned char b) {
  int lead = 0xF0 + b / kTrailsPerLead;
  int t = b % kTrailsPerLead;
  int trail = t < 63 ? 0x40 + t : 0x80 + (t - 63);
  out.push_back(static_cast<char>(lead));
  out.push_back(static_cast<char>(trail));
}

// Index into the user-defined area of a CP932 pair, or -1 when it is not one.
int UserDefinedIndex(unsigned char lead, unsigned char trail) {
  if (lead < 0xF0 || lead > 0xF9) return -1;
  int t;
  if (trail >= 0x40 && trail <= 0x7E) t = trail - 0x40;
  else if (trail >= 0x80 && trail <= 0xFC) t = trail - 0x80 + 63;
  else return -1;
  return (lead - 0xF0) * kTrailsPerLead + t;
}

// The bytes OsNameToCp932 can have escaped: those above ASCII, and the backslash and tilde
// it sends through the table. Other codes of the area are ordinary characters: read as raw
// bytes they would turn a typed name into ".", "/" or NUL, path syntax it never had.
bool IsEscapedByte(int index) { return index >= 0x80 ? index < 256 : index == 0x5C || index == 0x7E; }

// Length of the UTF-8 sequence starting at s[i], or 0 when it is not a valid one.
size_t Utf8SequenceLength(std::string_view s, size_t i) {
  unsigned char c = static_cast<unsigned char>(s[i]);
  size_t n;
  unsigned int cp;
  if (c < 0x80) return 1;
  if (c >= 0xC2 && c <= 0xDF) { n = 2; cp = c & 0x1F; }
  else if (c >= 0xE0 && c <= 0xEF) { n = 3; cp = c & 0x0F; }
  else if (c >= 0xF0 && c <= 0xF4) { n = 4; cp = c & 0x07; }
  else return 0;
  if (i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    unsigned char cc = static_cast<unsigned char>(s[i + k]);
    if ((cc & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (cc & 0x3F);
  }
  if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF))) return 0;
  if (cp >= 0xD800 && cp <= 0xDFFF) return 0;
  return n;
}

bool IsPrivateUse(std::string_view seq) {
  // U+E000..U+F8FF encode as EE 80 80 .. EF A3 BF.
  if (seq.size() != 3) return false;
  unsigned char a = static_cast<unsigned char>(seq[0]);
  unsigned char b = static_cast<unsigned char>(seq[1]);
  return a == 0xEE || (a == 0xEF && b <= 0xA3);
}

void AppendCode(std::string& out, uint32_t code) {
  if (code > 0xFF) out.push_back(static_cast<char>(code >> 8));
  out.push_back(static_cast<char>(code & 0xFF));
}

// The length of the CP932 character at cp932[i]: a lead byte takes the next byte.
size_t Cp932CharSize(std::string_view cp932, size_t i) {
  return IsLeadByte(static_cast<unsigned char>(cp932[i])) && i + 1 < cp932.size() ? 2 : 1;
}

uint16_t Cp932CodeAt(std::string_view cp932, size_t i, size_t n) {
  const unsigned char lead = static_cast<unsigned char>(cp932[i]);
  return n == 2 ? static_cast<uint16_t>(lead << 8 | static_cast<unsigned char>(cp932[i + 1])) : lead;
}

}  // namespace

bool IsValidUtf8(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    const size_t n = Utf8SequenceLength(text, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

// The converter maps character by character, without state, so a text converts as its
// characters do one by one; each character's answer is looked up, not converted again.
std::string Cp932ToUtf8(std::string_view cp932) {
  if (IsPlainAscii(cp932)) return std::string(cp932);
  std::string result;
  result.reserve(cp932.size() * 3 / 2);
  for (size_t i = 0; i < cp932.size();) {
    const size_t n = Cp932CharSize(cp932, i);
    const uint32_t cp = cp932_table::Decode(Cp932CodeAt(cp932, i, n));
    if (cp == cp932_table::kNone) result += "\xEF\xBF\xBD";
    else utf8::Append(result, cp);
    i += n;
  }
  return result;
}

std::string Utf8ToCp932(std::string_view utf8) {
  if (IsPlainAscii(utf8)) return std::string(utf8);
  std::string result;
  result.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    const size_t n = Utf8SequenceLength(utf8, i);
    const uint32_t code = n == 0 ? cp932_table::kNone : cp932_table::Encode(utf8::Decode(utf8, i, n));
    if (code == cp932_table::kNone) result += '?';
    else AppendCode(result, code);
    i += n == 0 ? 1 : n;
  }
  return result;
}

std::string OsNameToCp932(std::string_view os) {
  if (IsPlainOsName(os)) return std::string(os);
  std::string result;
  result.reserve(os.size());
  for (size_t i = 0; i < os.size();) {
    unsigned char c = static_cast<unsigned char>(os[i]);
    if (c < 0x80 && c != 0x5C && c != 0x7E) {  // plain ASCII is the same in CP932
      result.push_back(static_cast<char>(c));
      ++i;
      continue;
    }
    if (c == 0x5C) {  // see IsPlainOsName
      AppendEscapedByte(result, c);
      ++i;
      continue;
    }
    // A character passes as itself only when it comes back unchanged; anything else
    // travels as escaped bytes.
    const size_t n = Utf8SequenceLength(os, i);
    const std::string_view seq = os.substr(i, n == 0 ? 1 : n);
    uint32_t code = cp932_table::kNone;
    if (n != 0 && !IsPrivateUse(seq)) {
      const uint32_t cp = utf8::Decode(os, i, n);
      code = cp932_table::Encode(cp);
      if (code != cp932_table::kNone && cp932_table::Decode(static_cast<uint16_t>(code)) != cp) code = cp932_table::kNone;
    }
    if (code != cp932_table::kNone) {
      AppendCode(result, code);
    } else {
      for (unsigned char b : seq) AppendEscapedByte(result, b);
    }
    i += seq.size();
  }
  return result;
}

std::string Cp932ToOsName(std::string_view cp) {
  if (IsPlainAscii(cp)) return std::string(cp);
  std::string result;
  result.reserve(cp.size());
  size_t runStart = 0;
  auto flush = [&](size_t end) {
    if (end > runStart) {
      std::string_view run = cp.substr(runStart, end - runStart);
      result += Cp932ToUtf8(run);
    }
  };
  for (size_t i = 0; i < cp.size();) {
    unsigned char c = static_cast<unsigned char>(cp[i]);
    if (IsLeadByte(c) && i + 1 < cp.size()) {
      int idx = UserDefinedIndex(c, static_cast<unsigned char>(cp[i + 1]));
      if (idx >= 0 && IsEscapedByte(idx)) {
        flush(i);
        result.push_back(static_cast<char>(idx));
        i += 2;
        runStart = i;
        continue;
      }
      i += 2;
    } else {
      ++i;
    }
  }
  flush(cp.size());
  return result;
}

}  // namespace platform
