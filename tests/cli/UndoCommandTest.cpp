// A run that renames, moves or deletes leaves a journal, and vorlet-scan --undo takes the run
// back from it: files back where they were with their own bytes, nothing replaced, a file that
// changed since left where it is, deletions reported as beyond undoing, a second undo
// restoring nothing. A journal that cannot be written makes the run's status say so.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "cli/ScanRunner.h"
#include "support/Unprivileged.h"

namespace {

using cli_test::RunScan;
using cli_test::ScanHome;
namespace fs = std::filesystem;

const std::string kSample(600, 'S');
// A TAB and a byte that is not UTF-8: the journal must give both back exactly.
const std::string kOddName = "a\tb\xff.exe";

// A folder on /dev/shm, a file system of its own here: a move there copies, and so does
// the move back.
class OtherFileSystemDir {
 public:
  OtherFileSystemDir() {
    char pattern[] = "/dev/shm/vorlet-undo-XXXXXX";
    if (fs::is_directory("/dev/shm") && mkdtemp(pattern) != nullptr) path_ = pattern;
  }
  ~OtherFileSystemDir() {
    std::error_code ec;
    if (!path_.empty()) fs::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

class UndoCommandTest : public ::testing::Test {
 protected:
  UndoCommandTest() {
    home.AddSignature("トロイ", "見本", kSample);
    home.SaveStore();
  }

  // Runs a processing search over the tree and returns the journal it names on stderr.
  std::string Process(std::vector<std::string> args) {
    args.insert(args.end(), {"-q", tree.path()});
    const auto result = RunScan(home.Args(args));
    EXPECT_EQ(result.exitStatus, 1) << result.err;
    const std::string label = "vorlet-scan: journal (for --undo): ";
    const size_t at = result.err.find(label);
    if (at == std::string::npos) {
      ADD_FAILURE() << "no journal named:\n" << result.err;
      return std::string();
    }
    const size_t start = at + label.size();
    return result.err.substr(start, result.err.find('\n', start) - start);
  }

  ScanHome home;
  testing_support::TempDir tree;
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST_F(UndoCommandTest, RenamedAndMovedFilesGoBackWithTheirBytes) {
  testing_support::TempDir moveTo;
  OtherFileSystemDir shm;
  const struct {
    const char* label;
    std::vector<std::string> args;
    std::string newFolder;  // where the files are after the run; empty: beside themselves
    const char* suffix;     // what the run appends to a name
  } cases[] = {
      {"rename", {"--rule", "*.*.INV"}, "", ".INV"},
      {"move", {"--move-to", moveTo.path()}, moveTo.path(), ""},
      {"move to another file system", {"--move-to", shm.path()}, shm.path(), ""},
  };
  for (const auto& c : cases) {
    if (c.newFolder == shm.path() && shm.path().empty()) continue;  // no second file system here
    const std::string folder = tree.path() + "/sub";
    const std::string names[] = {"Bad.exe", kOddName};
    for (const std::string& name : names) tree.Write("sub/" + name, kSample + name);
    const std::string journal = Process(c.args);
    for (const std::string& name : names) {
      ASSERT_FALSE(fs::exists(folder + "/" + name)) << c.label;
    }

    const auto undo = RunScan({"--undo", journal});
    EXPECT_EQ(undo.exitStatus, 0) << c.label << "\n" << undo.out << undo.err;
    for (const std::string& name : names) {
      const std::string now = (c.newFolder.empty() ? folder : c.newFolder) + "/" + name + c.suffix;
      EXPECT_EQ(ReadFile(folder + "/" + name), kSample + name) << c.label;
      EXPECT_FALSE(fs::exists(now)) << c.label << " " << now;
    }
    EXPECT_NE(undo.out.find("restored\t" + folder + "/a\\tb\xff.exe\t"), std::string::npos) << undo.out;
    EXPECT_NE(undo.err.find("restored: 2\n"), std::string::npos) << undo.err;

    const auto again = RunScan({"--undo", journal});
    EXPECT_EQ(again.exitStatus, 0) << c.label << "\n" << again.err;
    EXPECT_EQ(("\n" + again.out).find("\nrestored\t"), std::string::npos) << again.out;
    EXPECT_NE(again.out.find("already-restored\t" + folder + "/Bad.exe\t"), std::string::npos) << again.out;
    EXPECT_NE(again.err.find("nothing to restore: this journal was taken back already"), std::string::npos);
    for (const std::string& name : names) fs::remove(folder + "/" + name);
  }
}

// After a rename run of sub/Bad.exe to sub/Bad.exe.INV (or its deletion), something
// happens; then the undo. Nothing is ever replaced.
TEST_F(UndoCommandTest, WhatCannotBeRestoredIsLeftAndSaidSo) {
  const std::string oldPath = tree.path() + "/sub/Bad.exe";
  const std::string newPath = oldPath + ".INV";
  const std::string other(600, 'X');
  const struct {
    const char* label;
    std::vector<std::string> args;
    std::function<void()> meanwhile;
    const char* line;  // the undo's line for the file
    int exitStatus;
    const char* atOld;  // what the old path holds afterwards (null: nothing)
    const char* atNew;
  } cases[] = {
      {"rewritten", {"--rule", "*.*.INV"}, [&] { tree.Write("sub/Bad.exe.INV", other); },
       "changed\t", 2, nullptr, "X"},
      {"replaced", {"--rule", "*.*.INV"},
       [&] { fs::rename(tree.Write("elsewhere", kSample), newPath); }, "changed\t", 2, nullptr, "S"},
      {"gone", {"--rule", "*.*.INV"}, [&] { fs::remove(newPath); }, "gone\t", 2, nullptr, nullptr},
      {"old place taken", {"--rule", "*.*.INV"}, [&] { tree.Write("sub/Bad.exe", other); }, "taken\t", 2, "X", "S"},
      {"deleted", {"--mode", "delete"}, [] {}, "deleted\t", 0, nullptr, nullptr},
  };
  for (const auto& c : cases) {
    fs::remove_all(tree.path() + "/sub");
    tree.Write("sub/Bad.exe", kSample);
    const std::string journal = Process(c.args);
    c.meanwhile();

    const auto undo = RunScan({"--undo", journal});
    EXPECT_EQ(undo.exitStatus, c.exitStatus) << c.label << "\n" << undo.out << undo.err;
    EXPECT_TRUE(undo.out.starts_with(std::string(c.line) + oldPath + "\t")) << c.label << "\n" << undo.out;
    EXPECT_EQ(fs::exists(oldPath), c.atOld != nullptr) << c.label;
    if (c.atOld != nullptr) {
      EXPECT_EQ(ReadFile(oldPath)[0], *c.atOld) << c.label;
    }
    EXPECT_EQ(fs::exists(newPath), c.atNew != nullptr) << c.label;
    if (c.atNew != nullptr) {
      EXPECT_EQ(ReadFile(newPath)[0], *c.atNew) << c.label;
    }
  }
}

// What a journal says is done with the undoing user's rights: one that is not that user's
// own (or root's), that others may rewrite, or that is reached through a link is refused
// whole.
TEST_F(UndoCommandTest, AJournalThatCannotBeTrustedIsRefusedWhole) {
  tree.Write("sub/Bad.exe", kSample);
  const std::string journal = Process({"--rule", "*.*.INV"});
  const std::string link = home.path() + "/link.journal";
  ASSERT_EQ(symlink(journal.c_str(), link.c_str()), 0);
  const struct {
    const char* label;
    std::function<void()> make;
    std::string given;
    const char* reason;
  } cases[] = {
      {"a link to it", [] {}, link, "a link (give the journal itself)"},
      {"others may write it", [&] { chmod(journal.c_str(), 0646); }, journal, "not trusted"},
      {"group may write it", [&] { chmod(journal.c_str(), 0664); }, journal, "not trusted"},
      // Only root can give a file away; CI runs as root.
      {"another user's",
       [&] {
         chmod(journal.c_str(), 0644);
         ASSERT_EQ(chown(journal.c_str(), 65534, 65534), 0);
       },
       journal, geteuid() == 0 ? "not trusted" : nullptr},
  };
  for (const auto& c : cases) {
    if (c.reason == nullptr) continue;
    c.make();
    const auto undo = RunScan({"--undo", c.given});
    EXPECT_EQ(undo.exitStatus, 2) << c.label << "\n" << undo.out << undo.err;
    EXPECT_NE(undo.err.find(c.given + ": " + c.reason), std::string::npos) << c.label << "\n" << undo.err;
    EXPECT_TRUE(fs::exists(tree.path() + "/sub/Bad.exe.INV")) << c.label;
  }
}

// A killed run's cut last line stays unreadable after an undo has appended to the journal.
TEST_F(UndoCommandTest, ACutLastLineIsNeverReadAsAnEntry) {
  testing_support::TempDir moveTo;
  tree.Write("sub/a.exe", kSample + "a");
  tree.Write("sub/b.exe", kSample + "b");
  const std::string journal = Process({"--move-to", moveTo.path()});
  fs::resize_file(journal, fs::file_size(journal) - 5);  // into the last entry's time

  for (const char* undo : {"first", "second"}) {
    const auto result = RunScan({"--undo", journal});
    EXPECT_EQ(result.exitStatus, 2) << undo << "\n" << result.out << result.err;
    EXPECT_NE(result.err.find(": line 3 cannot be read"), std::string::npos) << undo << "\n" << result.err;
    EXPECT_EQ(("\n" + result.out).find("\nchanged\t"), std::string::npos) << undo << "\n" << result.out;
  }
}

// A link another user put in place of the folder a file was taken from is not followed back
// (the file would go, with root's rights, into a folder of that user's choosing).
TEST_F(UndoCommandTest, ALinkOfAnotherUserIsNotFollowedBack) {
  if (geteuid() != 0) GTEST_SKIP() << "only root can make a link that belongs to another user";
  testing_support::TempDir moveTo, elsewhere;
  tree.Write("sub/Bad.exe", kSample);
  const std::string journal = Process({"--move-to", moveTo.path()});
  const std::string folder = tree.path() + "/sub";
  fs::rename(folder, folder + ".old");
  ASSERT_EQ(symlink(elsewhere.path().c_str(), folder.c_str()), 0);
  ASSERT_EQ(lchown(folder.c_str(), 65534, 65534), 0);

  const auto undo = RunScan({"--undo", journal});
  EXPECT_EQ(undo.exitStatus, 2) << undo.out << undo.err;
  EXPECT_TRUE(undo.out.starts_with("untrusted-link\t" + folder + "/Bad.exe\t")) << undo.out;
  EXPECT_TRUE(fs::is_empty(elsewhere.path()));
  EXPECT_TRUE(fs::exists(moveTo.path() + "/Bad.exe"));
}

TEST_F(UndoCommandTest, AJournalThatCannotBeWrittenIsTroubleButTheRunGoesOn) {
  if (!testing_support::RunAsUnprivileged()) return;
  tree.Write("sub/Bad.exe", kSample);
  chmod(home.path().c_str(), 0555);  // where the journal goes without a log
  const auto result = RunScan(home.Args({"-q", "--rule", "*.*.INV", tree.path()}));
  chmod(home.path().c_str(), 0755);
  EXPECT_EQ(result.exitStatus, 3) << result.err;
  EXPECT_NE(result.err.find("the journal could not be written: " + home.path() + "/journal-"), std::string::npos)
      << result.err;
  EXPECT_NE(result.err.find("Permission denied; 1 processed file(s) are not in it"), std::string::npos) << result.err;
  EXPECT_TRUE(fs::exists(tree.path() + "/sub/Bad.exe.INV"));
}

}  // namespace
