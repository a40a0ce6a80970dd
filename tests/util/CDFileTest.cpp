#include "util/CDFile.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <vector>

#include "platform/Encoding.h"
#include "support/TempDir.h"

namespace {

std::string J(const char* utf8) { return platform::Utf8ToCp932(utf8); }

struct PartsCase {
  PathStyle style;
  const char* path;
  int nameStart;
  const char* folder;
  const char* trimmed;
  const char* name;
  int separators;
};

TEST(CDFileTest, PartsInBothStyles) {
  const PathStyle bs = kBackslashPathStyle;
  const PathStyle nat = kNativePathStyle;
  const PartsCase cases[] = {
      {bs, "C:\\ﾃｽﾄ\\表.txt", 7, "C:\\ﾃｽﾄ\\", "C:\\ﾃｽﾄ", "表.txt", 2},
      {bs, "C:\\a\\b.txt", 5, "C:\\a\\", "C:\\a", "b.txt", 2},
      {bs, "C:\\b.txt", 3, "C:\\", "C:\\", "b.txt", 1},
      {bs, "C:\\ソ", 3, "C:\\", "C:\\", "ソ", 1},
      {bs, "\\\\srv\\share\\x", 12, "\\\\srv\\share\\", "\\\\srv\\share", "x", 4},
      {bs, "C:a.txt", 0, "", "", "C:a.txt", 0},
      {nat, "/b.txt", 1, "/", "/", "b.txt", 1},
      {nat, "/a/b.txt", 3, "/a/", "/a", "b.txt", 2},
      {nat, "/data/表/", 8, "/data/表/", "/data/表", "", 3},
      {nat, "a.txt", 0, "", "", "a.txt", 0},
  };
  for (const PartsCase& c : cases) {
    CDFile f(c.style);
    f.AssignPath(J(c.path));
    EXPECT_EQ(f.NameStart(), c.nameStart) << c.path;
    EXPECT_EQ(f.FolderPart().str(), J(c.folder)) << c.path;
    EXPECT_EQ(f.FolderPartTrimmed().str(), J(c.trimmed)) << c.path;
    EXPECT_EQ(f.FileNamePart().str(), J(c.name)) << c.path;
    EXPECT_EQ(f.SeparatorCount(), c.separators) << c.path;
  }
}

TEST(CDFileTest, FolderComponentsKeepTheRoot) {
  struct { PathStyle style; const char* path; std::vector<const char*> parts; } cases[] = {
      {kBackslashPathStyle, "C:\\a\\b\\f.txt", {"C:\\", "a", "b"}},
      {kBackslashPathStyle, "C:\\ﾃｽﾄ\\表.txt", {"C:\\", "ﾃｽﾄ"}},
      {kBackslashPathStyle, "C:\\f.txt", {"C:\\"}},
      {kNativePathStyle, "/a/b/f.txt", {"/", "a", "b"}},
      {kNativePathStyle, "rel/f.txt", {"rel/"}},
  };
  for (const auto& c : cases) {
    CDFile f(c.style);
    f.AssignPath(J(c.path));
    for (size_t k = 0; k < c.parts.size(); ++k) {
      EXPECT_EQ(f.FolderComponent(static_cast<int>(k)).str(), J(c.parts[k])) << c.path << " " << k;
    }
    // Beyond the last component: the whole folder part.
    EXPECT_EQ(f.FolderComponent(static_cast<int>(c.parts.size())).str(), f.FolderPart().str());
    // The folder that directly holds the file, as a hit's category is taken.
    EXPECT_EQ(f.FolderComponent(f.SeparatorCount() - 1).str(), J(c.parts.back()));
  }
}

TEST(CDFileTest, ReplaceFolderAddsSeparatorByCharacter) {
  struct { PathStyle style; const char* start; const char* folder; const char* want; } cases[] = {
      {kNativePathStyle, "", "/data", "/data/"},
      {kNativePathStyle, "", "/data/", "/data/"},
      {kNativePathStyle, "/old/x.txt", "/new", "/new/x.txt"},
      {kNativePathStyle, "/old/x.txt", "", "x.txt"},
      {kBackslashPathStyle, "", "C:\\", "C:\\"},
      {kBackslashPathStyle, "", "C:\\表", "C:\\表\\"},
      {kBackslashPathStyle, "C:\\a\\ソ.txt", "D:\\b", "D:\\b\\ソ.txt"},
  };
  for (const auto& c : cases) {
    CDFile f(c.style);
    f.AssignPath(J(c.start));
    f.ReplaceFolder(J(c.folder));
    EXPECT_EQ(f.PathText(), J(c.want)) << c.folder;
  }
  CDFile f(kBackslashPathStyle);
  f.AssignPath(J("C:\\表\\a.log"));
  f.ReplaceFileName("b.log");
  EXPECT_EQ(f.PathText(), J("C:\\表\\b.log"));
}

TEST(CDFileTest, ExistsAndOpenPath) {
  testing_support::TempDir dir;
  CDFile f;
  f.AssignPath(dir.Write("a.bin", "xyz"));
  EXPECT_TRUE(f.Exists());
  ASSERT_TRUE(f.OpenPath());
  char buf[8];
  EXPECT_EQ(f.File().ReadAt(0, buf, sizeof(buf)), 3);
  f.Close();
  EXPECT_FALSE(f.IsOpen());

  f.ReplaceFileName("missing");
  EXPECT_FALSE(f.Exists());
  int error = 0;
  EXPECT_FALSE(f.OpenPath(&error));
  EXPECT_EQ(error, ENOENT);
  f.AssignPath(dir.folder());
  EXPECT_TRUE(f.Exists());
  EXPECT_FALSE(f.OpenPath());  // a folder is never opened as a file
}

}  // namespace
