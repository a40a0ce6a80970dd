#include "platform/Encoding.h"

#include <gtest/gtest.h>

using platform::Cp932ToOsName;
using platform::Cp932ToUtf8;
using platform::OsNameToCp932;
using platform::Utf8ToCp932;

TEST(EncodingTest, JapaneseRoundTripsThroughCp932) {
  std::string utf8 = "表ソ不正ﾌｧｲﾙ.txt";
  std::string cp = Utf8ToCp932(utf8);
  EXPECT_EQ(cp, "\x95\x5C\x83\x5C\x95\x73\x90\xB3\xCC\xA7\xB2\xD9.txt");
  EXPECT_EQ(Cp932ToUtf8(cp), utf8);
  EXPECT_EQ(OsNameToCp932(utf8), cp);
  EXPECT_EQ(Cp932ToOsName(cp), utf8);
}

TEST(EncodingTest, NamesCp932CannotHoldAreKeptLosslessly) {
  const std::string names[] = {
      "bad\xff\xfe.bin",           // invalid UTF-8
      "emoji\xF0\x9F\x98\x80.txt",  // outside CP932
      "yen\xC2\xA5.txt",            // converts to 0x5C and would come back as a backslash
      "wave\xE3\x80\x9C.txt",       // U+301C comes back as U+FF5E
      "pua\xEE\x80\x81.txt",        // a real private-use character
      "tab\tnew\nline",
  };
  for (const std::string& name : names) {
    std::string cp = OsNameToCp932(name);
    EXPECT_EQ(Cp932ToOsName(cp), name) << name;
    // No two names may share one CP932 form.
    for (const std::string& other : names)
      if (other != name) {
        EXPECT_NE(OsNameToCp932(other), cp);
      }
  }
}

TEST(EncodingTest, DisplayConversionReplacesWhatDoesNotConvert) {
  EXPECT_EQ(Cp932ToUtf8("a\x80" "b"), "a\xEF\xBF\xBD" "b");
  EXPECT_EQ(Utf8ToCp932("a\xF0\x9F\x98\x80" "b"), "a?b");
}
