#include "result/AutoProcessor.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/FileSystem.h"
#include "support/TempDir.h"

using testing_support::TempDir;

namespace {

bool Exists(const std::string& path) {
  platform::FileStatus status;
  return platform::GetLinkStatus(path, &status);
}

class AutoProcessorTest : public ::testing::Test {
 protected:
  ProcessResult Process(const std::string& path, int32_t mode, const std::string& rule = "",
                        const std::string& moveFolder = "") {
    return AutoProcessFile(path, mode, rule, moveFolder, [this] { ++closes_; });
  }

  TempDir dir_;
  int closes_ = 0;
};

TEST_F(AutoProcessorTest, LeaveModeTouchesNothing) {
  const std::string file = dir_.Write("x.exe", "data");
  EXPECT_EQ(Process(file, kModeLeave, "*.*.INV", dir_.path()), kResultUnprocessed);
  EXPECT_EQ(dir_.Read("x.exe"), "data");
  EXPECT_EQ(closes_, 0);
}

// A stored mode that names no action leaves the file alone rather than guessing one.
TEST_F(AutoProcessorTest, UnknownModeLeavesTheFile) {
  const std::string file = dir_.Write("x.exe", "data");
  EXPECT_EQ(Process(file, 7, "*.*.INV"), kResultUnprocessed);
  EXPECT_EQ(Process(file, -1), kResultUnprocessed);
  EXPECT_TRUE(Exists(file));
}

TEST_F(AutoProcessorTest, DeleteRemovesTheFileAfterTheEngineLetGo) {
  const std::string file = dir_.Write("x.exe", "data");
  EXPECT_EQ(Process(file, kModeDelete), kResultDeleted);
  EXPECT_FALSE(Exists(file));
  EXPECT_EQ(closes_, 1);
  EXPECT_EQ(Process(file, kModeDelete), kResultFailed);  // gone already
}

TEST_F(AutoProcessorTest, RenameByRuleInTheSameFolder) {
  const std::string file = dir_.Write("sub/report.doc", "data");
  EXPECT_EQ(Process(file, kModeRename, "*.*.INV"), kResultRenamed);
  EXPECT_FALSE(Exists(file));
  EXPECT_EQ(dir_.Read("sub/report.doc.INV"), "data");
  EXPECT_EQ(closes_, 1);
}

TEST_F(AutoProcessorTest, RenameOntoAnExistingNameFailsAndKeepsBothFiles) {
  const std::string file = dir_.Write("a.txt", "new");
  dir_.Write("a.txt.INV", "old");
  EXPECT_EQ(Process(file, kModeRename, "*.*.INV"), kResultFailed);
  EXPECT_EQ(dir_.Read("a.txt"), "new");
  EXPECT_EQ(dir_.Read("a.txt.INV"), "old");
}

// A rule without "*" names every file alike: the first rename wins, the next one fails.
TEST_F(AutoProcessorTest, RuleWithoutStarRenamesOnlyTheFirstFile) {
  const std::string first = dir_.Write("one.exe", "1");
  const std::string second = dir_.Write("two.exe", "2");
  EXPECT_EQ(Process(first, kModeRename, "ABC"), kResultRenamed);
  EXPECT_EQ(Process(second, kModeRename, "ABC"), kResultFailed);
  EXPECT_EQ(dir_.Read("ABC"), "1");
  EXPECT_EQ(dir_.Read("two.exe"), "2");
}

// A new name that is empty, names the folder itself or its parent, or reaches into another
// folder is refused before anything happens to the file.
TEST_F(AutoProcessorTest, RenameToANameOutsideTheFolderFails) {
  const std::string file = dir_.Write("in/a.b", "data");
  dir_.MakeDir("in/x");
  for (const char* rule : {"", ".", "..", "x/*", "../*", "/tmp/*"}) {
    EXPECT_EQ(Process(file, kModeRename, rule), kResultFailed) << rule;
  }
  EXPECT_EQ(dir_.Read("in/a.b"), "data");
  EXPECT_EQ(closes_, 0);
}

TEST_F(AutoProcessorTest, MoveIntoTheMoveFolder) {
  const std::string file = dir_.Write("data/x.exe", "data");
  const std::string quarantine = dir_.MakeDir("quarantine");
  EXPECT_EQ(Process(file, kModeMove, "", quarantine), kResultMoved);
  EXPECT_FALSE(Exists(file));
  EXPECT_EQ(dir_.Read("quarantine/x.exe"), "data");
  // A folder typed with its separator gets no second one, and the name is taken.
  const std::string again = dir_.Write("data/x.exe", "again");
  EXPECT_EQ(Process(again, kModeMove, "", quarantine + "/"), kResultFailed);
  EXPECT_EQ(dir_.Read("data/x.exe"), "again");
  EXPECT_EQ(dir_.Read("quarantine/x.exe"), "data");
}

TEST_F(AutoProcessorTest, MoveWithoutAFolderOrIntoAMissingOneFails) {
  const std::string file = dir_.Write("x.exe", "data");
  EXPECT_EQ(Process(file, kModeMove, "", ""), kResultFailed);
  EXPECT_EQ(closes_, 0);  // refused before the engine was asked to let go
  EXPECT_EQ(Process(file, kModeMove, "", dir_.path() + "/missing"), kResultFailed);
  EXPECT_EQ(dir_.Read("x.exe"), "data");
}

// /dev/shm is a file system of its own here: the move copies, syncs and unlinks.
TEST_F(AutoProcessorTest, MoveAcrossFileSystems) {
  platform::FileStatus shm;
  if (!platform::GetStatus("/dev/shm", &shm) || !shm.isDirectory) GTEST_SKIP() << "no /dev/shm";
  char pattern[] = "/dev/shm/vorlet-move-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string target(pattern);
  const std::string file = dir_.Write("x.exe", std::string(100000, 'v'));
  EXPECT_EQ(Process(file, kModeMove, "", target), kResultMoved);
  EXPECT_FALSE(Exists(file));
  std::string moved;
  EXPECT_TRUE(platform::ReadWholeFile(target + "/x.exe", &moved));
  EXPECT_EQ(moved, std::string(100000, 'v'));
  std::error_code ignored;
  std::filesystem::remove_all(target, ignored);
}

platform::FileIdentity IdentityOf(const std::string& path) {
  platform::FileStatus status;
  EXPECT_TRUE(platform::GetStatus(path, &status)) << path;
  return platform::IdentityOf(status);
}

// A link on the way to the hit is taken only when the folder it leads to is the one the
// search listed; without the search's word, never.
TEST_F(AutoProcessorTest, HitFolderReachedThroughALinkMustBeTheListedOne) {
  dir_.Write("real/x.exe", "data");
  dir_.MakeDir("other");
  ASSERT_EQ(symlink((dir_.folder() + "real").c_str(), (dir_.folder() + "link").c_str()), 0);
  const std::string viaLink = dir_.folder() + "link/x.exe";
  HitIdentity hit;
  EXPECT_EQ(AutoProcessFile(viaLink, kModeDelete, "", "", {}, hit), kResultFailed);
  hit.folder = IdentityOf(dir_.folder() + "other");
  EXPECT_EQ(AutoProcessFile(viaLink, kModeDelete, "", "", {}, hit), kResultFailed);
  EXPECT_EQ(dir_.Read("real/x.exe"), "data");
  hit.folder = IdentityOf(dir_.folder() + "real");
  hit.file = IdentityOf(viaLink);
  EXPECT_EQ(AutoProcessFile(viaLink, kModeRename, "*.*.INV", "", {}, hit), kResultRenamed);
  EXPECT_EQ(dir_.Read("real/x.exe.INV"), "data");
}

// A hit that is a link to a file: judged by the file it leads to, removed as the link.
TEST_F(AutoProcessorTest, LinkHitIsRemovedNotItsTarget) {
  const std::string target = dir_.Write("target.bin", "data");
  const std::string link = dir_.folder() + "link.exe";
  ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
  HitIdentity hit;
  hit.file = IdentityOf(target);
  hit.folder = IdentityOf(dir_.path());
  EXPECT_EQ(AutoProcessFile(link, kModeDelete, "", "", {}, hit), kResultDeleted);
  EXPECT_FALSE(Exists(link));
  EXPECT_EQ(dir_.Read("target.bin"), "data");
}

struct TargetCase {
  const char* path;
  const char* rule;
  const char* expected;
};

// The target's folder is the hit's own; a root keeps its one separator.
TEST(AutoProcessorTargetTest, RenameTargetsInBothPathStyles) {
  const TargetCase native[] = {
      {"/data/report.doc", "*.*.INV", "/data/report.doc.INV"},
      {"/x.exe", "*.*.INV", "/x.exe.INV"},
      {"x.exe", "*.*.INV", "x.exe.INV"},  // a bare name stays where it is
      {"/data/x.exe", "", ""},
  };
  for (const TargetCase& c : native) {
    CDFile file;
    file.AssignPath(c.path);
    EXPECT_EQ(RenameTarget(file, c.rule), c.expected) << c.path;
  }
  const TargetCase backslash[] = {
      {"C:\\x.exe", "*.*.INV", "C:\\x.exe.INV"},
      {"C:\\data\\x.exe", "_*.*_", "C:\\data\\_x.exe_"},
      {"C:\\\x95\x5C\\x.exe", "*.*.INV", "C:\\\x95\x5C\\x.exe.INV"},
  };
  for (const TargetCase& c : backslash) {
    CDFile file(kBackslashPathStyle);
    file.AssignPath(c.path);
    EXPECT_EQ(RenameTarget(file, c.rule), c.expected) << c.path;
  }
}

TEST(AutoProcessorTargetTest, MoveTargets) {
  CDFile file(kBackslashPathStyle);
  file.AssignPath("C:\\data\\x.exe");
  EXPECT_EQ(MoveTarget(file, "D:\\quarantine"), "D:\\quarantine\\x.exe");
  EXPECT_EQ(MoveTarget(file, "D:\\"), "D:\\x.exe");
  EXPECT_EQ(MoveTarget(file, ""), "");
  CDFile native;
  native.AssignPath("/data/x.exe");
  EXPECT_EQ(MoveTarget(native, "/"), "/x.exe");
  EXPECT_EQ(MoveTarget(native, "/q"), "/q/x.exe");
  EXPECT_EQ(MoveTarget(native, "/q/"), "/q/x.exe");
}

}  // namespace
