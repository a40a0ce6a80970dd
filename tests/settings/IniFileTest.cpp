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
