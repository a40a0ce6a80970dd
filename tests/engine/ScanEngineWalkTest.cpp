// Which files a search counts and reads: patterns, subfolders, the data file, hidden
// folders, links and special files.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>

#include "engine/EngineTestSupport.h"
#include "platform/Encoding.h"

namespace {

using engine_test::EngineFixtureBase;
namespace fs = std::filesystem;

class ScanEngineWalkTest : public ::testing::Test, protected EngineFixtureBase {
 protected:
  std::vector<std::string> Sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(ScanEngineWalkTest, PatternTokensDecideWhatIsCounted) {
  tree.Write("a.exe", "1");
  tree.Write("b.EXE", "2");
  tree.Write("c.txt", "3");
  tree.Write("noext", "4");
  struct Case {
    const char* patterns;
    std::vector<std::string> counted;  // sorted
  };
  const Case cases[] = {
      {"*.*", {"a.exe", "b.EXE", "c.txt", "noext"}},
      {"*.exe", {"a.exe", "b.EXE"}},
      // A file matching two tokens is counted and read once per token.
      {"*.exe;*.*", {"a.exe", "a.exe", "b.EXE", "b.EXE", "c.txt", "noext"}},
      {"*.exe;*.exe", {"a.exe", "a.exe", "b.EXE", "b.EXE"}},
      // Two adjacent separators end the list: the tokens after them are never used.
      {"*.exe;;*.txt", {"a.exe", "b.EXE"}},
      {";*.txt", {}},
      {"*", {"noext"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.patterns);
    host.statusTexts.clear();
    sink.searched = 0;
    EXPECT_TRUE(Search(c.patterns));
    EXPECT_EQ(Sorted(CountedFiles()), c.counted);
    EXPECT_EQ(sink.searched, static_cast<int>(c.counted.size()));
  }
}

TEST_F(ScanEngineWalkTest, FilesOfEachTokenComeBeforeTheSubfolders) {
  tree.Write("z.txt", "1");
  tree.Write("a.exe", "2");
  tree.Write("sub/b.exe", "3");
  EXPECT_TRUE(Search("*.exe;*.txt"));
  EXPECT_EQ(CountedFiles(), (std::vector<std::string>{"a.exe", "z.txt", "sub/b.exe"}));
}

TEST_F(ScanEngineWalkTest, SubfoldersOnlyWhenAsked) {
  tree.Write("top.bin", "1");
  tree.Write("one/two/deep.bin", "2");
  EXPECT_TRUE(Search("*.*", false));
  EXPECT_EQ(CountedFiles(), std::vector<std::string>{"top.bin"});
  host.statusTexts.clear();
  EXPECT_TRUE(Search("*.*", true));
  EXPECT_EQ(Sorted(CountedFiles()), (std::vector<std::string>{"one/two/deep.bin", "top.bin"}));
}

TEST_F(ScanEngineWalkTest, DataFileIsNeverCountedInAnyLetterCase) {
  tree.Write("Vorlet.dat", "x");
  tree.Write("sub/VORLET.DAT", "x");
  tree.Write("sub/vorlet.Dat", "x");
  tree.Write("sub/Vorlet.dat.bak", "x");
  tree.Write("sub/xVorlet.dat", "x");
  store.Add(engine_test::Signature("c", "any", engine_test::DigestOf("x")));
  EXPECT_TRUE(Search("*.*;*.dat"));
  EXPECT_EQ(Sorted(CountedFiles()), (std::vector<std::string>{"sub/Vorlet.dat.bak", "sub/xVorlet.dat", "sub/xVorlet.dat"}));
  EXPECT_EQ(sink.hits.size(), 3u);
}

TEST_F(ScanEngineWalkTest, FoldersStartingWithAFullStopAreNeverEntered) {
  tree.Write(".hidden/a.bin", "1");
  tree.Write("..twice/b.bin", "2");
  tree.Write("visible/.dotfile", "3");
  tree.Write("visible/c.bin", "4");
  EXPECT_TRUE(Search());
  EXPECT_EQ(CountedFiles(), std::vector<std::string>{"visible/c.bin"});
  for (const std::string& text : host.statusTexts) EXPECT_EQ(text.find("hidden"), std::string::npos) << text;
}

TEST_F(ScanEngineWalkTest, TargetsAreWalkedInOrderWithTheirSeparator) {
  tree.Write("first/a.bin", "1");
  tree.Write("second/b.bin", "2");
  TextList targets;
  targets.Add(tree.folder() + "second/", false);  // with its separator
  targets.Add("", false);                         // not the current folder
  targets.Add(tree.path() + "/first", false);     // without
  targets.Add(tree.path() + "/missing", false);   // no entries, no message, no problem
  engine_test::RecordingPresenter presenter;
  EXPECT_TRUE(SearchTargets(targets, "*.*", true));
  EXPECT_EQ(CountedFiles(), (std::vector<std::string>{"second/b.bin", "first/a.bin"}));
  EXPECT_EQ(host.statusTexts.front(), tree.folder() + "second/");
  EXPECT_TRUE(presenter.boxes.empty());
  EXPECT_TRUE(problems.folders.empty());
  EXPECT_TRUE(engine.Completed());
}

TEST_F(ScanEngineWalkTest, EmptyTargetListCompletesWithBothTimes) {
  TextList none;
  EXPECT_TRUE(SearchTargets(none, "*.*", true));
  EXPECT_TRUE(engine.Completed());
  EXPECT_EQ(engine.StartTime().status, 0);
  EXPECT_EQ(engine.EndTime().status, 0);
  EXPECT_GT(engine.StartTime().oleDate, 40000.0);
  EXPECT_LE(engine.StartTime().oleDate, engine.EndTime().oleDate);
  EXPECT_EQ(sink.searched, 0);
}

TEST_F(ScanEngineWalkTest, LinkedFoldersAreNotEnteredAndLinkedFilesAreSearched) {
  tree.Write("real/file.bin", "content");
  fs::create_directory_symlink(tree.path(), tree.path() + "/real/loop");  // a loop
  fs::create_directory_symlink(tree.path() + "/real", tree.path() + "/alias");
  fs::create_symlink(tree.path() + "/real/file.bin", tree.path() + "/link.bin");
  fs::create_symlink(tree.path() + "/nowhere", tree.path() + "/dangling.bin");
  store.Add(engine_test::Signature("c", "sig", engine_test::DigestOf("content")));
  EXPECT_TRUE(Search());
  EXPECT_EQ(Sorted(CountedFiles()), (std::vector<std::string>{"link.bin", "real/file.bin"}));
  ASSERT_EQ(sink.hits.size(), 2u);
  EXPECT_TRUE(problems.files.empty());
}

TEST_F(ScanEngineWalkTest, FifosAreNeverOpened) {
  const std::string fifo = tree.path() + "/pipe.bin";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  tree.Write("after.bin", "x");

  // Were the search to open the FIFO blocking, the watchdog opens its writing end after
  // a while, which lets the search go on, and the test fails instead of hanging.
  std::mutex mutex;
  std::condition_variable done;
  bool finished = false;
  std::atomic<bool> rescued{false};
  std::thread watchdog([&] {
    std::unique_lock<std::mutex> lock(mutex);
    if (!done.wait_for(lock, std::chrono::seconds(10), [&] { return finished; })) {
      rescued = true;
      int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
      if (fd >= 0) ::close(fd);
    }
  });
  const bool ok = Search();
  {
    std::lock_guard<std::mutex> lock(mutex);
    finished = true;
  }
  done.notify_one();
  watchdog.join();

  EXPECT_FALSE(rescued);
  EXPECT_TRUE(ok);
  EXPECT_EQ(CountedFiles(), std::vector<std::string>{"after.bin"});
  EXPECT_TRUE(problems.files.empty());
}

TEST_F(ScanEngineWalkTest, JapaneseNamesAreSearchedAndReportedInCp932) {
  // 表 (0x95 0x5C) ends in the backslash byte; ソ (0x83 0x5C) too.
  const std::string folderOs = "\xe8\xa1\xa8";   // 表 in UTF-8
  const std::string fileOs = "\xe3\x82\xbd.bin";  // ソ.bin
  tree.Write(folderOs + "/" + fileOs, "payload");
  store.Add(engine_test::Signature("c", "sig", engine_test::DigestOf("payload")));
  EXPECT_TRUE(Search());
  ASSERT_EQ(sink.hits.size(), 1u);
  EXPECT_EQ(sink.hits[0].path, platform::OsNameToCp932(tree.folder()) + "\x95\x5C/\x83\x5C.bin");
}

}  // namespace
