#include "platform/FolderHandle.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/Encoding.h"
#include "support/TempDir.h"
#include "support/Unprivileged.h"

using platform::FileIdentity;
using platform::FolderHandle;
using testing_support::TempDir;

namespace {

FileIdentity IdentityOf(const std::string& path) {
  platform::FileStatus status;
  EXPECT_TRUE(platform::GetLinkStatus(path, &status)) << path;
  return platform::IdentityOf(status);
}

bool Exists(const std::string& path) {
  platform::FileStatus status;
  return platform::GetLinkStatus(path, &status);
}

// A folder on a second file system (a move into it must copy); empty when there is none.
std::string OtherFileSystemFolder() {
  if (!std::filesystem::is_directory("/dev/shm")) return std::string();
  char pattern[] = "/dev/shm/vorlet-handle-XXXXXX";
  return mkdtemp(pattern) != nullptr ? std::string(pattern) : std::string();
}

TEST(FolderHandleTest, WalkWithoutLinksRefusesALinkAnywhereOnThePath) {
  TempDir dir;
  dir.Write("real/sub/x", "x");
  ASSERT_EQ(symlink((dir.folder() + "real").c_str(), (dir.folder() + "link").c_str()), 0);
  FolderHandle handle;
  for (const std::string& through : {dir.folder() + "link/sub", dir.folder() + "link", dir.folder() + "real/sub/x"}) {
    int error = 0;
    EXPECT_FALSE(handle.OpenNoFollow(through, &error)) << through;
    EXPECT_TRUE(error == ELOOP || error == ENOTDIR) << through << " " << error;
  }
  // Doubled and trailing separators are no components; a link is fine for Open.
  EXPECT_TRUE(handle.OpenNoFollow(dir.path() + "//real/sub/"));
  EXPECT_TRUE(handle.OpenNoFollow("/"));
  EXPECT_TRUE(handle.Open(dir.folder() + "link/sub"));
  FileIdentity viaLink;
  ASSERT_TRUE(handle.Identity(&viaLink));
  EXPECT_TRUE(platform::SameIdentity(viaLink, IdentityOf(dir.folder() + "real/sub")));
}

// A link on the way is followed only when root or the trusted user owns it: another user's
// link may have been planted to steer a file into a folder of that user's choosing.
TEST(FolderHandleTest, FollowsOnlyLinksOfTheTrustedUserOrRoot) {
  TempDir dir;
  dir.Write("real/sub/x", "x");
  const struct {
    const char* name;
    const char* target;
  } links[] = {{"abs", nullptr}, {"rel", "real/sub/../sub"}, {"chain", "abs"}, {"loop", "loop"}};
  // The test's own links; as root, nobody's, since root's are always followed.
  const uid_t owner = geteuid() == 0 ? 65534 : geteuid();
  for (const auto& link : links) {
    const std::string path = dir.folder() + link.name;
    const std::string target = link.target != nullptr ? link.target : dir.folder() + "real";
    ASSERT_EQ(symlink(target.c_str(), path.c_str()), 0);
    ASSERT_EQ(lchown(path.c_str(), owner, static_cast<gid_t>(-1)), 0);
  }
  const long stranger = owner + 1;
  const struct {
    const char* folder;
    long trusted;
    int error;  // 0: opens real/sub
  } cases[] = {
      {"abs/sub", owner, 0},
      {"rel", owner, 0},
      {"chain/sub", owner, 0},
      {"abs/sub", stranger, EPERM},
      {"chain/sub", stranger, EPERM},
      {"loop", owner, ELOOP},
      {"real/sub/x", owner, ENOTDIR},
  };
  for (const auto& c : cases) {
    FolderHandle handle;
    int error = 0;
    EXPECT_EQ(handle.OpenFollowingOwnLinks(dir.folder() + c.folder, &error, c.trusted), c.error == 0) << c.folder;
    EXPECT_EQ(error, c.error) << c.folder << " trusting " << c.trusted;
    FileIdentity opened;
    if (c.error == 0 && handle.Identity(&opened)) {
      EXPECT_TRUE(platform::SameIdentity(opened, IdentityOf(dir.folder() + "real/sub"))) << c.folder;
    }
  }
}

// Once open, the handle acts in its folder wherever that folder has gone, and never in
// what has taken its place.
TEST(FolderHandleTest, HandleStaysWithItsFolderWhenThePathChanges) {
  TempDir dir;
  dir.Write("a/x", "mine");
  dir.Write("canary/x", "canary");
  FolderHandle handle;
  ASSERT_TRUE(handle.OpenNoFollow(dir.folder() + "a"));
  ASSERT_EQ(rename((dir.folder() + "a").c_str(), (dir.folder() + "moved").c_str()), 0);
  ASSERT_EQ(symlink((dir.folder() + "canary").c_str(), (dir.folder() + "a").c_str()), 0);
  EXPECT_TRUE(handle.RemoveEntry("x"));
  EXPECT_FALSE(Exists(dir.folder() + "moved/x"));
  EXPECT_EQ(dir.Read("canary/x"), "canary");
}

TEST(FolderHandleTest, EntryIsTellsTheFileFromAReplacement) {
  TempDir dir;
  const std::string file = dir.Write("x", "one");
  ASSERT_EQ(symlink(file.c_str(), (dir.folder() + "link").c_str()), 0);
  dir.MakeDir("sub");
  const FileIdentity original = IdentityOf(file);
  FolderHandle handle;
  ASSERT_TRUE(handle.OpenNoFollow(dir.path()));
  EXPECT_TRUE(handle.EntryIs("x", original));
  EXPECT_TRUE(handle.EntryIs("link", original));  // a link is judged by where it leads
  int error = 0;
  EXPECT_FALSE(handle.EntryIs("sub", IdentityOf(dir.folder() + "sub"), &error));
  EXPECT_FALSE(handle.EntryIs("x", FileIdentity{}, &error));  // unknown is never the same
  const std::string other = dir.Write("y", "two");
  ASSERT_EQ(rename(other.c_str(), file.c_str()), 0);
  EXPECT_FALSE(handle.EntryIs("x", original, &error));
  EXPECT_EQ(error, ESTALE);
  EXPECT_FALSE(handle.EntryIs("none", original, &error));
  EXPECT_EQ(error, ENOENT);
}

TEST(FolderHandleTest, RemoveEntryRemovesALinkNotItsTarget) {
  TempDir dir;
  const std::string target = dir.Write("target", "keep");
  ASSERT_EQ(symlink(target.c_str(), (dir.folder() + "link").c_str()), 0);
  FolderHandle handle;
  ASSERT_TRUE(handle.OpenNoFollow(dir.path()));
  EXPECT_TRUE(handle.RemoveEntry("link"));
  EXPECT_FALSE(Exists(dir.folder() + "link"));
  EXPECT_EQ(dir.Read("target"), "keep");
}

TEST(FolderHandleTest, MoveNeverReplacesAnEntry) {
  TempDir dir;
  dir.Write("a/x", "x");
  dir.Write("b/x", "theirs");
  FolderHandle a;
  FolderHandle b;
  ASSERT_TRUE(a.OpenNoFollow(dir.folder() + "a"));
  ASSERT_TRUE(b.OpenNoFollow(dir.folder() + "b"));
  int error = 0;
  EXPECT_FALSE(a.MoveEntryNoReplace("x", b, "x", FileIdentity{}, &error));
  EXPECT_EQ(error, EEXIST);
  EXPECT_EQ(dir.Read("a/x"), "x");
  EXPECT_EQ(dir.Read("b/x"), "theirs");
  EXPECT_TRUE(a.MoveEntryNoReplace("x", a, "x.INV"));
  EXPECT_TRUE(a.MoveEntryNoReplace("x.INV", b, "y"));
  EXPECT_EQ(dir.Read("b/y"), "x");
}

// Across file systems the copy keeps content and permissions; what is no regular file, or
// no longer the file expected, stays where it is.
TEST(FolderHandleTest, MoveAcrossFileSystems) {
  const std::string other = OtherFileSystemFolder();
  if (other.empty()) GTEST_SKIP() << "no second file system";
  TempDir dir;
  const std::string file = dir.Write("x", std::string(200000, 'c'));
  ASSERT_EQ(chmod(file.c_str(), 0640), 0);
  // A note of the user's own on the file, where the file system keeps such notes.
  const bool notes = setxattr(file.c_str(), "user.origin", "mail", 4, 0) == 0;
  const struct timespec modified[2] = {{1000000000, 0}, {1000000000, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), modified, 0), 0);
  ASSERT_EQ(symlink(file.c_str(), (dir.folder() + "link").c_str()), 0);
  ASSERT_EQ(mkfifo((dir.folder() + "fifo").c_str(), 0600), 0);
  const std::string wrong = dir.Write("wrong", "w");
  FolderHandle from;
  FolderHandle to;
  ASSERT_TRUE(from.OpenNoFollow(dir.path()));
  ASSERT_TRUE(to.Open(platform::OsNameToCp932(other)));

