// A search over a tree whose calls fail or which changes under it: a file that cannot be
// read is reported and the search goes on, a locked folder is passed over and reported, a
// file that vanishes is passed over, a file that shrinks is fingerprinted as read, and an
// I/O error while listing stops the search as a missing drive does. Nothing in the tree
// changes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "faults/FaultTestSupport.h"
#include "platform/Faults.h"
#include "support/TempDir.h"
#include "util/StringTable.h"

namespace {

using engine_test::Content;
using engine_test::RecordingProblems;
using platform::faults::Call;
using FileStep = SearchProblemSink::FileStep;

class SearchFaultTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& relative, const std::string& content) {
    return dir_.Write("tree/" + relative, content);
  }
  std::vector<std::string> HitNames() const {
    std::vector<std::string> names;
    for (const DetectedFile& hit : run_.Hits()) names.push_back(hit.FileName());
    return names;
  }
  void ExpectTreeUnchanged() {
    std::vector<std::string> report;
    EXPECT_EQ(fault_test::CountDifferences(before_, fault_test::SnapshotTree(dir_.path()), &report), 0u)
        << ::testing::PrintToString(report);
  }
  void Snapshot() { before_ = fault_test::SnapshotTree(dir_.path()); }

  testing_support::TempDir dir_;
  fault_test::ProcessingRun run_{dir_.path()};
  fault_test::TreeSnapshot before_;
  platform::faults::Scope faults_;
  const std::string evil_ = Content(300, 1);
};

TEST_F(SearchFaultTest, ReadErrorReportsTheFileAndTheSearchGoesOn) {
  Write("a.exe", evil_);
  const std::string bad = Write("bad.exe", evil_);
  Write("c.exe", evil_);
  run_.AddSignatureFor(evil_);
  Snapshot();
  platform::faults::Arm(Call::Read, EIO, 0, "bad.exe");

  EXPECT_TRUE(run_.Search());
  EXPECT_TRUE(run_.engine.Completed());
  ASSERT_EQ(run_.problems.files.size(), 1u);
  EXPECT_EQ(run_.problems.files[0].path, bad);
  EXPECT_EQ(run_.problems.files[0].error, EIO);
  EXPECT_EQ(run_.problems.files[0].step, FileStep::Read);
  EXPECT_EQ(run_.results.Counts().searched, 3);  // counted as a candidate, never as clean
  EXPECT_EQ(HitNames(), (std::vector<std::string>{"a.exe", "c.exe"}));
  EXPECT_EQ(run_.presenter.boxes.size(), 0u);  // an unreadable file is no missing drive
  ExpectTreeUnchanged();
}

struct RefusedCase {
  const char* what;
  Call call;
  int error;
  const char* pathPart;
  bool folder;  // the folder is reported, else the file
};

// As root, chmod cannot lock anything away: the switch refuses the call instead.
TEST_F(SearchFaultTest, LockedFolderOrFileIsPassedOverAndReported) {
  const RefusedCase cases[] = {
      {"locked folder", Call::OpenDir, EACCES, "/locked", true},
      {"folder not permitted", Call::OpenDir, EPERM, "/locked", true},
      {"locked file", Call::Open, EACCES, "locked/x.exe", false},
  };
  Write("locked/x.exe", evil_);
  Write("open/y.exe", evil_);
  run_.AddSignatureFor(evil_);
  Snapshot();
  for (const RefusedCase& c : cases) {
    SCOPED_TRACE(c.what);
    platform::faults::Reset();
    run_.problems = RecordingProblems{};
    platform::faults::Arm(c.call, c.error, 0, c.pathPart);
    EXPECT_TRUE(run_.Search());
    EXPECT_TRUE(run_.engine.Completed());
    EXPECT_EQ(HitNames(), std::vector<std::string>{"y.exe"});
    if (c.folder) {
      ASSERT_EQ(run_.problems.folders.size(), 1u);
      EXPECT_EQ(run_.problems.folders[0].folder, run_.treeFolder + "/locked/");
      EXPECT_EQ(run_.problems.folders[0].error, c.error);
      EXPECT_TRUE(run_.problems.files.empty());
    } else {
      ASSERT_EQ(run_.problems.files.size(), 1u);
      EXPECT_EQ(run_.problems.files[0].path, run_.treeFolder + "/locked/x.exe");
      EXPECT_EQ(run_.problems.files[0].step, FileStep::Open);
      EXPECT_EQ(run_.problems.files[0].error, c.error);
    }
  }
  ExpectTreeUnchanged();
}

// A link whose status cannot be read (a failing disk) may lead to a file: it is counted
// and reported, never passed over as if it were not there.
TEST_F(SearchFaultTest, LinkThatCannotBeLookedAtIsCountedAsNotRead) {
  Write("real/a.exe", evil_);
  const std::string link = dir_.path() + "/tree/link.exe";
  ASSERT_EQ(symlink((dir_.path() + "/tree/real/a.exe").c_str(), link.c_str()), 0);
  run_.AddSignatureFor(evil_);
  platform::faults::Arm(Call::Stat, EIO, 0, "link.exe");

  EXPECT_TRUE(run_.Search());
  EXPECT_EQ(HitNames(), std::vector<std::string>{"a.exe"});
  EXPECT_EQ(run_.results.Counts().searched, 2);
  ASSERT_EQ(run_.problems.files.size(), 1u);
  EXPECT_EQ(run_.problems.files[0].path, link);
  EXPECT_EQ(run_.problems.files[0].error, EIO);
}

