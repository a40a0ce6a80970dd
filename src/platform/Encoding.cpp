#include "platform/Encoding.h"

#include <iconv.h>


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

// A converter per direction and thread; iconv_t is not safe to share between threads.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  // Converts the whole input; false when any part does not convert.
  bool Convert(std::string_view in, std::string& out) {
    out.clear();
    if (cd_ == reinterpret_cast<iconv_t>(-1)) return false;
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    out.resize(in.size() * 4 + 8);
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char* dst = out.data();
    size_t dstLeft = out.size();
    size_t r = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
    if (r == static_cast<size_t>(-1) || srcLeft != 0) return false;
    if (iconv(cd_, nullptr, nullptr, &dst, &dstLeft) == static_cast<size_t>(-1)) return false;
    out.resize(out.size() - dstLeft);
    return true;
  }

 private:
  iconv_t cd_;
};

Converter& ToUtf8() {
  thread_local Converter c("UTF-8", "CP932");
  return c;
}
Converter& ToCp932() {
  thread_local Converter c("CP932", "UTF-8");
  return c;
}

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

}  // namespace

bool IsValidUtf8(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    const size_t n = Utf8SequenceLength(text, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

std::string Cp932ToUtf8(std::string_view cp932) {
  std::string out;
  if (ToUtf8().Convert(cp932, out)) return out;
  // Slow path: convert character by character, replacing what glibc refuses.
  std::string result, piece;
  for (size_t i = 0; i < cp932.size();) {
    size_t n = (IsLeadByte(static_cast<unsigned char>(cp932[i])) && i + 1 < cp932.size()) ? 2 : 1;
    if (ToUtf8().Convert(cp932.substr(i, n), piece)) result += piece;
    else result += "\xEF\xBF\xBD";
    i += n;
  }
  return result;
}

std::string Utf8ToCp932(std::string_view utf8) {
  std::string out;
  if (ToCp932().Convert(utf8, out)) return out;
  std::string result, piece;
  for (size_t i = 0; i < utf8.size();) {
    size_t n = Utf8SequenceLength(utf8, i);
    if (n == 0) {
      result += '?';
      ++i;
      continue;
    }
    if (ToCp932().Convert(utf8.substr(i, n), piece)) result += piece;
    else result += '?';
    i += n;
  }
  return result;
}

// Whether a private-use character (which always travels escaped) may be in the name.
bool MayHoldPrivateUse(std::string_view os) {
  for (size_t i = 0; i < os.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(os[i]);
    if (c == 0xEE || (c == 0xEF && i + 1 < os.size() && static_cast<unsigned char>(os[i + 1]) <= 0xA3)) return true;
  }
  return false;
}

std::string OsNameToCp932(std::string_view os) {
  if (IsPlainAscii(os)) return std::string(os);
  std::string result, piece, back;
  // Most names convert whole. The mapping goes character by character without state, so a
  // name that comes back unchanged came back unchanged in every character: the same result
  // as below, for two conversions instead of two per character.
  if (!MayHoldPrivateUse(os) && ToCp932().Convert(os, result) && ToUtf8().Convert(result, back) && back == os) {
    return result;
  }
  result.clear();
  result.reserve(os.size());
  for (size_t i = 0; i < os.size();) {
    unsigned char c = static_cast<unsigned char>(os[i]);
    if (c < 0x80 && c != 0x5C && c != 0x7E) {  // plain ASCII is the same in CP932
      result.push_back(static_cast<char>(c));
      ++i;
      continue;
    }
    size_t n = Utf8SequenceLength(os, i);
    std::string_view seq = os.substr(i, n == 0 ? 1 : n);
    bool ok = n != 0 && !IsPrivateUse(seq) && ToCp932().Convert(seq, piece) &&
              ToUtf8().Convert(piece, back) && back == seq;
    if (ok) {
      result += piece;
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
