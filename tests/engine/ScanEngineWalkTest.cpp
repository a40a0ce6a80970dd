// Which files a search counts and reads: patterns, subfolders, the data file, hidden
// names, folders passed over, links and special files.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
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
  store.Add(engine_test::Signature("c", "sig", engine_test::DigestOf("1")));
  struct Case {
    const char* patterns;
    std::vector<std::string> counted;  // sorted
  };
  const Case cases[] = {
      {"*.exe", {"a.exe", "b.EXE"}},
      // A file several tokens match is counted and read once, at the first of them.
      {"*.exe;*.*", {"a.exe", "b.EXE", "c.txt", "noext"}},
      {"*.exe;*.exe", {"a.exe", "b.EXE"}},
      // Empty tokens and blanks around tokens are passed over.
      {"*.exe;;*.txt", {"a.exe", "b.EXE", "c.txt"}},
      {"; *.txt ", {"c.txt"}},
      {";", {}},
      {"*", {"noext"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.patterns);
    host.statusTexts.clear();
    sink.searched = 0;
    sink.hits.clear();
    EXPECT_TRUE(Search(c.patterns));
    EXPECT_EQ(Sorted(CountedFiles()), c.counted);
    EXPECT_EQ(sink.searched, static_cast<int>(c.counted.size()));
    EXPECT_EQ(sink.hits.size(), static_cast<size_t>(std::count(c.counted.begin(), c.counted.end(), "a.exe")));
  }
}

TEST_F(ScanEngineWalkTest, FilesOfEachTokenComeBeforeTheSubfolders) {
  tree.Write("z.txt", "1");
  tree.Write("a.exe", "2");
  tree.Write("sub/b.exe", "3");
  EXPECT_TRUE(Search("*.exe;*.*"));  // each file at the first token that matches it
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

TEST_F(ScanEngineWalkTest, OnlyTheDataFileInUseIsPassedOverUnderAnyName) {
  ASSERT_TRUE(store.Load(tree.folder()));  // makes the data file, empty
  tree.Write("Vorlet.dat", "x");
  tree.MakeDir("sub");
  ASSERT_EQ(link((tree.folder() + "Vorlet.dat").c_str(), (tree.folder() + "sub/same.bin").c_str()), 0);
  fs::create_symlink(tree.folder() + "Vorlet.dat", tree.path() + "/sub/link.dat");
  tree.Write("sub/VORLET.DAT", "x");  // another data file: searched like any file
  tree.Write("sub/Vorlet.dat", "x");
  store.Add(engine_test::Signature("c", "any", engine_test::DigestOf("x")));
  EXPECT_TRUE(Search("*.*;*.dat"));
  EXPECT_EQ(Sorted(CountedFiles()), (std::vector<std::string>{"sub/VORLET.DAT", "sub/Vorlet.dat"}));
  EXPECT_EQ(sink.hits.size(), 2u);
}

TEST_F(ScanEngineWalkTest, HiddenFilesAndFoldersAreSearched) {
  tree.Write(".hidden/a.bin", "1");
  tree.Write("..twice/b.bin", "2");
  tree.Write("visible/.dotfile", "3");
  tree.Write("visible/c.bin", "4");
  EXPECT_TRUE(Search());
  EXPECT_EQ(Sorted(CountedFiles()),
            (std::vector<std::string>{"..twice/b.bin", ".hidden/a.bin", "visible/.dotfile", "visible/c.bin"}));
}

TEST_F(ScanEngineWalkTest, FoldersNotSearchedArePassedOverByWhatTheyAre) {
  tree.Write("a.bin", "1");
  tree.Write("moved/b.bin", "2");
  tree.Write("sub/c.bin", "3");
  fs::create_directory_symlink(tree.path() + "/moved", tree.path() + "/alias");
  TextList targets;
  targets.Add(tree.path(), false);
  ASSERT_TRUE(engine.Prepare(targets, CPatternList("*.*", ';'), true, store));
  engine.SetFoldersNotSearched({tree.path() + "/alias/", tree.path() + "/missing"});  // spelled through a link
  engine.running = true;
  EXPECT_TRUE(engine.Run(CScanEngine::kSearchBufferSize, CScanEngine::kSearchOverlap));
  EXPECT_EQ(Sorted(CountedFiles()), (std::vector<std::string>{"a.bin", "sub/c.bin"}));

  // Named as a target, it is searched; and the next Prepare forgets the list.
  host.statusTexts.clear();
  targets.Add(tree.path() + "/moved", false);
  ASSERT_TRUE(engine.Prepare(targets, CPatternList("*.*", ';'), true, store));
  engine.SetFoldersNotSearched({tree.path() + "/moved"});
  engine.running = true;
  EXPECT_TRUE(engine.Run(CScanEngine::kSearchBufferSize, CScanEngine::kSearchOverlap));
  EXPECT_EQ(Sorted(CountedFiles()), (std::vector<std::string>{"a.bin", "moved/b.bin", "sub/c.bin"}));
  host.statusTexts.clear();
  EXPECT_TRUE(Search());
  EXPECT_EQ(Sorted(CountedFiles()), (std::vector<std::string>{"a.bin", "moved/b.bin", "sub/c.bin"}));
}

TEST_F(ScanEngineWalkTest, TargetsAreWalkedInOrderWithTheirSeparator) {
  tree.Write("first/a.bin", "1");
  tree.Write("second/b.bin", "2");
  TextList targets;
  targets.Add(tree.folder() + "second/", false);  // with its separator
  targets.Add("", false);                         // not the current folder
  targets.Add(tree.path() + "/first", false);     // without
  targets.Add(tree.path() + "/missing", false);   // no entries, no message, one problem
  engine_test::RecordingPresenter presenter;
  EXPECT_TRUE(SearchTargets(targets, "*.*", true));
  EXPECT_EQ(CountedFiles(), (std::vector<std::string>{"second/b.bin", "first/a.bin"}));
  EXPECT_EQ(host.statusTexts.front(), tree.folder() + "second/");
  EXPECT_TRUE(presenter.boxes.empty());
  ASSERT_EQ(problems.folders.size(), 1u);
  EXPECT_EQ(problems.folders[0].folder, tree.folder() + "missing/");
  EXPECT_EQ(problems.folders[0].error, ENOENT);
  EXPECT_TRUE(engine.Completed());
}

// A folder given twice (under another spelling too), or below another target, is searched
// once, where it is first met.
TEST_F(ScanEngineWalkTest, FolderMetAgainAsTargetIsSearchedOnce) {
  tree.Write("top/a.bin", "1");
  tree.Write("top/sub/b.bin", "2");
  const std::string top = tree.folder() + "top", sub = tree.folder() + "top/sub";
  struct Case {
    std::vector<std::string> targets;
    bool subfolders;
    std::vector<std::string> counted;
  };
  const Case cases[] = {
      {{top, sub, top + "/./"}, true, {"top/a.bin", "top/sub/b.bin"}},
      {{sub, top}, true, {"top/sub/b.bin", "top/a.bin"}},
      {{sub + "/", sub}, false, {"top/sub/b.bin"}},
      {{top, sub}, false, {"top/a.bin", "top/sub/b.bin"}},  // not below it without subfolders
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.targets.front() + (c.subfolders ? " with subfolders" : ""));
    host.statusTexts.clear();
    TextList targets;
    for (const std::string& target : c.targets) targets.Add(target, false);
    EXPECT_TRUE(SearchTargets(targets, "*.*", c.subfolders));
    EXPECT_EQ(CountedFiles(), c.counted);
  }
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
