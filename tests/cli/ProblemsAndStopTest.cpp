// What vorlet-scan could not read makes its exit status 2 (3 with hits) and is counted, or
// named with -v; Ctrl+C, SIGTERM and SIGHUP stop a search the way Esc does, and the log
// records it as not completed.
//
// As root no permission keeps a file or folder from being read, so the failures used here
// are the ones root meets too: a target that is a file, a target that is not there, and a
// link to a file that opens but cannot be read (/proc/self/mem at offset 0).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "cli/ScanRunner.h"
#include "platform/Encoding.h"
#include "support/Unprivileged.h"

namespace {

using cli_test::RunScan;
using cli_test::ScanHome;
namespace fs = std::filesystem;

class ProblemsAndStopTest : public ::testing::Test {
 protected:
  ProblemsAndStopTest() {
    home.AddSignature("Cat", "sig", "the sample");
    home.SaveStore();
    tree.Write("fine.txt", "fine");
  }
  ScanHome home;
  testing_support::TempDir tree;
};

TEST_F(ProblemsAndStopTest, UnreadableTargetsAndFilesExitTwoAndAreNamed) {
  const std::string asFile = tree.Write("not-a-folder", "x");
  const std::string missing = tree.path() + "/missing";
  fs::create_symlink("/proc/self/mem", tree.path() + "/unreadable.bin");
  testing_support::TempDir elsewhere;
  const std::string loop = elsewhere.path() + "/loop";  // each target is told once, with its own reason
  fs::create_symlink(loop, loop);

  const auto result = RunScan(home.Args({"-q", "-v", tree.path(), asFile, missing, loop}));
  EXPECT_EQ(result.exitStatus, 2) << result.err;
  EXPECT_NE(result.err.find("  " + tree.path() + "/unreadable.bin: read: Input/output error\n"), std::string::npos)
      << result.err;
  EXPECT_NE(result.err.find("  " + asFile + "/: list: Not a directory\n"), std::string::npos);
  EXPECT_NE(result.err.find("  " + missing + "/: list: No such file or directory\n"), std::string::npos);
  EXPECT_NE(result.err.find("  " + loop + "/: list: Too many levels of symbolic links\n"), std::string::npos);
  EXPECT_NE(result.err.find("開けない・読めないファイル数：1\n一覧できないフォルダ数：3\n"), std::string::npos);

  // Without -v only the counts; with a hit the status says both.
  tree.Write("hit.bin", "the sample");
  const auto withHit = RunScan(home.Args({"-q", tree.path(), asFile}));
  EXPECT_EQ(withHit.exitStatus, 3);
  EXPECT_EQ(withHit.err.find("Not a directory"), std::string::npos);
  EXPECT_NE(withHit.err.find("一覧できないフォルダ数：1\n"), std::string::npos);
}

TEST_F(ProblemsAndStopTest, MissingOrDamagedDataFileFailsTheSearch) {
  ScanHome empty;
  const auto missing = RunScan(empty.Args({"-q", tree.path()}));
  EXPECT_EQ(missing.exitStatus, 2);
  EXPECT_NE(missing.err.find("no data file: " + empty.path() + "/Vorlet.dat"), std::string::npos) << missing.err;
  EXPECT_FALSE(fs::exists(empty.path() + "/Vorlet.dat"));

  // Cut inside its only record: nothing to search with, and the search says so.
  const std::string data = home.DataFile();
  fs::resize_file(home.path() + "/Vorlet.dat", data.size() - 3);
  const auto damaged = RunScan(home.Args({"-q", tree.path()}));
  EXPECT_EQ(damaged.exitStatus, 2);
  EXPECT_NE(damaged.err.find("データファイルを最後まで読めませんでした：" + home.path() + "/Vorlet.dat"), std::string::npos)
      << damaged.err;
}

// Without a signature to search with, "clean" would be no finding: the search is refused.
TEST_F(ProblemsAndStopTest, NoSignatureInEffectIsTrouble) {
  tree.Write("hit.bin", "the sample");
  ScanHome emptied;
  emptied.SaveStore();
  ScanHome unchecked;
  unchecked.AddSignature("Cat", "sig", "the sample");
  unchecked.SaveStore();
  unchecked.Set("DB", "C0", "Cat");
  unchecked.Set("DB", "CS0", "0");
  for (const ScanHome* home : {&emptied, &unchecked}) {
    const auto result = RunScan(home->Args({"-q", tree.path()}));
    EXPECT_EQ(result.exitStatus, 2) << home->path();
    EXPECT_NE(result.err.find("vorlet-scan: no signatures in effect"), std::string::npos) << result.err;
    EXPECT_EQ(result.out, "");
  }
}

TEST_F(ProblemsAndStopTest, PermissionDeniedCountsForOtherUsers) {
  if (!testing_support::RunAsUnprivileged()) return;
  const std::string locked = tree.Write("locked.txt", "x");
  chmod(locked.c_str(), 0);
  const auto result = RunScan(home.Args({"-q", "-v", tree.path()}));
  EXPECT_EQ(result.exitStatus, 2);
  EXPECT_NE(result.err.find(locked + ": open: Permission denied"), std::string::npos) << result.err;
}

// Taken for empty, settings that are there but cannot be read would have the run go by
// the defaults: hits left alone instead of renamed, the log in another folder.
TEST_F(ProblemsAndStopTest, UnreadableSettingsStopEveryRunThatUsesThem) {
  if (!testing_support::RunAsUnprivileged()) return;
  const std::string hit = tree.Write("hit.bin", "the sample");
  const std::string settings = home.path() + "/Vorlet.ini";
  const struct {
    const char* kind;
    const char* reason;
    void (*make)(const std::string& path);
  } kinds[] = {
      {"no permission", "Permission denied", [](const std::string& path) { chmod(path.c_str(), 0); }},
      {"a folder", "Is a directory", [](const std::string& path) { fs::remove(path), fs::create_directory(path); }},
      {"a FIFO", "not a regular file", [](const std::string& path) { fs::remove(path), mkfifo(path.c_str(), 0600); }},
  };
  for (const auto& kind : kinds) {
    fs::remove(settings);
    home.Set("General", "FileOpe", "2");
    home.Set("General", "RuleOfRename", "*.*.INV");
    kind.make(settings);
    for (const std::vector<std::string>& command : std::vector<std::vector<std::string>>{
             {"-q", tree.path()}, {"--register", tree.path()}, {"--check-signatures", tree.path()},
             {"--import", tree.path() + "/none.tsv"}}) {
      SCOPED_TRACE(std::string(kind.kind) + " " + command[0]);
      const auto result = RunScan(home.Args(command));
      EXPECT_EQ(result.exitStatus, 2);
      EXPECT_EQ(result.err, "vorlet-scan: the settings cannot be read: " + settings + ": " + kind.reason +
                                "; nothing was done\n");
      EXPECT_EQ(result.out, "");
    }
    // --where still tells where the files are, but not that the default log folder is theirs.
    const auto where = RunScan(home.Args({"--where"}));
    EXPECT_EQ(where.exitStatus, 2) << kind.kind;
    EXPECT_NE(where.err.find("; the log folder shown is the default one"), std::string::npos) << where.err;
    EXPECT_TRUE(fs::exists(hit));
  }
}

// Ctrl+C, a shutdown's SIGTERM and a closed session's SIGHUP alike.
TEST_F(ProblemsAndStopTest, SignalsStopTheSearchAndTheLogSaysNo) {
  // Enough files that the search is still walking when the first progress line arrives.
  char name[32];
  for (int i = 0; i < 20000; ++i) {
    std::snprintf(name, sizeof name, "d%d/f%d", i % 100, i);
    tree.Write(name, "content");
  }
  const std::string logPath = tree.path() + "/stopped.log";
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    cli_test::ScanProcess scan(home.Args({"--log", logPath, tree.path()}));
    ASSERT_TRUE(scan.WaitForStderr("検索ファイル数：", std::chrono::seconds(30)));
    scan.Signal(signal);
    const auto result = scan.Finish();

    EXPECT_EQ(result.exitStatus, 2) << signal << "\n" << result.err;
    EXPECT_NE(result.err.find("検索を中止しました\n検索完了の有無：NO\n"), std::string::npos) << result.err;
    const std::string log = platform::Cp932ToUtf8(tree.Read("stopped.log"));
    // Line 2 ends with the subfolder flag and the completion.
    const size_t line2End = log.find("\r\n", log.find("\r\n") + 2);
    EXPECT_EQ(log.substr(line2End - 7, 7), "\tYES\tNO") << signal;
    tree.Write("stopped.log", "");
  }
}

