// What a search does with what it cannot read: a drive that is not there (message 130),
// folders that cannot be listed, files that vanish or cannot be read, and running out of
// memory (message 131). None of them ends the program; only the first and the last end the
// search.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <new>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "engine/EngineTestSupport.h"
#include "support/Unprivileged.h"
#include "util/CDStringException.h"

namespace {

using engine_test::EngineFixtureBase;
using engine_test::RecordingPresenter;
namespace fs = std::filesystem;

// An engine whose folders below a given path report a chosen error, as a network share
// that has gone away or a drive without media does.
class FailingFolderEngine : public CScanEngine {
 public:
  explicit FailingFolderEngine(const ProfileFile& settings) : CScanEngine(settings) {}

  std::string failingFolder;
  int error = EIO;
  std::set<std::string> opened;

 protected:
  bool OpenFolder(platform::DirReader& reader, const std::string& folder, int* errorOut) override {
    opened.insert(folder);
    if (!failingFolder.empty() && folder.compare(0, failingFolder.size(), failingFolder) == 0) {
      *errorOut = error;
      return false;
    }
    return CScanEngine::OpenFolder(reader, folder, errorOut);
  }
};

class ScanEngineProblemsTest : public ::testing::Test, protected EngineFixtureBase {
 protected:
  ScanEngineProblemsTest() : failing(settings), failingHost(&failing) {
    failing.SetHost(&failingHost);
    failing.SetDetectionSink(&sink);
    failing.SetProblemSink(&problems);
  }
  bool SearchFailing() {
    TextList targets;
    targets.Add(tree.path(), false);
    failing.Prepare(targets, CPatternList("*.*;*.bin", ';'), true, store);
    failing.running = true;
    return failing.Run(CScanEngine::kSearchBufferSize, CScanEngine::kSearchOverlap);
  }

