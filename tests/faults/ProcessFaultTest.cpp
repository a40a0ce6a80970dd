// Automatic processing when a call fails or the tree changes between the search and the
// action: a target that appears is never replaced, a copy across file systems that fails
// or is killed half-way leaves no partial file under the real name and keeps the source,
// a hit replaced by another file is left alone. Every case ends with result 4 and with the
// tree as it was, except for what the test itself did to it.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>

#include "faults/FaultTestSupport.h"
#include "log/ProcessJournal.h"
#include "platform/Encoding.h"
#include "platform/Faults.h"
#include "platform/TempFile.h"
#include "support/TempDir.h"

namespace {

using engine_test::Content;
using platform::faults::Call;

// A folder on a second file system, so that a move into it must copy.
class OtherFileSystemFolder {
 public:
  OtherFileSystemFolder() {
    char pattern[] = "/dev/shm/vorlet-fault-XXXXXX";
    if (std::filesystem::is_directory("/dev/shm") && mkdtemp(pattern) != nullptr) path_ = pattern;
  }
  ~OtherFileSystemFolder() {
    if (!path_.empty()) fault_test::RemoveTree(path_);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

class ProcessFaultTest : public ::testing::Test {
 protected:
  // One hit, tree/x.exe, processed by mode.
  ProcessResult ProcessOneHit(int32_t mode) {
    run_.SetMode(mode);
    EXPECT_TRUE(run_.Search());
    EXPECT_EQ(run_.Hits().size(), 1u);
    return run_.Hits().size() == 1 ? run_.Hits()[0].Result() : kResultUnprocessed;
  }
  void UseOtherFileSystem() {
    if (other_.path().empty()) GTEST_SKIP() << "no second file system";
    run_.options.SetMoveFolder(platform::OsNameToCp932(other_.path()));
  }
  // Nothing lost or changed but what the test itself did (listed in changes).
  void ExpectOnly(fault_test::TreeSnapshot expected, const fault_test::TreeSnapshot& changes = {}) {
    for (const auto& [path, what] : changes) expected[path] = what;
    std::vector<std::string> report;
    EXPECT_EQ(fault_test::CountDifferences(expected, fault_test::SnapshotTree(dir_.path()), &report), 0u)
        << ::testing::PrintToString(report);
  }
  fault_test::TreeSnapshot Snapshot() const { return fault_test::SnapshotTree(dir_.path()); }
  std::string FileEntry(const std::string& content) const {
    const std::string path = scratch_.Write("f", content);
    return "file " + fault_test::FileDigest(path);
  }

  testing_support::TempDir dir_;
  testing_support::TempDir scratch_;
  OtherFileSystemFolder other_;
  fault_test::ProcessingRun run_{dir_.path()};
  platform::faults::Scope faults_;
  const std::string evil_ = Content(300000, 3);  // several copy chunks
  const std::string hitPath_ = dir_.Write("tree/x.exe", evil_);
};

// Somebody takes the target name between the decision and the move: renameat2 refuses.
TEST_F(ProcessFaultTest, TargetAppearingJustBeforeTheMoveOrRenameIsNeverReplaced) {
  struct Case {
    int32_t mode;
    const char* target;
  } cases[] = {{kModeMove, "moved/x.exe"}, {kModeRename, "tree/x.exe.INV"}};
  run_.AddSignatureFor(evil_);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.target);
    platform::faults::Reset();
    const fault_test::TreeSnapshot before = Snapshot();
    const std::string target = dir_.path() + "/" + c.target;
    platform::faults::Before(Call::Renameat2, "x.exe", [this, c] { dir_.Write(c.target, "theirs"); });
    EXPECT_EQ(ProcessOneHit(c.mode), kResultFailed);
    EXPECT_EQ(dir_.Read("tree/x.exe"), evil_);
    EXPECT_EQ(dir_.Read(c.target), "theirs");
    ExpectOnly(before, {{c.target, FileEntry("theirs")}});
    unlink(target.c_str());
  }
}

// Somebody takes the target name before the copy starts, or just before the finished copy
// is given its name.
TEST_F(ProcessFaultTest, TargetAppearingDuringTheCopyAcrossFileSystemsIsNeverReplaced) {
  UseOtherFileSystem();
  run_.AddSignatureFor(evil_);
  const fault_test::TreeSnapshot before = Snapshot();
  const std::string target = other_.path() + "/x.exe";
  const struct {
    Call call;
    std::string path;
  } moments[] = {{Call::Open, other_.path() + "/" + platform::kTemporaryPrefix}, {Call::Link, target}};
  for (const auto& moment : moments) {
    SCOPED_TRACE(moment.path);
    platform::faults::Reset();
    platform::faults::Before(moment.call, moment.path, [target] {
      FILE* f = fopen(target.c_str(), "wb");
      fputs("theirs", f);
      fclose(f);
    });
    EXPECT_EQ(ProcessOneHit(kModeMove), kResultFailed);
    EXPECT_EQ(platform::faults::ActionsRun(), 1);
    EXPECT_EQ(dir_.Read("tree/x.exe"), evil_);
    EXPECT_EQ(fault_test::SnapshotTree(other_.path()), (fault_test::TreeSnapshot{{"x.exe", FileEntry("theirs")}}));
    ExpectOnly(before);
    unlink(target.c_str());
  }
}

struct CopyFault {
  const char* what;
  Call call;
  int error;
  int after;  // matching calls let through first
  enum { kSource, kCopy, kTarget, kSourceAside } on;  // whose path the call names
};

// The copy fails at any step: no partial copy stays, the source is as it was.
TEST_F(ProcessFaultTest, CopyAcrossFileSystemsFailingHalfWayLeavesNoPartialCopy) {
  UseOtherFileSystem();
  const CopyFault faults[] = {
      {"write error after the first chunk", Call::CopyWrite, EIO, 1, CopyFault::kCopy},
      {"disk full on the first chunk", Call::CopyWrite, ENOSPC, 0, CopyFault::kCopy},
      {"read error on the source", Call::Read, EIO, 1, CopyFault::kSource},
      {"fsync of the copy fails", Call::Fsync, EIO, 0, CopyFault::kCopy},
      {"the copy cannot be named", Call::Link, EIO, 0, CopyFault::kTarget},
      {"the source cannot be removed", Call::Unlink, EROFS, 0, CopyFault::kSourceAside},
  };
  run_.AddSignatureFor(evil_);
  const fault_test::TreeSnapshot before = Snapshot();
  for (const CopyFault& f : faults) {
    SCOPED_TRACE(f.what);
    platform::faults::Reset();
    // The copy is written under a temporary name in the move folder, then named; the source
    // is removed under the private name it is taken aside to.
    const std::string paths[] = {hitPath_, other_.path() + "/" + platform::kTemporaryPrefix, other_.path() + "/x.exe",
                                 dir_.path() + "/tree/" + platform::kAsidePrefix};
    platform::faults::Arm(f.call, f.error, f.after, paths[f.on]);
    EXPECT_EQ(ProcessOneHit(kModeMove), kResultFailed);
    EXPECT_GE(platform::faults::FailuresInjected(), 1);
    EXPECT_TRUE(fault_test::SnapshotTree(other_.path()).empty());
    ExpectOnly(before);
  }
  // And with the disk well again the move goes through.
  platform::faults::Reset();
  EXPECT_EQ(ProcessOneHit(kModeMove), kResultMoved);
  EXPECT_EQ(fault_test::SnapshotTree(other_.path()), (fault_test::TreeSnapshot{{"x.exe", FileEntry(evil_)}}));
}

// A move killed half-way through the copy leaves the source and, in the move folder, only
// a temporary name, never a partial file under the real one; the next move into that
// folder removes the temporary.
TEST_F(ProcessFaultTest, KilledCopyLeavesOnlyATemporaryThatTheNextMoveRemoves) {
  UseOtherFileSystem();
  run_.AddSignatureFor(evil_);
  const fault_test::TreeSnapshot before = Snapshot();
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    platform::faults::Before(Call::CopyWrite, other_.path(), [] { raise(SIGKILL); }, 1);
    ProcessOneHit(kModeMove);
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
  ExpectOnly(before);
  const fault_test::TreeSnapshot left = fault_test::SnapshotTree(other_.path());
  ASSERT_EQ(left.size(), 1u);
  EXPECT_TRUE(platform::IsTemporaryName(left.begin()->first)) << left.begin()->first;
  // Long abandoned by the time the next move comes.
  const struct timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, (other_.path() + "/" + left.begin()->first).c_str(), old, 0), 0);
  EXPECT_EQ(ProcessOneHit(kModeMove), kResultMoved);
  EXPECT_EQ(fault_test::SnapshotTree(other_.path()), (fault_test::TreeSnapshot{{"x.exe", FileEntry(evil_)}}));
}

