// File-name conversion between the file system's bytes and CP932. A name (any bytes but
// NUL and "/", which no name holds) must come back byte for byte, and its CP932 form must
// stay one path component: no NUL, no "/", no double-byte character cut at its end or
// paired with a byte that a separator could be taken for. The other way, any CP932 text
// (a path typed or read from the settings) must not gain path syntax on its way to the
// file system: no NUL, "/" or "." that was not a character of its own in the text.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "platform/Encoding.h"

namespace {

// The name made of the input, kept between runs so that a run allocates nothing for it.
std::string name;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  name.assign(text);
  name.erase(std::remove_if(name.begin(), name.end(), [](char c) { return c == '\0' || c == '/'; }), name.end());

  const std::string cp932 = platform::OsNameToCp932(name);
  FUZZ_CHECK(platform::Cp932ToOsName(cp932) == name);
  FUZZ_CHECK(cp932.find('\0') == std::string::npos);
  FUZZ_CHECK(cp932.find('/') == std::string::npos);
  for (size_t i = 0; i < cp932.size();) {
    if (platform::IsLeadByte(static_cast<unsigned char>(cp932[i]))) {
      FUZZ_CHECK(i + 1 < cp932.size());
      FUZZ_CHECK(static_cast<unsigned char>(cp932[i + 1]) >= 0x40);
      i += 2;
    } else {
      ++i;
    }
  }

  // The NULs, "/" and "." that are characters of their own in the text, counted in one walk.
  const std::string os = platform::Cp932ToOsName(text);
  constexpr char kSyntax[] = {'\0', '/', '.'};
  size_t own[3] = {0, 0, 0};
  for (size_t i = 0; i < text.size();) {
    if (platform::IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) {
      i += 2;
      continue;
    }
    for (size_t k = 0; k < 3; ++k) own[k] += text[i] == kSyntax[k] ? 1 : 0;
    ++i;
  }
  for (size_t k = 0; k < 3; ++k) {
    FUZZ_CHECK(static_cast<size_t>(std::count(os.begin(), os.end(), kSyntax[k])) <= own[k]);
  }
  return 0;
}