  int error = 0;
  EXPECT_FALSE(from.MoveEntryNoReplace("wrong", to, "wrong", IdentityOf(file), &error));
  EXPECT_EQ(error, ESTALE);
  EXPECT_FALSE(from.MoveEntryNoReplace("link", to, "link"));
  EXPECT_FALSE(from.MoveEntryNoReplace("fifo", to, "fifo"));
  EXPECT_TRUE(Exists(dir.folder() + "link"));
  EXPECT_TRUE(Exists(dir.folder() + "fifo"));
  EXPECT_TRUE(Exists(wrong));

  EXPECT_TRUE(from.MoveEntryNoReplace("x", to, "x", IdentityOf(file)));
  EXPECT_FALSE(Exists(file));
  std::string moved;
  EXPECT_TRUE(platform::ReadWholeFile(other + "/x", &moved));
  EXPECT_EQ(moved, std::string(200000, 'c'));
  struct stat st;
  ASSERT_EQ(stat((other + "/x").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(st.st_mtime, 1000000000);
  char note[16] = {};
  if (notes) {
    EXPECT_EQ(getxattr((other + "/x").c_str(), "user.origin", note, sizeof note), 4) << errno;
  }
  EXPECT_EQ(std::filesystem::remove_all(other), 2u);  // the folder and the one copy
}

constexpr time_t kOldTime = 1000000000;

// from/x: a script of owner and group with mode, last modified at kOldTime; from and to
// open to everybody, so that any user may move it. Takes root.
void MakeScript(const std::string& from, const std::string& to, uid_t owner, gid_t group, mode_t mode) {
  const std::string file = from + "/x";
  FILE* f = fopen(file.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  fputs("#!/bin/sh\nid -u\n", f);
  fclose(f);
  const struct timespec modified[2] = {{kOldTime, 0}, {kOldTime, 0}};
  ASSERT_EQ(chown(file.c_str(), owner, group), 0);
  ASSERT_EQ(chmod(file.c_str(), mode), 0);  // after chown, which clears the bits
  ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), modified, 0), 0);
  for (const std::string& folder : {from, to}) ASSERT_EQ(chmod(folder.c_str(), 0777), 0);
}