// A reader that stops reading (a pipe into a stalled program) must not keep a stop from
// ending the search: the write gives way, the log is written, and the exit says so.
TEST_F(ProblemsAndStopTest, AStdoutNobodyReadsDoesNotHoldUpAStop) {
  char name[32];
  for (int i = 0; i < 3000; ++i) {
    std::snprintf(name, sizeof name, "hit%d.bin", i);
    tree.Write(name, "the sample");
  }
  const std::string logPath = tree.path() + "/stopped.log";
  cli_test::ScanProcess scan(home.Args({"-q", "--log", logPath, tree.path()}), {"LANG=C.UTF-8"},
                             {1, "", true});
  // Hit lines fill the pipe; once it stays full the search is waiting in a write.
  int held = -1;
  for (int unchanged = 0, tries = 0; unchanged < 6 && tries < 600; ++tries) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const int now = scan.HeldBytes();
    unchanged = now == held && now >= 32768 ? unchanged + 1 : 0;
    held = now;
  }
  ASSERT_GE(held, 32768);
  const auto signalled = std::chrono::steady_clock::now();
  scan.Signal(SIGTERM);
  // The stop takes a fraction of a second; the bounds leave room for a slow sanitizer run,
  // while a search that waits for the reader never ends by itself.
  const auto result = scan.Finish(std::chrono::seconds(20));
  EXPECT_LT(std::chrono::steady_clock::now() - signalled, std::chrono::seconds(10));
  EXPECT_EQ(result.exitStatus, 3) << result.err;
  EXPECT_NE(result.err.find("検索完了の有無：NO\n"), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("cannot write to standard output: nothing read it when the search was stopped"),
            std::string::npos);
  const std::string log = platform::Cp932ToUtf8(tree.Read("stopped.log"));
  const size_t line2End = log.find("\r\n", log.find("\r\n") + 2);
  ASSERT_NE(line2End, std::string::npos);
  EXPECT_EQ(log.substr(line2End - 7, 7), "\tYES\tNO");
}

}  // namespace
