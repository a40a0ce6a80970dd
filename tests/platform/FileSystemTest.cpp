#include "platform/FileSystem.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>

#include "platform/Clock.h"
#include "support/TempDir.h"

using testing_support::TempDir;

TEST(FileSystemTest, AtomicWriteReplacesAndLeavesNoTemporary) {
  TempDir dir;
  std::string path = dir.Write("a.ini", "old");
  ASSERT_TRUE(platform::WriteFileAtomic(path, "new content"));
  EXPECT_EQ(dir.Read("a.ini"), "new content");
  int count = 0;
  for (auto& e : std::filesystem::directory_iterator(dir.path())) (void)e, ++count;
  EXPECT_EQ(count, 1);
}

// The replaced file's permission bits are kept, but only a regular file's, and never a
// set-user-ID or set-group-ID bit: root writing over a link planted towards a set-user-ID
// program, or over a user's set-user-ID file, must not make a set-user-ID file of its own.
TEST(FileSystemTest, AtomicWriteKeepsOnlyARegularFilesPermissionBits) {
  TempDir dir;
  const mode_t mask = ::umask(0);
  ::umask(mask);
  const std::string program = dir.Write("program", "#!");
  ASSERT_EQ(::chmod(program.c_str(), 04711), 0);
  struct Case {
    const char* name;
    mode_t before;  // 0: a link to program
    mode_t after;
  } cases[] = {
      {"private.ini", 0600, 0600},
      {"setid.tsv", 06777, 0777 & ~mask},
      {"link.check", 0, 0644 & ~mask},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.folder() + c.name;
    if (c.before == 0) {
      ASSERT_EQ(::symlink(program.c_str(), path.c_str()), 0);
    } else {
      dir.Write(c.name, "old");
      ASSERT_EQ(::chmod(path.c_str(), c.before), 0);
    }
    ASSERT_TRUE(platform::WriteFileAtomic(path, "new"));
    struct stat st;
    ASSERT_EQ(::lstat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_mode & 07777, c.after);
  }
  struct stat st;
  ASSERT_EQ(::stat(program.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 04711u);
  EXPECT_EQ(dir.Read("program"), "#!");
}

TEST(FileSystemTest, NoReplaceWriteNeverTouchesATakenName) {
  TempDir dir;
  const std::string path = dir.Write("a.log", "first");
  int error = 0;
  EXPECT_FALSE(platform::WriteFileNoReplace(path, "second", &error));
  EXPECT_EQ(error, EEXIST);
  EXPECT_TRUE(platform::WriteFileNoReplace(dir.folder() + "b.log", "second"));
  EXPECT_EQ(dir.Read("a.log"), "first");
  EXPECT_EQ(dir.Read("b.log"), "second");
  int count = 0;
  for (auto& e : std::filesystem::directory_iterator(dir.path())) (void)e, ++count;
  EXPECT_EQ(count, 2);
}

// What a killed save leaves is removed by the next write into its folder; a temporary
// still held by a live writer, a fresh one, or a user's file of a similar name is not.
TEST(FileSystemTest, NextWriteRemovesOnlyAbandonedTemporaries) {
  TempDir dir;
  const std::string abandoned = dir.Write(".vorlet-tmp-00000000000000aa", "half");
  const std::string held = dir.Write(".vorlet-tmp-00000000000000bb", "busy");
  const std::string fresh = dir.Write(".vorlet-tmp-00000000000000cc", "just made");
  const std::string user = dir.Write(".vorlet-tmp-notours", "mine");
  const struct timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
  for (const std::string* path : {&abandoned, &held, &user}) ASSERT_EQ(::utimensat(AT_FDCWD, path->c_str(), old, 0), 0);
  const int lock = ::open(held.c_str(), O_RDONLY);
  ASSERT_EQ(::flock(lock, LOCK_EX), 0);
  // The lock is per open file, so a child holding it stands for another process.
  const pid_t holder = ::fork();
  if (holder == 0) {
    ::pause();
    ::_exit(0);
  }
  ::close(lock);

  ASSERT_TRUE(platform::WriteFileAtomic(dir.folder() + "Vorlet.ini", "[S]\r\n"));
  ::kill(holder, SIGKILL);
  ::waitpid(holder, nullptr, 0);
  EXPECT_FALSE(std::filesystem::exists(abandoned));
  EXPECT_TRUE(std::filesystem::exists(held));
  EXPECT_TRUE(std::filesystem::exists(fresh));
  EXPECT_TRUE(std::filesystem::exists(user));
}

TEST(FileSystemTest, AtomicWriteIntoMissingFolderFailsCleanly) {
  TempDir dir;
  int error = 0;
  EXPECT_FALSE(platform::WriteFileAtomic(dir.folder() + "none/a.ini", "x", &error));
  EXPECT_EQ(error, ENOENT);
}

TEST(FileSystemTest, DirReaderMapsEntryKinds) {
  TempDir dir;
  dir.Write("file.txt", "x");
  dir.MakeDir("sub");
  ASSERT_EQ(symlink((dir.folder() + "sub").c_str(), (dir.folder() + "linkdir").c_str()), 0);
  ASSERT_EQ(symlink((dir.folder() + "file.txt").c_str(), (dir.folder() + "linkfile").c_str()), 0);
  ASSERT_EQ(symlink((dir.folder() + "missing").c_str(), (dir.folder() + "dangling").c_str()), 0);
  ASSERT_EQ(mkfifo((dir.folder() + "fifo").c_str(), 0600), 0);

  platform::DirReader reader;
  ASSERT_TRUE(reader.Open(dir.folder()));
  std::map<std::string, uint32_t> seen;
  platform::DirEntry e;
  while (reader.Next(&e)) seen[e.name] = e.attributes;
  EXPECT_EQ(seen["file.txt"], platform::kAttrNormal);
  EXPECT_EQ(seen["sub"], platform::kAttrDirectory);
  EXPECT_EQ(seen["linkdir"], platform::kAttrReparsePoint);
  EXPECT_EQ(seen["linkfile"], platform::kAttrNormal);
  EXPECT_EQ(seen["dangling"], platform::kAttrReparsePoint);
  EXPECT_EQ(seen["fifo"], platform::kAttrDevice);
  EXPECT_EQ(seen.size(), 6u);
}

TEST(FileSystemTest, ReadFileRefusesFifoWithoutBlocking) {
  TempDir dir;
  std::string fifo = dir.folder() + "fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  platform::ReadFile file;
  EXPECT_FALSE(file.Open(fifo));
  EXPECT_FALSE(file.Open(dir.folder()));
}

TEST(FileSystemTest, MoveNeverReplaces) {
  TempDir dir;
  std::string a = dir.Write("a", "A");
  std::string b = dir.Write("b", "B");
  int error = 0;
  EXPECT_FALSE(platform::MoveNoReplace(a, b, &error));
  EXPECT_EQ(error, EEXIST);
  EXPECT_EQ(dir.Read("a"), "A");
  EXPECT_EQ(dir.Read("b"), "B");
  EXPECT_TRUE(platform::MoveNoReplace(a, dir.folder() + "c"));
  EXPECT_EQ(dir.Read("c"), "A");
}

TEST(FileSystemTest, MoveAcrossFileSystemsCopiesThenRemoves) {
  if (!std::filesystem::is_directory("/dev/shm")) GTEST_SKIP() << "no second file system";
  TempDir dir;
  std::string a = dir.Write("a", std::string(100000, 'x'));
  std::string target = "/dev/shm/vorlet-move-" + std::to_string(getpid());
  ASSERT_TRUE(platform::MoveNoReplace(a, target));
  EXPECT_FALSE(std::filesystem::exists(a));
  EXPECT_EQ(std::filesystem::file_size(target), 100000u);
  // A second move onto the existing copy must fail and keep the source.
  std::string b = dir.Write("b", "B");
  EXPECT_FALSE(platform::MoveNoReplace(b, target));
  EXPECT_EQ(dir.Read("b"), "B");
  std::filesystem::remove(target);
}

TEST(ClockTest, OleDatesOfKnownDays) {
  double d = 0;
  ASSERT_TRUE(platform::LocalToOleDate({2003, 3, 10, 0, 0, 0}, &d));
  EXPECT_EQ(d, 37690.0);
  ASSERT_TRUE(platform::LocalToOleDate({1899, 12, 30, 12, 0, 0}, &d));
  EXPECT_EQ(d, 0.5);
  platform::LocalDateTime t{};
  ASSERT_TRUE(platform::OleDateToLocal(37690.75, &t));
  EXPECT_EQ(t.year, 2003);
  EXPECT_EQ(t.month, 3);
  EXPECT_EQ(t.day, 10);
  EXPECT_EQ(t.hour, 18);
  EXPECT_FALSE(platform::OleDateToLocal(1e300, &t));
}
