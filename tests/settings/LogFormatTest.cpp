#include "settings/LogFormat.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/Encoding.h"

namespace {

std::string Sjis(const char* utf8) { return platform::Utf8ToCp932(utf8); }

// A name's control characters never start a line or a field of their own, and a name
// without them is written byte for byte: 表 and ソ end in 0x5C, the byte of a backslash.
TEST(LogFormatTest, HitLineEscapesControlCharactersOfNamesOnly) {
  const struct {
    std::string fileName, folder, expectedStart;
  } cases[] = {
      {Sjis("表ソ.exe"), Sjis("C:\\data\\表"), Sjis("表ソ.exe\tC:\\data\\表\t")},
      {"a\tb\r\nc.exe", "/x\x1b[2J", "a\\tb\\r\\nc.exe\t/x\\x1B[2J\t"},
      {"\x01\x1f\x7f", "/", "\\x01\\x1F\\x7F\t/\t"},
      // A lead byte without a valid second byte does not hide the line break after it.
      {"\x81\n", "/\x81", "\x81\\n\t/\x81\t"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LogHitLine(c.fileName, c.folder, "N", "C", 0, "R"), c.expectedStart + "N\tC\t0\tR\r\n") << c.expectedStart;
  }
  // A signature named after a registered sample file can hold them as well.
  EXPECT_EQ(LogHitLine("f", "/", "a\nb", "c\td", 0, "R"), "f\t/\ta\\nb\tc\\td\t0\tR\r\n");
}

}  // namespace