// Moves from/x to to/x, which must cross file systems; the status of the copy.
void MoveScript(const std::string& from, const std::string& to, struct stat* copy) {
  FolderHandle source;
  FolderHandle target;
  ASSERT_TRUE(source.OpenNoFollow(from));
  ASSERT_TRUE(target.Open(to));
  int error = 0;
  ASSERT_TRUE(source.MoveEntryNoReplace("x", target, "x", FileIdentity{}, &error)) << error;
  ASSERT_EQ(stat((to + "/x").c_str(), copy), 0);
}

// Root moving a user's set-user-ID program leaves it the user's, as a rename would.
TEST(FolderHandleTest, RootMoveAcrossFileSystemsKeepsOwnerGroupAndMode) {
  if (geteuid() != 0) GTEST_SKIP() << "giving a file to another user takes root";
  const std::string to = OtherFileSystemFolder();
  if (to.empty()) GTEST_SKIP() << "no second file system";
  TempDir dir;
  MakeScript(dir.path(), to, 65534, 65534, 06755);
  struct stat copy;
  MoveScript(dir.path(), to, &copy);
  EXPECT_EQ(copy.st_uid, 65534u);
  EXPECT_EQ(copy.st_gid, 65534u);
  EXPECT_EQ(copy.st_mode & 07777, 06755u);
  EXPECT_EQ(copy.st_mtime, kOldTime);
  std::filesystem::remove_all(to);
}