// Listed, then deleted before the search opened it: as if it had never been there.
TEST_F(SearchFaultTest, FileThatVanishesBeforeItIsOpenedIsPassedOver) {
  const std::string gone = Write("gone.exe", evil_);
  Write("stays.exe", evil_);
  run_.AddSignatureFor(evil_);
  platform::faults::Before(Call::Open, "gone.exe", [gone] { unlink(gone.c_str()); });

  EXPECT_TRUE(run_.Search());
  EXPECT_EQ(platform::faults::ActionsRun(), 1);
  EXPECT_EQ(HitNames(), std::vector<std::string>{"stays.exe"});
  EXPECT_EQ(run_.results.Counts().searched, 1);
  EXPECT_TRUE(run_.problems.files.empty());
}

// A file the reading threads could not open (locked for a moment, not yet there) is opened
// again at its turn, as a search without threads would open it then.
TEST_F(SearchFaultTest, FileNotOpenedAheadIsOpenedAgainAtItsTurn) {
  for (int error : {EACCES, ENOENT}) {
    SCOPED_TRACE(error);
    platform::faults::Reset();
    Write("a.exe", Content(300, 2));
    Write("late.exe", evil_);
    Write("z.exe", Content(300, 3));
    run_.AddSignatureFor(evil_);
    run_.engine.SetJobs(4);
    run_.engine.SetReadAheadThreadsOnly(true);
    platform::faults::Arm(Call::Open, error, 0, "late.exe", 1);

    EXPECT_TRUE(run_.Search());
    EXPECT_EQ(platform::faults::FailuresInjected(), 1);
    EXPECT_EQ(HitNames(), std::vector<std::string>{"late.exe"});
    EXPECT_EQ(run_.results.Counts().searched, 3);
    EXPECT_TRUE(run_.problems.files.empty());
  }
}

// Cut short between the listing and the read: the block is what the file still holds.
TEST_F(SearchFaultTest, FileShrinkingWhileReadIsFingerprintedAsRead) {
  for (off_t length : {off_t{0}, off_t{1}, off_t{10}, off_t{256}}) {
    SCOPED_TRACE(length);
    const std::string path = Write("shrink.exe", evil_);
    run_.store.Clear();
    run_.AddSignatureFor(evil_, "whole");
    if (length > 0) run_.AddSignatureFor(evil_.substr(0, static_cast<size_t>(length)), "cut");
    platform::faults::Reset();
    platform::faults::Before(Call::Read, "shrink.exe", [path, length] { ASSERT_EQ(truncate(path.c_str(), length), 0); });

    EXPECT_TRUE(run_.Search());
    EXPECT_TRUE(run_.problems.files.empty());
    if (length == 0) {
      EXPECT_EQ(run_.Hits().size(), 0u);
    } else {
      ASSERT_EQ(run_.Hits().size(), 1u);
      EXPECT_EQ(run_.Hits()[0].SignatureName(), "cut");
    }
  }
}

// An I/O error while listing means the drive itself is in trouble: message 130, and the
// search ends as not completed rather than pass the rest off as searched.
TEST_F(SearchFaultTest, IoErrorWhileListingEndsTheSearchAsNotReady) {
  Write("a/x.exe", evil_);
  Write("b/y.exe", evil_);
  run_.AddSignatureFor(evil_);
  Snapshot();
  platform::faults::Arm(Call::ReadDir, EIO, 1, run_.treeFolder + "/a");

  EXPECT_FALSE(run_.Search());
  EXPECT_FALSE(run_.engine.Completed());
  EXPECT_EQ(run_.presenter.CountOf(kStrNotReady), 1);
  ASSERT_EQ(run_.problems.folders.size(), 1u);
  EXPECT_EQ(run_.problems.folders[0].error, EIO);
  ExpectTreeUnchanged();
}

}  // namespace

// A disk that turns slow in the middle of a folder: the search, which opened its files
// itself, has the rest of the folder opened ahead by the threads as they wake and sees the
// same files, hits and counts as it would alone.
TEST_F(SearchFaultTest, ReadingThreadsThatJoinMidFolderChangeNothing) {
  for (int i = 0; i < 40; ++i) Write("f" + std::to_string(100 + i) + ".bin", i % 3 == 0 ? evil_ : Content(300, 100 + i));
  run_.AddSignatureFor(evil_);
  run_.engine.SetJobs(1);
  ASSERT_TRUE(run_.Search("*.bin"));
  const std::vector<std::string> alone = HitNames();
  ASSERT_EQ(alone.size(), 14u);

  run_.engine.SetJobs(4);
  // After ten files every read waits as a disk would (a sleep gives the processor up).
  platform::faults::Before(
      Call::Read, "/tree/f1", [] { std::this_thread::sleep_for(std::chrono::milliseconds(1)); }, 10,
      platform::faults::kForever);
  std::mutex mutex;
  std::set<std::thread::id> openers;
  platform::faults::Before(
      Call::Open, "/tree/",
      [&] {
        std::lock_guard<std::mutex> lock(mutex);
        openers.insert(std::this_thread::get_id());
      },
      0, platform::faults::kForever);
  EXPECT_TRUE(run_.Search("*.bin"));
  EXPECT_EQ(HitNames(), alone);
  EXPECT_EQ(run_.results.Counts().searched, 40);
  EXPECT_TRUE(run_.problems.files.empty());
  EXPECT_GT(openers.size(), 1u);  // the threads did take over
}
