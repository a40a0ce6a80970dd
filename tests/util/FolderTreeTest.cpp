#include "util/FolderTree.h"

#include <gtest/gtest.h>

#include "platform/Encoding.h"
#include "util/FileChecks.h"
#include "support/TempDir.h"

namespace {

std::string J(const char* utf8) { return platform::Utf8ToCp932(utf8); }

TEST(FolderTreeTest, StepsLeaveRootsOutAndKeepCharactersWhole) {
  struct { PathStyle style; const char* path; std::vector<const char*> steps; } cases[] = {
      {kBackslashPathStyle, "C:\\logs\\2003\\", {"C:\\logs", "C:\\logs\\2003"}},
      {kBackslashPathStyle, "C:\\logs", {"C:\\logs"}},
      {kBackslashPathStyle, "C:\\表\\ソ", {"C:\\表", "C:\\表\\ソ"}},
      {kBackslashPathStyle, "\\\\srv\\share\\d\\", {"\\\\srv\\share", "\\\\srv\\share\\d"}},
      {kNativePathStyle, "/logs/2003/", {"/logs", "/logs/2003"}},
      {kNativePathStyle, "/a//b", {"/a", "/a//b"}},
      {kNativePathStyle, "/", {}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> want;
    for (const char* s : c.steps) want.push_back(J(s));
    EXPECT_EQ(FolderTreeSteps(J(c.path), c.style), want) << c.path;
  }
}

TEST(FolderTreeTest, CreateTwiceReportsTheLastCreation) {
  testing_support::TempDir dir;
  const std::string path = dir.folder() + J("logs/表/2003/");
  EXPECT_TRUE(CreateFolderTree(path));
  EXPECT_TRUE(IsExistingFolder(dir.folder() + J("logs/表")));
  EXPECT_TRUE(IsExistingFolder(path));
  EXPECT_FALSE(CreateFolderTree(path));
}

TEST(FolderTreeTest, AddTrailingSeparatorByCharacter) {
  struct { PathStyle style; const char* text; const char* want; } cases[] = {
      {kNativePathStyle, "", ""},
      {kNativePathStyle, "/a", "/a/"},
      {kNativePathStyle, "/a/", "/a/"},
      {kBackslashPathStyle, "C:\\", "C:\\"},
      {kBackslashPathStyle, "C:\\表", "C:\\表\\"},
  };
  for (const auto& c : cases) {
    std::string text = J(c.text);
    AddTrailingSeparator(text, c.style);
    EXPECT_EQ(text, J(c.want)) << c.text;
  }
}

}  // namespace
