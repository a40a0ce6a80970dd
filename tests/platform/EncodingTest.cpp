#include "platform/Encoding.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <cstdint>
#include <string>

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
      "tab\\tnew\\nline",  // backslashes of its own
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
  // A name's own backslash is no single byte there: in the log that byte only ever starts an
  // escape, so "tab\\t" and "tab<TAB>" give different lines.
  EXPECT_EQ(OsNameToCp932("tab\\tnew").find('\\'), std::string::npos);
}

TEST(EncodingTest, DisplayConversionReplacesWhatDoesNotConvert) {
  EXPECT_EQ(Cp932ToUtf8("a\x80" "b"), "a\xEF\xBF\xBD" "b");
  EXPECT_EQ(Utf8ToCp932("a\xF0\x9F\x98\x80" "b"), "a?b");
}

namespace {

// The C library's converter over a whole text, as the reference the lookups must match.
bool Reference(const char* to, const char* from, const std::string& in, std::string* out) {
  iconv_t cd = iconv_open(to, from);
  char buffer[64];
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  char* dst = buffer;
  size_t dstLeft = sizeof buffer;
  const bool ok = iconv(cd, &src, &srcLeft, &dst, &dstLeft) != static_cast<size_t>(-1) && srcLeft == 0;
  iconv_close(cd);
  out->assign(buffer, dst);
  return ok;
}

std::string Utf8(uint32_t cp) {
  std::string s;
  if (cp < 0x80) return std::string(1, static_cast<char>(cp));
  if (cp < 0x800) return {static_cast<char>(0xC0 | cp >> 6), static_cast<char>(0x80 | (cp & 0x3F))};
  return {static_cast<char>(0xE0 | cp >> 12), static_cast<char>(0x80 | (cp >> 6 & 0x3F)),
          static_cast<char>(0x80 | (cp & 0x3F))};
}

}  // namespace

// Every CP932 code and every character of the basic plane, with a neighbour on each side
// so that a lookup which loses its place in the text shows, against the converter itself.
TEST(EncodingTest, EveryCharacterConvertsAsTheConverterDoes) {
  std::string expected;
  int mismatches = 0;
  for (uint32_t code = 0x20; code <= 0xFFFF && mismatches < 5; ++code) {
    if (code >= 0x80 && code <= 0xFF && platform::IsLeadByte(static_cast<unsigned char>(code))) continue;
    if (code > 0xFF && !platform::IsLeadByte(static_cast<unsigned char>(code >> 8))) continue;
    std::string cp = "a";
    if (code > 0xFF) cp.push_back(static_cast<char>(code >> 8));
    cp += static_cast<char>(code & 0xFF);
    cp += "z";
    if (!Reference("UTF-8", "CP932", cp, &expected)) expected = "a\xEF\xBF\xBDz";
    if (platform::Cp932ToUtf8(cp) != expected) ++mismatches, ADD_FAILURE() << "CP932 code " << std::hex << code;
  }
  for (uint32_t c = 0x20; c <= 0xFFFF && mismatches < 5; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    std::string text = "a";
    text += Utf8(c);
    text += 'z';
    std::string cp, back;
    const bool converts = Reference("CP932", "UTF-8", text, &cp);
    if (platform::Utf8ToCp932(text) != (converts ? cp : "a?z")) ++mismatches, ADD_FAILURE() << "U+" << std::hex << c;
    // A name keeps the character only when it comes back unchanged, and is no backslash (the
    // log's escape character); otherwise it is escaped, and either way the original bytes return.
    const bool kept = converts && Reference("UTF-8", "CP932", cp, &back) && back == text &&
                      !(c >= 0xE000 && c <= 0xF8FF) && c != 0x5C;
    const std::string name = platform::OsNameToCp932(text);
    if ((name == cp) != kept || platform::Cp932ToOsName(name) != text) {
      ++mismatches, ADD_FAILURE() << "name U+" << std::hex << c;
    }
  }
}