  FailingFolderEngine failing;
  engine_test::RecordingHost failingHost;
  RecordingPresenter presenter;
};

TEST_F(ScanEngineProblemsTest, UnreachableFolderShowsMessage130OnceAndEndsTheSearch) {
  tree.Write("a/one.bin", "1");
  tree.Write("b/two.bin", "2");
  tree.Write("c/three.bin", "3");
  failing.failingFolder = tree.folder() + "b/";
  for (int error : {EIO, ENODEV, ENXIO, ESTALE, ENOTCONN, EHOSTDOWN, ETIMEDOUT}) {
    SCOPED_TRACE(error);
    presenter.boxes.clear();
    problems.folders.clear();
    failing.error = error;
    EXPECT_FALSE(SearchFailing());
    EXPECT_FALSE(failing.Completed());
    ASSERT_EQ(presenter.boxes.size(), 1u);
    EXPECT_EQ(presenter.boxes[0].text, LoadString(kStrNotReady));
    EXPECT_EQ(presenter.boxes[0].buttons, MessageButtons::Ok);
    ASSERT_EQ(problems.folders.size(), 1u);
    EXPECT_EQ(problems.folders[0].folder, tree.folder() + "b/");
    EXPECT_EQ(problems.folders[0].error, error);
  }
}

TEST_F(ScanEngineProblemsTest, OtherListingErrorsSkipTheFolderOnce) {
  tree.Write("a/one.bin", "1");
  tree.Write("b/two.bin", "2");
  tree.Write("b/deeper/x.bin", "3");
  tree.Write("c/three.bin", "4");
  failing.failingFolder = tree.folder() + "b/";
  failing.error = EACCES;
  EXPECT_TRUE(SearchFailing());  // two patterns, yet reported once
  EXPECT_TRUE(failing.Completed());
  EXPECT_TRUE(presenter.boxes.empty());
  ASSERT_EQ(problems.folders.size(), 1u);
  EXPECT_EQ(problems.folders[0].error, EACCES);
  EXPECT_EQ(sink.searched, 2);  // one.bin and three.bin, once though both patterns match
  EXPECT_EQ(failing.opened.count(tree.folder() + "b/deeper/"), 0u);
}

TEST_F(ScanEngineProblemsTest, ATargetThatIsAFileIsNotListed) {
  const std::string file = tree.Write("plain.bin", "x");
  TextList targets;
  targets.Add(file, false);
  EXPECT_TRUE(SearchTargets(targets, "*.*", true));
  ASSERT_EQ(problems.folders.size(), 1u);
  EXPECT_EQ(problems.folders[0].error, ENOTDIR);
  EXPECT_EQ(sink.searched, 0);
}

// With files opened ahead, or fingerprinted ahead, too: a change made before a file's
// turn is what the search meets.
TEST_F(ScanEngineProblemsTest, AFileThatVanishesBeforeItIsOpenedIsPassedOver) {
  struct Row {
    int jobs;
    bool threadsOnly;
  };
  for (const Row row : {Row{1, false}, Row{4, true}, Row{4, false}}) {
    SCOPED_TRACE(testing::Message() << row.jobs << (row.threadsOnly ? " reading threads" : ""));
    engine.SetJobs(row.jobs);
    engine.SetReadAheadThreadsOnly(row.threadsOnly);
    sink.searched = 0;
    std::vector<std::string> names;
    for (char i = 'A'; i < 'A' + 40; ++i) names.push_back(std::string("f") + i + ".bin");
    for (const std::string& name : names) tree.Write(name, name);
    // Blocks are fingerprinted ahead only in a folder whose last change is older than a
    // tick of the clock that stamps it.
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    // When the first file is counted, the others are deleted (the folder has been listed).
    sink.onCount = [&](int n) {
      if (n != 1) return;
      for (const std::string& name : names) {
        if (host.statusTexts.back() != tree.folder() + name) fs::remove(tree.folder() + name);
      }
    };
    EXPECT_TRUE(Search());
    EXPECT_EQ(sink.searched, 1);
    EXPECT_TRUE(problems.files.empty());
  }
}

// A file whose block was fingerprinted ahead as a hit, and rewritten in place before its
// turn (its folder unchanged), is judged by what it holds at its turn: a hit is never
// reported, let alone processed, from a stale read.
TEST_F(ScanEngineProblemsTest, AHitRewrittenBeforeItsTurnIsJudgedByWhatItHoldsThen) {
  std::vector<std::string> names;
  for (char i = 'A'; i < 'A' + 40; ++i) names.push_back(std::string("f") + i + ".bin");
  const std::string hit = engine_test::Content(400, 7);
  store.Add(engine_test::Signature("A", "one", engine_test::DigestOf(hit.substr(0, 257))));
  for (const int jobs : {1, 4}) {
    SCOPED_TRACE(jobs);
    engine.SetJobs(jobs);
    sink.searched = 0;
    sink.hits.clear();
    for (size_t i = 0; i < names.size(); ++i) tree.Write(names[i], i == 30 ? hit : engine_test::Content(400, 100 + static_cast<int>(i)));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    // At the first file's turn, once the helpers have had time to read on, the hit is
    // rewritten.
    sink.onCount = [&](int n) {
      if (n != 1) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      std::ofstream(tree.folder() + names[30], std::ios::binary | std::ios::trunc) << "no longer a hit";
    };
    EXPECT_TRUE(Search());
    EXPECT_EQ(sink.searched, 40);
    EXPECT_TRUE(sink.hits.empty());
  }
}

TEST_F(ScanEngineProblemsTest, FilesThatCannotBeOpenedOrReadAreCountedAndReported) {
  for (const int jobs : {1, 4}) {
    SCOPED_TRACE(jobs);
    engine.SetJobs(jobs);
    engine.SetReadAheadThreadsOnly(true);
    sink.searched = 0;
    problems.files.clear();
    for (const char* name : {"a.bin", "b.bin", "target.bin"}) {
      fs::remove(tree.folder() + name);
      tree.Write(name, name);
    }
    // When the first file is counted, the others are replaced: one by a folder (it opens,
    // but cannot be read), one by a link (a listed plain file is never reached through one).
    sink.onCount = [&](int n) {
      if (n != 1) return;
      const std::string current = host.statusTexts.back();
      int replaced = 0;
      for (const char* name : {"a.bin", "b.bin", "target.bin"}) {
        const std::string path = tree.folder() + name;
        if (path == current) continue;
        fs::remove(path);
        if (replaced++ == 0) fs::create_directory(path);
        else fs::create_symlink(current, path);
      }
    };
    EXPECT_TRUE(Search());
    EXPECT_TRUE(engine.Completed());
    EXPECT_EQ(sink.searched, 3);
    ASSERT_EQ(problems.files.size(), 2u);
    std::set<std::pair<int, SearchProblemSink::FileStep>> seen;
    for (const auto& p : problems.files) seen.insert({p.error, p.step});
    EXPECT_EQ(seen.count({EISDIR, SearchProblemSink::FileStep::Read}), 1u);
    EXPECT_EQ(seen.count({ELOOP, SearchProblemSink::FileStep::Open}), 1u);
  }
}

TEST_F(ScanEngineProblemsTest, LinksThatCannotBeFollowedAreNotReadNotGone) {
  if (!testing_support::RunAsUnprivileged()) return;
  tree.Write("locked/inner.bin", "x");
  fs::create_symlink(tree.folder() + "locked/inner.bin", tree.folder() + "through.bin");
  fs::create_symlink(tree.folder() + "loop.bin", tree.folder() + "loop.bin");
  fs::create_symlink(tree.folder() + "nowhere", tree.folder() + "dangling.bin");  // gone: not counted
  ASSERT_EQ(chmod((tree.folder() + "locked").c_str(), 0), 0);
  EXPECT_TRUE(Search("*.bin", false));
  chmod((tree.folder() + "locked").c_str(), 0700);
  EXPECT_EQ(sink.searched, 2);
  std::set<std::pair<std::string, int>> seen;
  for (const auto& p : problems.files) seen.insert({p.path, p.error});
  EXPECT_EQ(seen, (std::set<std::pair<std::string, int>>{{tree.folder() + "loop.bin", ELOOP},
                                                         {tree.folder() + "through.bin", EACCES}}));
}

// A folder that may be read but not entered is not listed for want of permission, not
// taken for a link that leads out of the tree.
TEST_F(ScanEngineProblemsTest, FolderThatCannotBeEnteredIsNotListedForPermission) {
  if (!testing_support::RunAsUnprivileged()) return;
  tree.Write("shut/inner.bin", "x");
  tree.Write("open.bin", "y");
  ASSERT_EQ(chmod((tree.folder() + "shut").c_str(), 0644), 0);
  EXPECT_TRUE(Search("*.bin", true));
  chmod((tree.folder() + "shut").c_str(), 0700);
  EXPECT_EQ(sink.searched, 1);
  ASSERT_EQ(problems.folders.size(), 1u);
  EXPECT_EQ(problems.folders[0].folder, tree.folder() + "shut/");
  EXPECT_EQ(problems.folders[0].error, EACCES);
}

TEST_F(ScanEngineProblemsTest, RunningOutOfMemoryShowsMessage131AndEndsTheSearch) {
  tree.Write("a/one.bin", "1");
  tree.Write("a/two.bin", "2");
  tree.Write("b/three.bin", "3");
  struct Case {
    const char* label;
    std::function<void()> fail;
  };
  const Case cases[] = {
      {"std::bad_alloc", [] { throw std::bad_alloc(); }},
      {"CDStringException", [] { throw CDStringException(CDStringException::kNoMemory); }},
      {"CDStringException overflow", [] { throw CDStringException(CDStringException::kLengthOverflow); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    presenter.boxes.clear();
    sink.searched = 0;
    sink.onCount = [&](int n) {
      if (n == 2) c.fail();
    };
    EXPECT_FALSE(Search());
    EXPECT_FALSE(engine.Completed());
    EXPECT_EQ(sink.searched, 2);
    ASSERT_EQ(presenter.boxes.size(), 1u);  // the level that caught it; the outer ones are silent
    EXPECT_EQ(presenter.boxes[0].text, LoadString(kStrLowMemory));
    EXPECT_EQ(presenter.boxes[0].icon, MessageIcon::Information);
    EXPECT_TRUE(presenter.boxes[0].beep);
  }
  // The engine is usable again afterwards.
  sink.onCount = nullptr;
  sink.searched = 0;
  EXPECT_TRUE(Search());
  EXPECT_EQ(sink.searched, 3);
}

TEST_F(ScanEngineProblemsTest, OpenTargetResults) {
  const std::string file = tree.Write("f.bin", "x");
  TextList none;
  ASSERT_TRUE(engine.Prepare(none, CPatternList("*.*", ';'), true, store));
  EXPECT_EQ(engine.OpenTarget(file), CScanEngine::kOpened);
  engine.CloseTarget();
  EXPECT_EQ(engine.OpenTarget(tree.folder() + "missing.bin"), CScanEngine::kNotOpenable);
  EXPECT_EQ(engine.OpenTarget(tree.path()), CScanEngine::kNotOpenable);  // a folder
  engine.CloseTarget();
  engine.CloseTarget();  // closing twice is harmless
}

}  // namespace
