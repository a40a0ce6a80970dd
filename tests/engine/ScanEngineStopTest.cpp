// Stopping a search: clearing `running` from an event handled during the search unwinds
// the walk at its next check, and the search is recorded as not completed.
#include <gtest/gtest.h>

#include "engine/EngineTestSupport.h"

namespace {

using engine_test::EngineFixtureBase;

class ScanEngineStopTest : public ::testing::Test, protected EngineFixtureBase {
 protected:
  void MakeFiles(int count) {
    for (int i = 0; i < count; ++i) {
      const std::string n = std::to_string(i);
      tree.Write(std::string("f").append(n).append(".bin"), std::string("content").append(n));
    }
  }
};

TEST_F(ScanEngineStopTest, EveryFileGivesTheHostFourChancesToStop) {
  // Before and after each file, after its block is read, and at its comparison.
  MakeFiles(5);
  EXPECT_TRUE(Search("*.*", false));
  EXPECT_EQ(host.pumps, 5 * 4);
  EXPECT_EQ(sink.searched, 5);
}

TEST_F(ScanEngineStopTest, StopAtAnyPumpEndsTheSearchUncompleted) {
  MakeFiles(5);
  for (int stopAt = 1; stopAt <= 20; ++stopAt) {
    SCOPED_TRACE(stopAt);
    host.pumps = 0;
    host.stopAtPump = stopAt;
    sink.searched = 0;
    EXPECT_FALSE(Search("*.*", false));
    EXPECT_FALSE(engine.Completed());
    EXPECT_FALSE(engine.running);
    EXPECT_EQ(host.pumps, stopAt);  // nothing more is pumped after the stop
    // A file is counted after the pump before it: file k (from 1) is counted at pump 4k-3.
    EXPECT_EQ(sink.searched, (stopAt + 2) / 4);
    EXPECT_EQ(engine.EndTime().status, 0);
  }
}

TEST_F(ScanEngineStopTest, AStopDuringAComparisonReportsNoHit) {
  tree.Write("hit.bin", "payload");
  store.Add(engine_test::Signature("a", "first", engine_test::DigestOf("payload")));
  host.stopAtPump = 3;  // the comparison's pump
  EXPECT_FALSE(Search());
  EXPECT_TRUE(sink.hits.empty());
  EXPECT_EQ(sink.searched, 1);
}

TEST_F(ScanEngineStopTest, ASubfolderWalkStopsToo) {
  tree.Write("a/one.bin", "1");
  tree.Write("b/two.bin", "2");
  // Pumps: first subfolder, its file (before, block read, comparison, after), second subfolder.
  host.stopAtPump = 6;
  EXPECT_FALSE(Search());
  EXPECT_EQ(sink.searched, 1);
}

TEST_F(ScanEngineStopTest, ARunThatIsNotArmedStopsAtTheFirstFile) {
  MakeFiles(2);
  TextList targets;
  targets.Add(tree.path(), false);
  ASSERT_TRUE(engine.Prepare(targets, CPatternList("*.*", ';'), true, store));
  EXPECT_FALSE(engine.Run(CScanEngine::kSearchBufferSize, CScanEngine::kSearchOverlap));
  EXPECT_EQ(sink.searched, 0);
  EXPECT_EQ(host.pumps, 0);  // a cleared flag is seen without asking the host
}

TEST_F(ScanEngineStopTest, WithoutAHostTheFlagIsStillHonoured) {
  MakeFiles(3);
  engine.SetHost(nullptr);
  sink.onCount = [this](int n) {
    if (n == 2) engine.running = false;
  };
  EXPECT_FALSE(Search());
  EXPECT_EQ(sink.searched, 2);
  EXPECT_TRUE(host.statusTexts.empty());
}

TEST_F(ScanEngineStopTest, AStopIsHeardWhileALargeFolderIsListed) {
  // None of the files is searched, so every pump comes from the listing: a folder of
  // millions of entries (or one on a slow disk) must not keep a stop waiting until the end.
  MakeFiles(2 * static_cast<int>(CScanEngine::kEntriesBetweenPumps) + 5);
  EXPECT_TRUE(Search("*.none", false));
  EXPECT_EQ(host.pumps, 2);

  host.pumps = 0;
  host.stopAtPump = 1;
  EXPECT_FALSE(Search("*.none", false));
  EXPECT_FALSE(engine.Completed());
  EXPECT_EQ(host.pumps, 1);
  EXPECT_TRUE(problems.folders.empty());  // a listing broken off by the user is not a fault
}

}  // namespace
