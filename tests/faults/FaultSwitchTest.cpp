// The switch itself: which calls a rule takes, how many it lets through first, how often
// it fires, and that a test's own action is never matched.
#include "platform/Faults.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "platform/FileSystem.h"
#include "platform/TempFile.h"
#include "support/TempDir.h"

namespace {

using platform::faults::Call;
using testing_support::TempDir;

// One read call on the file; its errno, or 0.
int ReadError(const std::string& path) {
  platform::ReadFile file;
  char byte;
  int error = 0;
  if (!file.Open(path, &error)) return error;
  return file.ReadAt(0, &byte, 1, &error) < 0 ? error : 0;
}

TEST(FaultSwitchTest, RuleTakesItsCallAndPathAfterTheCallsLetThrough) {
  TempDir dir;
  const std::string a = dir.Write("a.txt", "a");
  const std::string b = dir.Write("b.txt", "b");
  platform::faults::Scope faults;
  platform::faults::Arm(Call::Read, EIO, 1, "a.txt", 2);
  EXPECT_EQ(ReadError(b), 0);  // another path
  EXPECT_EQ(ReadError(a), 0);  // the call let through
  EXPECT_EQ(ReadError(a), EIO);
  EXPECT_EQ(ReadError(a), EIO);
  EXPECT_EQ(ReadError(a), 0);  // fired twice: spent
  EXPECT_EQ(platform::faults::FailuresInjected(), 2);

  platform::faults::Arm(Call::Open, EACCES);  // every open, any path
  EXPECT_EQ(ReadError(b), EACCES);
  platform::faults::Reset();
  EXPECT_EQ(ReadError(b), 0);
  EXPECT_EQ(platform::faults::FailuresInjected(), 0);
}

// An entry opened relative to its folder is named by the folder's path and its name.
TEST(FaultSwitchTest, EntryOpenedInItsFolderIsMatchedByItsFullPath) {
  TempDir dir;
  dir.Write("sub/x.exe", "x");
  platform::faults::Scope faults;
  platform::faults::Arm(Call::Open, EIO, 0, dir.path() + "/sub/x.exe");
  platform::DirReader reader;
  ASSERT_TRUE(reader.Open(dir.folder() + "sub"));
  platform::DirEntry entry;
  ASSERT_TRUE(reader.Next(&entry));
  platform::ReadFile file;
  int error = 0;
  EXPECT_FALSE(file.OpenEntry(reader, entry, &error));
  EXPECT_EQ(error, EIO);
}

TEST(FaultSwitchTest, ActionRunsOnceBeforeItsCallAndIsNeverMatchedItself) {
  TempDir dir;
  const std::string a = dir.Write("a.txt", "old");
  platform::faults::Scope faults;
  int runs = 0;
  // A save writes under a temporary name, then renames it to a.txt.
  platform::faults::Arm(Call::Write, ENOSPC, 0, platform::kTemporaryPrefix);
  platform::faults::Before(Call::Open, "a.txt", [&] {
    ++runs;
    // The action's own calls pass the switch untouched: this save succeeds.
    EXPECT_TRUE(platform::WriteFileAtomic(a, "from the action"));
  });
  std::string content;
  EXPECT_TRUE(platform::ReadWholeFile(a, &content));
  EXPECT_EQ(content, "from the action");
  EXPECT_TRUE(platform::ReadWholeFile(a, &content));
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(platform::faults::ActionsRun(), 1);
  EXPECT_FALSE(platform::WriteFileAtomic(a, "refused"));
}

}  // namespace