// The source is replaced after it was copied, before it is removed: the copy is taken back
// and the new file stays where it is.
TEST_F(ProcessFaultTest, SourceReplacedDuringTheCopyIsNotRemoved) {
  UseOtherFileSystem();
  run_.AddSignatureFor(evil_);
  const fault_test::TreeSnapshot before = Snapshot();
  // The copy reads the file through its own descriptor; the name is first acted on when the
  // source is taken aside to be removed.
  platform::faults::Before(Call::Renameat2, "tree/x.exe", [this] {
    const std::string replacement = dir_.Write("tree/x.new", "replacement");
    rename(replacement.c_str(), hitPath_.c_str());
  });
  EXPECT_EQ(ProcessOneHit(kModeMove), kResultFailed);
  EXPECT_EQ(platform::faults::ActionsRun(), 1);
  EXPECT_EQ(dir_.Read("tree/x.exe"), "replacement");
  EXPECT_TRUE(fault_test::SnapshotTree(other_.path()).empty());
  ExpectOnly(before, {{"tree/x.exe", FileEntry("replacement")}});
}

// The call that does the work fails: result 4, the file where it was. The hit is acted on
// under the private name it is first taken aside to.
TEST_F(ProcessFaultTest, FailingDeleteRenameOrMoveKeepsTheFile) {
  struct Case {
    int32_t mode;
    Call call;
    int error;
  } cases[] = {
      {kModeDelete, Call::Unlink, EIO},
      {kModeDelete, Call::Unlink, EROFS},
      {kModeRename, Call::Renameat2, EIO},
      {kModeMove, Call::Renameat2, EACCES},
  };
  run_.AddSignatureFor(evil_);
  const fault_test::TreeSnapshot before = Snapshot();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    platform::faults::Reset();
    platform::faults::Arm(c.call, c.error, 0, std::string("tree/") + platform::kAsidePrefix);
    EXPECT_EQ(ProcessOneHit(c.mode), kResultFailed);
    EXPECT_EQ(platform::faults::FailuresInjected(), 1);
    ExpectOnly(before);
  }
}

