#include "settings/IniFile.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

std::optional<std::string> Lookup(const std::string& text, const std::string& section, const std::string& key) {
  return IniFile(text).Find(section, key);
}

std::string AfterSet(const std::string& text, const std::string& section, const std::string& key,
                     const std::string& value) {
  IniFile file(text);
  EXPECT_TRUE(file.Set(section, key, value));
  return file.Text();
}

}  // namespace

TEST(IniFileTest, ReadingRules) {
  struct Case {
    const char* text;
    const char* section;
    const char* key;
    std::optional<std::string> expected;
  } cases[] = {
      {"[General]\nfLog=1\n", "General", "fLog", "1"},
      {"[general]\r\nFLOG=1\r\n", "GENERAL", "flog", "1"},           // names without regard to case
      {"  [ General ]  \n \t fLog \t=\t 1 \t\n", "General", "fLog", "1"},  // blanks around names and values
      {"[General]\nLogFolder=\"  /a b  \"\n", "General", "LogFolder", "  /a b  "},  // quotes keep inner blanks
      {"[General]\nRule='*.*.INV'\n", "General", "Rule", "*.*.INV"},
      {"[General]\nRule=\"x'\n", "General", "Rule", "\"x'"},              // quotes must match
      {"[General]\nRule=\"\n", "General", "Rule", "\""},                  // a lone quote stays
      {"[General]\nfLog=\n", "General", "fLog", ""},
      {"[General]\nfLog=a=b\n", "General", "fLog", "a=b"},                // the first '=' splits
      {"[General]\n;fLog=1\n", "General", "fLog", std::nullopt},          // comments are not keys
      {"[General]\nfLog\n", "General", "fLog", std::nullopt},             // no '=': not a key
      {"fLog=1\n[General]\n", "General", "fLog", std::nullopt},           // before any section
      {"[General]\n[ScanDlg]\nfLog=1\n", "General", "fLog", std::nullopt},  // belongs to the next section
      {"[General]\nfLog=1\n[General]\nfLog=2\n", "General", "fLog", "1"},  // the first section wins
      {"[General]\nfLog=1\nFLOG=2\n", "General", "fLog", "1"},            // the first key wins
      {"[General]\nfLog=1", "General", "fLog", "1"},                      // no line end at the end
      {"[General] ; note\nfLog=1\n", "General", "fLog", "1"},
      {"[General\nfLog=1\n", "General", "fLog", std::nullopt},            // an unclosed head is no section
      {"", "General", "fLog", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(Lookup(c.text, c.section, c.key), c.expected) << c.text;
}

// CP932 names whose second bytes are ']' (0x5D) or letters must not end a section head early
// or fold as ASCII letters: "‐" is 0x81 0x5D, "ア" 0x83 0x41 and "ヂ" 0x83 0x61.
TEST(IniFileTest, DoubleByteNamesAreScannedByCharacter) {
  std::string text = "[\x81\x5D]\n\x83\x41=1\n";
  EXPECT_EQ(Lookup(text, "\x81\x5D", "\x83\x41"), "1");
  EXPECT_EQ(Lookup(text, "\x81\x5D", "\x83\x61"), std::nullopt);
  // A head whose only ']' is a second byte is not a head.
  EXPECT_EQ(Lookup("[a\x81\x5D\nk=1\n", "a\x81", "k"), std::nullopt);
}

TEST(IniFileTest, ReplacesExistingKeyInPlaceKeepingEverythingElse) {
  std::string text =
      "; installed by setup\n"
      "junk line\n"
      "[General]\n"
      "  fLog = 0  \n"
      "LogFolder=/x\n"
      "[DB]\n"
      "C0=a\n";
  EXPECT_EQ(AfterSet(text, "general", "FLOG", "1"),
            "; installed by setup\r\n"
            "junk line\r\n"
            "[General]\r\n"
            "fLog=1\r\n"
            "LogFolder=/x\r\n"
            "[DB]\r\n"
            "C0=a\r\n");
}

TEST(IniFileTest, NewKeyGoesAfterLastNonBlankLineOfItsSection) {
  std::string text =
      "[General]\r\n"
      "fLog=1\r\n"
      "; end of general\r\n"
      "\r\n"
      "\r\n"
      "[ScanDlg]\r\n"
      "fSubDir=1\r\n";
  EXPECT_EQ(AfterSet(text, "General", "FileOpe", "2"),
            "[General]\r\n"
            "fLog=1\r\n"
            "; end of general\r\n"
            "FileOpe=2\r\n"
            "\r\n"
            "\r\n"
            "[ScanDlg]\r\n"
            "fSubDir=1\r\n");
  EXPECT_EQ(AfterSet("[General]\r\n\r\n[DB]\r\n", "General", "fLog", "1"),
            "[General]\r\nfLog=1\r\n\r\n[DB]\r\n");
}

TEST(IniFileTest, NewSectionGoesAtTheEndWithoutBlankLine) {
  EXPECT_EQ(AfterSet("[DB]\nC0=a", "ScanDlg", "Path0", "/t"), "[DB]\r\nC0=a\r\n[ScanDlg]\r\nPath0=/t\r\n");
  EXPECT_EQ(AfterSet("", "General", "fLog", "0"), "[General]\r\nfLog=0\r\n");
}

// Values that reading would change are quoted so that they come back as written.
TEST(IniFileTest, ValuesRoundTripExactly) {
  const std::string values[] = {"", "plain", " lead", "trail\t", "  ", "\"quoted\"", "'single'",
                                "\"", "a \"b\" c", "C:\\\x95\x5C\\", "=x="};
  for (const std::string& value : values) {
    IniFile file("[S]\nk=old\n");
    ASSERT_TRUE(file.Set("S", "k", value)) << value;
    EXPECT_EQ(IniFile(file.Text()).Find("S", "k"), value) << value;
  }
  EXPECT_EQ(AfterSet("", "S", "k", "plain"), "[S]\r\nk=plain\r\n");  // nothing added when not needed
}

TEST(IniFileTest, RefusesTextsThatWouldBreakTheLines) {
  struct Case {
    std::string section, key, value;
  } cases[] = {
      {"S", "k", "a\nb"}, {"S", "k", "a\rb"}, {"S", "k", std::string("a\0b", 3)},
      {"S\n", "k", "v"},  {"S]", "k", "v"},    {"", "k", "v"},
      {"S", "", "v"},     {"S", " ", "v"},      {"S", "a=b", "v"},
      {"S", ";k", "v"},   {"S", "[k]", "v"},    {"S", "k\n", "v"},
  };
  const std::string text = "[S]\r\nk=old\r\n";
  for (const Case& c : cases) {
    IniFile file(text);
    EXPECT_FALSE(file.Set(c.section, c.key, c.value)) << c.section << "|" << c.key << "|" << c.value;
    EXPECT_EQ(file.Text(), text);
  }
}

// A CR not followed by LF ends a line, as it does for the platform's own readers; writing
// gives every line CR LF. A clean CR LF text comes back byte for byte.
TEST(IniFileTest, LoneCrEndsALine) {
  struct Case {
    const char* text;
    const char* key;                     // read in section S, then set to "9"
    std::optional<std::string> before;
    const char* after;
  } cases[] = {
      {"[S]\rk=1\rj=2", "j", "2", "[S]\r\nk=1\r\nj=9\r\n"},
      {"[S]\rk=1\rj=2", "k", "1", "[S]\r\nk=9\r\nj=2\r\n"},
      {"[S]\rk=1\r[B]\rb=1\r", "n", std::nullopt, "[S]\r\nk=1\r\nn=9\r\n[B]\r\nb=1\r\n"},
      {"[S]\r\r\nk=1\n\rj=2\r\n", "j", "2", "[S]\r\n\r\nk=1\r\n\r\nj=9\r\n"},
      {"[S]\r\nk=1\r\n\r\n[B]\r\nb=1\r\n", "k", "1", "[S]\r\nk=9\r\n\r\n[B]\r\nb=1\r\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Lookup(c.text, "S", c.key), c.before) << c.text;
    EXPECT_EQ(AfterSet(c.text, "S", c.key, "9"), c.after) << c.text;
  }
  EXPECT_EQ(Lookup("[B]\rb=1\r", "B", "b"), "1");
}

namespace {

std::string Utf16(std::u16string_view text, bool littleEndian) {
  std::string bytes = littleEndian ? "\xFF\xFE" : "\xFE\xFF";
  for (char16_t unit : text) {
    const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
    bytes += littleEndian ? std::string{low, high} : std::string{high, low};
  }
  return bytes;
}

}  // namespace

// A byte-order mark names the encoding: the keys after it are found, values come as CP932,
// and the text is written back in the same encoding with one mark. A character CP932 lacks
// (the emoji) stays as it was.
TEST(IniFileTest, ByteOrderMarkFilesKeepTheirEncoding) {
  const std::string utf8Mark = "\xEF\xBB\xBF";
  const std::string before = "[DB]\r\nC0=ウイルス\r\n; 😀\r\n";
  const std::string after = "[DB]\r\nC0=ウイルス\r\n; 😀\r\nC1=ワーム\r\n[S]\r\nk=表\r\n";
  const std::u16string before16 = u"[DB]\r\nC0=ウイルス\r\n; 😀\r\n";
  const std::u16string after16 = u"[DB]\r\nC0=ウイルス\r\n; 😀\r\nC1=ワーム\r\n[S]\r\nk=表\r\n";
  const std::pair<std::string, std::string> cases[] = {
      {utf8Mark + before, utf8Mark + after},
      {Utf16(before16, true), Utf16(after16, true)},
      {Utf16(before16, false), Utf16(after16, false)},
  };
  for (const auto& [text, expected] : cases) {
    IniFile file(text);
    EXPECT_EQ(file.Find("DB", "C0"), "\x83\x45\x83\x43\x83\x8B\x83\x58");  // ウイルス
    ASSERT_TRUE(file.Set("DB", "C1", "\x83\x8F\x81\x5B\x83\x80"));           // ワーム
    ASSERT_TRUE(file.Set("S", "k", "\x95\x5C"));                             // 表
    EXPECT_EQ(file.Text(), expected);
    // A byte that is no CP932 character cannot be stored in a Unicode text.
    EXPECT_FALSE(file.Set("S", "k", "\xA0"));
    EXPECT_EQ(file.Text(), expected);
  }
}
