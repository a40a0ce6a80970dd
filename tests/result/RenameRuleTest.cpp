#include "result/RenameRule.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct RenameCase {
  const char* rule;
  const char* name;
  const char* expected;
};

// Each "*" takes one dot-separated piece from the left, each "." one dot; the first dot
// separates, not the last.
TEST(RenameRuleTest, RulesOfTheGuideOnEveryKindOfName) {
  const RenameCase cases[] = {
      {"*.*.INV", "abc.def", "abc.def.INV"}, {"_*.*_", "abc.def", "_abc.def_"},
      {"*.*.INV", "abc", "abc..INV"},        {"_*.*_", "abc", "_abc._"},
      {"*.*.INV", "a.b.c", "a.b.INV"},       {"_*.*_", "a.b.c", "_a.b_"},
      {"*.*.INV", ".profile", ".profile.INV"}, {"_*.*_", ".profile", "_.profile_"},
      {"*.*.INV", "abc.", "abc..INV"},       {"_*.*_", "abc.", "_abc._"},
  };
  for (const RenameCase& c : cases) {
    EXPECT_EQ(ApplyRenameRule(c.rule, c.name), c.expected) << c.rule << " on " << c.name;
  }
}

TEST(RenameRuleTest, LiteralsEmptyRulesAndExhaustedNames) {
  const RenameCase cases[] = {
      {"", "abc.def", ""},                 // nothing to write: the caller refuses the name
      {"ABC", "x.exe", "ABC"},             // a rule without "*" names every file alike
      {"*", "a.b.c", "a"},                 // the rest after the piece is dropped
      {"*.*.*", "a.b.c", "a.b.c"},
      {"*.*.*.*", "a.b", "a.b.."},         // a "*" after the rest was copied adds nothing
      {"*.inv", "README", "README.inv"},   // case is kept as typed
      {"x*y", "abc", "xabcy"},
      {"..", "a.b", ".."},                 // dots are written even with the cursor still on "a"
      {"*..*", "a..b", "a..b"},
  };
  for (const RenameCase& c : cases) {
    EXPECT_EQ(ApplyRenameRule(c.rule, c.name), c.expected) << c.rule << " on " << c.name;
  }
}

// 表 is 0x95 0x5C and ソ 0x83 0x5C: their second bytes are the backslash, and the dot
// search must not care.
TEST(RenameRuleTest, DoubleByteNamesKeepTheirBytes) {
  EXPECT_EQ(ApplyRenameRule("*.*.INV", "\x95\x5C.txt"), "\x95\x5C.txt.INV");
  EXPECT_EQ(ApplyRenameRule("_*.*_", "\x83\x5C\x83\x74\x83\x67.exe"), "_\x83\x5C\x83\x74\x83\x67.exe_");
  EXPECT_EQ(ApplyRenameRule("\x8B\x8C*", "a.b"), "\x8B\x8C" "a");
}

TEST(RenameRuleTest, OnlyPlainNamesStayInTheirFolder) {
  EXPECT_TRUE(IsPlainFileName("abc.def.INV"));
  EXPECT_TRUE(IsPlainFileName("..."));
  EXPECT_TRUE(IsPlainFileName(".profile"));
  EXPECT_FALSE(IsPlainFileName(""));
  EXPECT_FALSE(IsPlainFileName("."));
  EXPECT_FALSE(IsPlainFileName(".."));
  EXPECT_FALSE(IsPlainFileName("a/b"));
  EXPECT_FALSE(IsPlainFileName("/"));
  EXPECT_FALSE(IsPlainFileName(std::string_view("..\0x", 4)));
  // In the backslash style 表 (second byte 0x5C) is a character, a lone backslash is not.
  EXPECT_TRUE(IsPlainFileName("\x95\x5C.txt", kBackslashPathStyle));
  EXPECT_FALSE(IsPlainFileName("a\\b", kBackslashPathStyle));
  EXPECT_TRUE(IsPlainFileName("a\\b", PathStyle{'/', false}));
}

}  // namespace
