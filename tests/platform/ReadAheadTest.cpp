#include "platform/ReadAhead.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "support/TempDir.h"

using namespace std::chrono_literals;
using platform::ReadAhead;
using testing_support::TempDir;

namespace {

// The user's own slow block, after it gave up the processor (as a wait on the disk does).
void SlowOwnBlockAfterAWait(ReadAhead& ahead) {
  std::this_thread::sleep_for(1ms);
  ahead.NoteOwnBlock(2ms);
}

// A lone slow block (a page fault, a moment of another process on a warm cache) starts no
// thread; slow blocks one after another, each after a wait, do. Slow blocks with no wait of
// the user's own between them came slowly because of other work, and start none either.
TEST(ReadAheadTest, ThreadsBeginOnlyForSlowBlocksInARowThatMadeTheUserWait) {
  ReadAhead ahead;
  ASSERT_TRUE(ahead.Start(2, 8));
  SlowOwnBlockAfterAWait(ahead);
  ahead.NoteOwnBlock(10us);
  SlowOwnBlockAfterAWait(ahead);
  ahead.NoteOwnBlock(10us);
  EXPECT_FALSE(ahead.Taking());

  SlowOwnBlockAfterAWait(ahead);
  for (int i = 0; i < 5; ++i) ahead.NoteOwnBlock(2ms);
  EXPECT_FALSE(ahead.Taking());

  for (int i = 0; i < 3; ++i) SlowOwnBlockAfterAWait(ahead);
  EXPECT_TRUE(ahead.Taking());
}

// Threads that must do all the reading keep taking requests however quickly the blocks
// come: the user never reads one itself, so a request nobody takes would never be done.
TEST(ReadAheadTest, ThreadsThatDoAllTheReadingNeverStopTakingRequests) {
  TempDir dir;
  dir.Write("a.bin", "block");
  platform::DirReader reader;
  ASSERT_TRUE(reader.Open(dir.folder()));
  platform::DirEntry entry;
  ASSERT_TRUE(reader.Next(&entry));

  ReadAhead ahead;
  ASSERT_TRUE(ahead.Start(1, 4, true));
  // Each round the thread has its requests done before the user comes for them: a long run
  // of blocks that come at once, with no read under way.
  for (int round = 0; round < 400; ++round) {
    while (ahead.Outstanding() < ahead.Window()) ahead.Ask(reader, entry, 0, 16);
    ahead.Flush();
    std::this_thread::sleep_for(300us);
    while (ahead.Outstanding() > 0) {
      ReadAhead::Block* block = ahead.WaitOldest(5s);
      ASSERT_NE(block, nullptr) << "round " << round;
      ASSERT_TRUE(block->opened);
      char got[16];
      EXPECT_EQ(block->file.ReadAt(0, got, sizeof got), 5);
      ahead.ReleaseOldest();
    }
  }
}

}  // namespace
