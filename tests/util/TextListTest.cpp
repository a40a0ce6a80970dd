#include "util/TextList.h"

#include <gtest/gtest.h>

#include <climits>

#include "util/IntToText.h"

namespace {

TEST(TextListTest, UniqueAddAndRemove) {
  TextList list;
  EXPECT_TRUE(list.Add("/a/", true));
  EXPECT_TRUE(list.Add("/b/", true));
  EXPECT_FALSE(list.Add("/a/", true));
  EXPECT_TRUE(list.Add("/A/", true));  // case matters
  EXPECT_EQ(list.size(), 3u);
  EXPECT_TRUE(list.Add("/a/", false));
  EXPECT_EQ(list.size(), 4u);
  EXPECT_FALSE(list.Add(static_cast<const char*>(nullptr), false));

  EXPECT_EQ(list.IndexOf("/b/"), 1);
  EXPECT_EQ(list.Find("/none/"), list.end());
  EXPECT_EQ(*list.At(2), "/A/");
  EXPECT_EQ(list.At(4), list.end());
  EXPECT_FALSE(list.RemoveAt(4));
  EXPECT_TRUE(list.RemoveAt(0));
  EXPECT_EQ(list.IndexOf("/a/"), 2);  // the second copy is found now
  EXPECT_TRUE(list.Insert(0, "/c/", true));
  EXPECT_FALSE(list.Insert(0, "/c/", true));
  EXPECT_FALSE(list.Insert(9, "/d/", false));
  EXPECT_EQ(list[0], "/c/");
  list.Clear();
  EXPECT_TRUE(list.empty());
}

TEST(IntToTextTest, RadixTable) {
  struct { long long value; int radix; const char* want; } cases[] = {
      {0, 10, "0"}, {42, 10, "42"}, {-42, 10, "-42"}, {255, 16, "ff"}, {-255, 16, "-ff"},
      {5, 2, "101"}, {35, 36, "z"}, {LLONG_MIN, 10, "-9223372036854775808"},
      {7, 1, ""}, {7, 37, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(IntToText(c.value, c.radix), c.want) << c.value << "/" << c.radix;
}

}  // namespace
