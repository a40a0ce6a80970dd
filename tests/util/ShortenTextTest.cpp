#include "util/ShortenText.h"

#include <gtest/gtest.h>

#include "platform/Encoding.h"

namespace {

// 6 pixels per single-byte character, 12 per double-byte one, as a CJK font roughly does.
int FakeWidth(std::string_view s) {
  int w = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    if (platform::IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) {
      w += 12;
      ++i;
    } else {
      w += 6;
    }
  }
  return w;
}

// Offsets where a character starts, plus the end.
bool IsCharacterBoundary(std::string_view s, size_t pos) {
  size_t i = 0;
  while (i < pos) i += (platform::IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ? 2 : 1;
  return i == pos;
}

const std::string kHyo = "\x95\x5C";  // 表: its trail byte is the backslash code

struct Case {
  const char* name;
  std::string text;
  int available;
  int margin;
  std::string expected;
};

TEST(ShortenTextTest, Table) {
  const Case cases[] = {
      {"empty stays empty", "", 0, 12, ""},
      {"fits exactly", "abcd", 24 + 4, 4, "abcd"},
      {"one pixel short", "abcdefgh", 48 + 4 - 1, 4, "abcd..."},
      {"longest prefix", "abcdefgh", 18 + 12 + 6 * 3 + 1, 12, "abc..."},
      {"prefix reaching the room is refused", "abcdefgh", 18 + 12 + 6 * 3, 12, "ab..."},
      {"nothing fits", "abcdef", 10, 4, "..."},
      {"negative room", "abcdef", 0, 12, "..."},
      // Cutting bytes instead of characters would give "a\x95..." here.
      {"double-byte kept whole", "a" + kHyo + "b" + kHyo, 4 + 18 + 12 + 1, 4, "a..."},
      {"double-byte prefix", kHyo + kHyo + kHyo + kHyo, 12 + 18 + 24 + 1, 12, kHyo + kHyo + "..."},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ShortenText(c.text, c.available, c.margin, FakeWidth), c.expected) << c.name;
  }
}

TEST(ShortenTextTest, FortyCharacterNameInSixtyPixels) {
  std::string name;
  for (int i = 0; i < 40; ++i) name += kHyo;
  std::string shown = ShortenText(name, 60, kFirstColumnMargin, FakeWidth);
  // room = 60 - 4 - 18 = 38: three characters (36) fit.
  EXPECT_EQ(shown, kHyo + kHyo + kHyo + "...");
}

// Over every width from nothing to more than enough: the result is the text itself or a
// whole-character prefix plus "..." that is the longest one allowed.
TEST(ShortenTextTest, EveryWidthGivesLongestWholeCharacterPrefix) {
  const std::string text = "ab" + kHyo + "c" + kHyo + kHyo + "d\x83\x41" "e";
  const int full = FakeWidth(text);
  for (int margin : {kFirstColumnMargin, kOtherColumnMargin}) {
    for (int available = 0; available <= full + margin + 2; ++available) {
      std::string shown = ShortenText(text, available, margin, FakeWidth);
      SCOPED_TRACE("available " + std::to_string(available) + " margin " + std::to_string(margin));
      if (full + margin <= available) {
        EXPECT_EQ(shown, text);
        continue;
      }
      ASSERT_GE(shown.size(), 3u);
      ASSERT_EQ(shown.substr(shown.size() - 3), "...");
      std::string prefix = shown.substr(0, shown.size() - 3);
      ASSERT_EQ(text.compare(0, prefix.size(), prefix), 0);
      EXPECT_TRUE(IsCharacterBoundary(text, prefix.size()));
      const int room = available - margin - FakeWidth("...");
      if (!prefix.empty()) {
        EXPECT_LT(FakeWidth(prefix), room);
      }
      // One more character would not have fitted.
      ASSERT_LT(prefix.size(), text.size());
      size_t next = prefix.size() + (platform::IsLeadByte(static_cast<unsigned char>(text[prefix.size()])) ? 2 : 1);
      EXPECT_GE(FakeWidth(text.substr(0, next)), room);
    }
  }
}

// A list repaints its cells often, and measuring a text is costly: a long path is measured
// a few times, not once per character.
TEST(ShortenTextTest, LongTextMeasuredLogarithmically) {
  std::string path;
  for (int i = 0; i < 100; ++i) path += "d" + kHyo;
  int calls = 0;
  const TextWidthFn counting = [&calls](std::string_view s) {
    ++calls;
    return FakeWidth(s);
  };
  const std::string shown = ShortenText(path, 600, kOtherColumnMargin, counting);
  // room = 600 - 12 - 18 = 570: 31 pairs (558) and one more "d" (564) fit.
  std::string expected;
  for (int i = 0; i < 31; ++i) expected += "d" + kHyo;
  EXPECT_EQ(shown, expected + "d...");
  EXPECT_LE(calls, 2 + 9);  // the text, "...", and a halving over 200 characters
}

}  // namespace
