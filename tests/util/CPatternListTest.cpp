#include "util/CPatternList.h"

#include <gtest/gtest.h>

#include "platform/Encoding.h"

namespace {

std::string J(const char* utf8) { return platform::Utf8ToCp932(utf8); }

TEST(CPatternListTest, MatchTable) {
  struct { const char* patterns; const char* name; int want; } cases[] = {
      {"*", "README", 2},
      {"*", "readme.txt", 0},
      {"*.*", "abc", 2},
      {"*.*", "a.b.c", 2},
      {"*.htm", "a.html", 0},
      {"*.htm", "A.HTM", 1},
      {"*.htm", "x.html.htm", 1},
      {"*.htm", "htm", 0},
      {"*.tar.gz", "x.tar.gz", 1},
      {"*.tar.gz", "x.y.tar.gz", 0},  // everything after the first full stop is compared
      {"*.gz", "x.tar.gz", 1},
      {"?.txt", "a.txt", 1},
      {"?.txt", "ab.txt", 0},
      {"a?", "a", 0},
      {"a*.txt", "abc.txt", 1},
      {"*.", "abc", 0},
      {"*.htm;*.*", "a.html", 2},  // the first matching token decides
      {"*.htm;*.*", "a.htm", 1},
      {"*.exe;;*.*", "a.txt", 2},  // an empty token is passed over
      {";*.txt", "a.txt", 1},
      {" *.txt ;\t*.exe", "a.exe", 1},  // blanks around a token are not part of it
      {"*.exe;*.exe", "b.EXE", 1},
      {"", "a", 0},
      {"表*.txt", "表X.TXT", 1},
      {"ア.txt", "ア.TXT", 1},  // ア is \x83\x41: its second byte is not a letter to lower
      {"ヂ.txt", "ア.txt", 0},  // ヂ is \x83\x61: what ア would become if lowered byte-wise
  };
  for (const auto& c : cases) {
    CPatternList list(J(c.patterns), ';');
    EXPECT_EQ(list.MatchName(J(c.name)), c.want) << c.patterns << " / " << c.name;
  }
}

TEST(CPatternListTest, MatchUsesTheFileNamePartOfAPath) {
  CPatternList list("*.htm", ';');
  EXPECT_EQ(list.Match("/site.htm/readme"), 0);
  EXPECT_EQ(list.Match("/site/page.htm"), 1);
  EXPECT_EQ(list.Match(J("C:\\表\\a.htm"), kBackslashPathStyle), 1);
  EXPECT_EQ(CPatternList("*", ';').Match(J("C:\\data.d\\README"), kBackslashPathStyle), 2);
}

TEST(CPatternListTest, TokensCountAndUniqueAdd) {
  CPatternList list("*.a;*.b;;*.c", ';');
  EXPECT_EQ(list.GetCount(), 4);
  EXPECT_EQ(list.GetToken(1), "*.b");
  EXPECT_EQ(list.GetToken(2), "");
  EXPECT_EQ(list.GetToken(3), "*.c");
  EXPECT_EQ(list.GetToken(9), "");
  EXPECT_TRUE(list.Contains("*.B"));
  EXPECT_TRUE(list.Contains("*.c"));  // beyond the empty token
  EXPECT_EQ(CPatternList(" *.a ;; *.b", ';').Tokens(), (std::vector<std::string_view>{"*.a", "*.b"}));
  // A text without a usable token selects nothing; callers must be able to tell.
  for (const char* none : {"", ";", " ; ;", ";;\t"}) EXPECT_FALSE(CPatternList(none, ';').HasUsableToken()) << none;
  EXPECT_TRUE(CPatternList(";*.a", ';').HasUsableToken());

  CPatternList empty;
  EXPECT_EQ(empty.GetCount(), 0);
  empty.AddUnique("*.htm");
  empty.AddUnique("*.HTM");
  empty.AddUnique("*.html");
  EXPECT_EQ(empty.Text(), "*.htm;*.html");
}

}  // namespace
