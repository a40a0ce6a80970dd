#include "platform/Cp932Table.h"

#include <iconv.h>

#include <atomic>
#include <string>

#include "platform/Utf8.h"

namespace platform::cp932_table {
namespace {

// A converter per direction and thread; iconv_t is not safe to share between threads.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts the whole input; false when any part does not convert.
  bool Convert(const std::string& in, std::string& out) {
    out.clear();
    if (cd_ == reinterpret_cast<iconv_t>(-1)) return false;
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char buffer[16];
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char* dst = buffer;
    size_t dstLeft = sizeof buffer;
    if (iconv(cd_, &src, &srcLeft, &dst, &dstLeft) == static_cast<size_t>(-1) || srcLeft != 0) return false;
    if (iconv(cd_, nullptr, nullptr, &dst, &dstLeft) == static_cast<size_t>(-1)) return false;
    out.assign(buffer, dst);
    return true;
  }

 private:
  iconv_t cd_;
};

// The code point of one whole UTF-8 character, or kNone.
uint32_t CodePointOf(const std::string& text) {
  if (text.empty()) return kNone;
  const unsigned char c = static_cast<unsigned char>(text[0]);
  const size_t n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
  return text.size() == n ? utf8::Decode(text, 0, n) : kNone;
}

uint32_t ProbeDecode(uint16_t code) {
  thread_local Converter toUtf8("UTF-8", "CP932");
  std::string in, out;
  if (code > 0xFF) in.push_back(static_cast<char>(code >> 8));
  in.push_back(static_cast<char>(code & 0xFF));
  return toUtf8.Convert(in, out) ? CodePointOf(out) : kNone;
}

uint32_t ProbeEncode(uint32_t cp) {
  thread_local Converter toCp932("CP932", "UTF-8");
  std::string in, out;
  utf8::Append(in, cp);
  if (!toCp932.Convert(in, out)) return kNone;
  if (out.size() == 1) return static_cast<unsigned char>(out[0]);
  if (out.size() == 2) return static_cast<unsigned char>(out[0]) << 8 | static_cast<unsigned char>(out[1]);
  return kNone;
}

// Entries hold the answer + 1, or kNone; 0 means not asked yet. Two threads asking at once store
// the same answer.
std::atomic<uint32_t> decoded[0x10000];
std::atomic<uint32_t> encoded[0x10000];

template <typename Probe>
uint32_t Remembered(std::atomic<uint32_t>& entry, uint32_t key, Probe probe) {
  uint32_t value = entry.load(std::memory_order_relaxed);
  if (value == 0) {
    const uint32_t answer = probe(key);
    value = answer == kNone ? kNone : answer + 1;
    entry.store(value, std::memory_order_relaxed);
  }
  return value == kNone ? kNone : value - 1;
}

}  // namespace

uint32_t Decode(uint16_t code) {
  return Remembered(decoded[code], code, [](uint32_t c) { return ProbeDecode(static_cast<uint16_t>(c)); });
}

uint32_t Encode(uint32_t codePoint) {
  if (codePoint >= 0xD800 && codePoint <= 0xDFFF) return kNone;
  if (codePoint >= 0x10000) return ProbeEncode(codePoint);
  return Remembered(encoded[codePoint], codePoint, ProbeEncode);
}

}  // namespace platform::cp932_table