// A user moving its own set-user-ID program of a group it is not in cannot give the copy
// that group: the copy loses the bit rather than run under another group. Only root can
// make such a file, so root prepares it and the test runs again as user 65534 (who finds
// the folders in the environment) to move it.
TEST(FolderHandleTest, CopyThatCannotKeepItsGroupLosesSetUserId) {
  const char* prepared = getenv("VORLET_TEST_SCRIPT_FOLDERS");
  if (prepared == nullptr) {
    if (geteuid() != 0) GTEST_SKIP() << "a file of a group its owner is not in takes root to make";
    const std::string to = OtherFileSystemFolder();
    if (to.empty()) GTEST_SKIP() << "no second file system";
    char from[] = "/tmp/vorlet-group-XXXXXX";  // where user 65534 may go
    ASSERT_NE(mkdtemp(from), nullptr);
    MakeScript(from, to, 65534, 0, 04755);
    setenv("VORLET_TEST_SCRIPT_FOLDERS", (std::string(from) + "\n" + to).c_str(), 1);
    EXPECT_FALSE(testing_support::RunAsUnprivileged());
    unsetenv("VORLET_TEST_SCRIPT_FOLDERS");
    std::filesystem::remove_all(from);
    std::filesystem::remove_all(to);
    return;
  }
  const std::string folders = prepared;
  const size_t split = folders.find('\n');
  struct stat copy;
  MoveScript(folders.substr(0, split), folders.substr(split + 1), &copy);
  EXPECT_EQ(copy.st_uid, geteuid());
  EXPECT_EQ(copy.st_gid, getegid());
  EXPECT_EQ(copy.st_mode & 07777, 0755u);
  EXPECT_EQ(copy.st_mtime, kOldTime);
}

// A subfolder reached by a path in which a link was swapped for a component no longer
// hangs below the folder that listed it.
TEST(FolderHandleTest, ListedFolderKnowsItsParent) {
  TempDir dir;
  dir.MakeDir("tree/sub/deep");
  dir.MakeDir("canary/deep");
  platform::DirReader tree;
  platform::DirReader sub;
  ASSERT_TRUE(tree.Open(dir.folder() + "tree"));
  FileIdentity treeId;
  ASSERT_TRUE(tree.Identity(&treeId));
  ASSERT_TRUE(sub.Open(dir.folder() + "tree/sub"));
  FileIdentity subId;
  ASSERT_TRUE(sub.Identity(&subId));
  EXPECT_TRUE(sub.ParentIs(treeId));

  ASSERT_EQ(rename((dir.folder() + "tree/sub").c_str(), (dir.folder() + "away").c_str()), 0);
  ASSERT_EQ(symlink((dir.folder() + "canary").c_str(), (dir.folder() + "tree/sub").c_str()), 0);
  platform::DirReader deep;
  ASSERT_TRUE(deep.Open(dir.folder() + "tree/sub/deep"));  // the path leads into the canary
  EXPECT_FALSE(deep.ParentIs(subId));
}

}  // namespace
