// File-name conversion between the file system's bytes and CP932. A name (any bytes but
// NUL and "/", which no name holds) must come back byte for byte, and its CP932 form must
// stay one path component: no NUL, no "/", no double-byte character cut at its end or
// paired with a byte that a separator could be taken for. The other way, any CP932 text
// (a path typed or read from the settings) must not gain path syntax on its way to the
// file system: no NUL, "/" or "." that was not a character of its own in the text.
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "platform/Encoding.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string name;
  name.reserve(size);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] != '\0' && data[i] != '/') name.push_back(static_cast<char>(data[i]));
  }

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

  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::string os = platform::Cp932ToOsName(text);
  for (char syntax : {'\0', '/', '.'}) {
    size_t own = 0;
    for (size_t i = 0; i < text.size();) {
      const bool pair = platform::IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size();
      if (!pair && text[i] == syntax) ++own;
      i += pair ? 2 : 1;
    }
    size_t converted = 0;
    for (char c : os) converted += c == syntax ? 1 : 0;
    FUZZ_CHECK(converted <= own);
  }
  return 0;
}
