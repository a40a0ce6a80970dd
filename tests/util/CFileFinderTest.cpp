#include "util/CFileFinder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <set>

#include "support/TempDir.h"

using testing_support::TempDir;

namespace {

class CFileFinderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_.Write("a.htm", "x");
    dir_.Write("b.HTM", "x");
    dir_.Write("page.html", "x");
    dir_.Write(".hidden.htm", "x");
    dir_.Write("sub/c.htm", "x");
    dir_.MakeDir(".git");
    ASSERT_EQ(mkfifo((dir_.folder() + "pipe.htm").c_str(), 0600), 0);
    ASSERT_EQ(symlink((dir_.folder() + "sub").c_str(), (dir_.folder() + "link.htm").c_str()), 0);
  }

  std::set<std::string> All(const std::string& wildcard, CFileFinder::Mode mode) {
    std::set<std::string> names;
    for (bool ok = finder_.FindFirst(dir_.folder() + wildcard, mode); ok; ok = finder_.FindNext()) {
      names.insert(finder_.Name());
    }
    return names;
  }

  TempDir dir_;
  CFileFinder finder_;
};

TEST_F(CFileFinderTest, FilesOfAWildcardIncludeHiddenOnesAndSkipDevicesAndFolderLinks) {
  finder_.SetFilter(CPatternList("*.*", ';'));
  EXPECT_EQ(All("*.htm", CFileFinder::Mode::Files), (std::set<std::string>{"a.htm", "b.HTM", ".hidden.htm"}));
  EXPECT_FALSE(finder_.IsOpen());
}

TEST_F(CFileFinderTest, FilterDecidesUnderTheAllPattern) {
  finder_.SetFilter(CPatternList("*.htm", ';'));
  EXPECT_EQ(All("*.*", CFileFinder::Mode::Files), (std::set<std::string>{"a.htm", "b.HTM", ".hidden.htm"}));
  finder_.SetFilter(CPatternList("*.html;*", ';'));
  EXPECT_EQ(All("*.*", CFileFinder::Mode::Files), (std::set<std::string>{"page.html"}));
}

TEST_F(CFileFinderTest, FoldersModeReturnsRealSubfoldersOnly) {
  finder_.SetFilter(CPatternList("*.htm", ';'));
  EXPECT_EQ(All("*.*", CFileFinder::Mode::Folders), (std::set<std::string>{"sub", ".git"}));
  ASSERT_TRUE(finder_.FindFirst(dir_.folder() + "*.*", CFileFinder::Mode::Folders));
  EXPECT_TRUE(finder_.IsDirectory());
}

TEST_F(CFileFinderTest, MissingOrEmptyFolderFindsNothing) {
  finder_.SetFilter(CPatternList("*.*", ';'));
  EXPECT_FALSE(finder_.FindFirst(dir_.folder() + "none/*.*", CFileFinder::Mode::Files));
  EXPECT_EQ(finder_.LastError(), ENOENT);
  dir_.MakeDir("empty");
  EXPECT_FALSE(finder_.FindFirst(dir_.folder() + "empty/*.*", CFileFinder::Mode::Files));
  EXPECT_EQ(finder_.LastError(), 0);
  EXPECT_FALSE(finder_.FindNext());
}

}  // namespace
