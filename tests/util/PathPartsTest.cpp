#include "util/PathParts.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/Encoding.h"
#include "support/TempDir.h"
#include "util/FileChecks.h"

namespace {

std::string J(const char* utf8) { return platform::Utf8ToCp932(utf8); }

TEST(PathPartsTest, NameAndFolderParts) {
  struct { PathStyle style; const char* path; const char* name; const char* folder; } cases[] = {
      {kBackslashPathStyle, "C:\\data\\a.txt", "a.txt", "C:\\data\\"},
      {kBackslashPathStyle, "C:a.txt", "a.txt", "C:"},
      {kBackslashPathStyle, "a.txt", "a.txt", ""},
      {kBackslashPathStyle, "C:\\data\\", "", "C:\\data\\"},
      {kBackslashPathStyle, "C:\\表", "表", "C:\\"},
      {kBackslashPathStyle, "C:\\ソ\\x.txt", "x.txt", "C:\\ソ\\"},
      {kBackslashPathStyle, "C:\\ﾃｽﾄ表", "ﾃｽﾄ表", "C:\\"},
      {kNativePathStyle, "/data/a.txt", "a.txt", "/data/"},
      {kNativePathStyle, "C:a.txt", "C:a.txt", ""},
      {kNativePathStyle, "/data/表", "表", "/data/"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(GetFileNamePart(J(c.path), c.style), J(c.name)) << c.path;
    EXPECT_EQ(GetFolderPart(J(c.path), c.style), J(c.folder)) << c.path;
  }
}

TEST(PathPartsTest, ModuleFolderEndsWithSeparator) {
  const std::string folder = GetModuleFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '/');
}

TEST(FileChecksTest, FilesFoldersAndOthers) {
  testing_support::TempDir dir;
  const std::string empty = dir.Write("empty", "");
  const std::string full = dir.Write("full", "x");
  const std::string fifo = dir.folder() + "fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  struct { std::string path; bool exists, readable, usable, folder; } cases[] = {
      {empty, true, true, true, false},
      {full, true, true, true, false},
      {dir.path(), true, false, false, true},
      {fifo, true, false, false, false},
      {dir.folder() + "missing", false, false, false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PathExists(c.path), c.exists) << c.path;
    EXPECT_EQ(CanOpenForReading(c.path), c.readable) << c.path;
    EXPECT_EQ(IsUsableFile(c.path), c.usable) << c.path;
    EXPECT_EQ(IsExistingFolder(c.path), c.folder) << c.path;
  }
}

}  // namespace
