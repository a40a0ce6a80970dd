#include "util/CDString.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/Encoding.h"

namespace {

std::string J(const char* utf8) { return platform::Utf8ToCp932(utf8); }

// "aﾃ表b": a and ﾃ are single bytes, 表 is \x95\x5C.
TEST(CDStringTest, PositionsCountCharacters) {
  CDString s(J("aﾃ表b"));
  EXPECT_EQ(s.ByteLength(), 5u);
  EXPECT_EQ(s.Length(), 4);
  EXPECT_EQ(s.ByteOffset(3), 4u);
  EXPECT_EQ(s.ByteOffset(99), 5u);
  EXPECT_EQ(s.CharAt(1), 0xC3u);
  EXPECT_EQ(s.CharAt(2), 0x955Cu);
  EXPECT_EQ(s.CharAt(4), 0u);
}

TEST(CDStringTest, FindNeverStartsOnSecondByte) {
  CDString s(J("表\\ア") + "A");  // ア is \x83\x41
  EXPECT_EQ(s.FindFirst('\\'), 1);
  EXPECT_EQ(s.FindLast('\\'), 1);
  EXPECT_EQ(s.FindFirst('A'), 3);
  EXPECT_EQ(s.FindFirst(0x955C), 0);
  EXPECT_EQ(s.FindFirst(0x5C5C), -1);  // the second byte of 表 and the backslash
  EXPECT_EQ(CDString(J("ア")).FindFirst('A'), -1);

  CDString path(J("a\\表\\b\\"));
  std::vector<int> found;
  size_t at = 0;
  for (int pos; (pos = path.Find('\\', &at)) >= 0;) found.push_back(pos);
  EXPECT_EQ(found, (std::vector<int>{1, 3, 5}));
}

TEST(CDStringTest, SubstringsByCharacters) {
  CDString s(J("表ab表"));
  struct { CDString got; const char* want; } cases[] = {
      {s.Left(1), "表"}, {s.Left(0), ""}, {s.Left(-1), ""}, {s.Left(10), "表ab表"},
      {s.Right(1), "表"}, {s.Right(3), "ab表"}, {s.Right(10), "表ab表"}, {s.Right(-2), ""},
      {s.Mid(1, 2), "ab"}, {s.Mid(2, 10), "b表"}, {s.Mid(9, 1), ""}, {s.MidFrom(3), "表"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got.str(), J(c.want)) << c.want;
}

TEST(CDStringTest, StartsAndEndsWithCompareWholeCharacters) {
  EXPECT_FALSE(CDString(J("C:\\表")).EndsWith("\\"));  // last byte is 0x5C, last character is not
  EXPECT_TRUE(CDString(J("C:\\表\\")).EndsWith("\\"));
  EXPECT_FALSE(CDString(J("表.txt")).EndsWith(".TXT"));
  EXPECT_TRUE(CDString(J("表.txt")).StartsWith(J("表")));
  EXPECT_FALSE(CDString("a").StartsWith("ab"));
  EXPECT_FALSE(CDString("a").EndsWith("ba"));
}

TEST(CDStringTest, SetCharAtShiftsTheRest) {
  CDString s("abc");
  EXPECT_TRUE(s.SetCharAt(1, 0x955C));
  EXPECT_EQ(s.str(), J("a表c"));
  EXPECT_TRUE(s.SetCharAt(1, 'x'));
  EXPECT_EQ(s.str(), "axc");
  EXPECT_FALSE(s.SetCharAt(3, 'y'));
  EXPECT_TRUE(s.SetCharAt(1, 0));
  EXPECT_EQ(s.str(), "a");
}

TEST(CDStringTest, AppendBeyondLimitThrowsOverflow) {
  CDString s("ab");
  try {
    // Only the length is looked at before the throw.
    s.Append(std::string_view(s.c_str(), CDString::kMaxBytes - 1));
    FAIL();
  } catch (const CDStringException& e) {
    EXPECT_EQ(e.code(), CDStringException::kLengthOverflow);
  }
  EXPECT_EQ(s.str(), "ab");
}

}  // namespace