// Between the read and the action the file at that name became another one: whatever the
// mode, the new file is not the hit and is left alone.
TEST_F(ProcessFaultTest, HitReplacedAfterItWasReadIsLeftAlone) {
  run_.AddSignatureFor(evil_);
  for (int32_t mode : {kModeDelete, kModeRename, kModeMove}) {
    SCOPED_TRACE(mode);
    dir_.Write("tree/x.exe", evil_);
    const fault_test::TreeSnapshot before = Snapshot();
    run_.beforeProcessing = [this] {
      const std::string replacement = dir_.Write("tree/x.new", "innocent");
      rename(replacement.c_str(), hitPath_.c_str());
    };
    EXPECT_EQ(ProcessOneHit(mode), kResultFailed);
    EXPECT_EQ(dir_.Read("tree/x.exe"), "innocent");
    ExpectOnly(before, {{"tree/x.exe", FileEntry("innocent")}});
  }
}

// A disk that fills up under the journal does not stop what the user asked for, but the
// journal says it lacks the file rather than passing for a whole record.
TEST_F(ProcessFaultTest, JournalThatCannotBeWrittenLeavesProcessingToGoOn) {
  run_.AddSignatureFor(evil_);
  ProcessJournal journal;
  journal.Start({scratch_.path()}, [] { return LogDateTime{38000.5, 0}; });
  run_.options.SetProcessedHook([&journal](const ProcessedFile& done) { journal.Record(done); });
  platform::faults::Arm(Call::Write, ENOSPC, 1, ".journal");  // the header goes through
  EXPECT_EQ(ProcessOneHit(kModeRename), kResultRenamed);
  journal.Close();
  EXPECT_TRUE(journal.Failed());
  EXPECT_EQ(journal.Error(), ENOSPC);
  EXPECT_EQ(journal.Missing(), 1u);
  EXPECT_EQ(journal.Entries(), 0u);
}

}  // namespace
