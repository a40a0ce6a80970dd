// The idle-time run of an armed search and its end: the log folder check, the automatic
// log, the status texts and the hooks that refresh the forms.
#include "engine/SearchDriver.h"

#include <gtest/gtest.h>

#include "engine/EngineTestSupport.h"

namespace {

using engine_test::EngineFixtureBase;

class SearchDriverTest : public ::testing::Test, protected EngineFixtureBase {
 protected:
  SearchDriverTest() : driver(engine, Hooks()) {}

  SearchDriver::Hooks Hooks() {
    SearchDriver::Hooks hooks;
    hooks.checkLogFolder = [this] {
      calls.push_back("check");
      return logFolderOk;
    };
    hooks.writeAutoLog = [this](const SearchRunInfo& info) {
      calls.push_back(info.completed ? "log completed" : "log stopped");
    };
    hooks.refreshForms = [this] { calls.push_back("refresh"); };
    hooks.flashIfMinimised = [this] { calls.push_back("flash"); };
    return hooks;
  }
  void Arm() {
    TextList targets;
    targets.Add(tree.path(), false);
    ASSERT_TRUE(engine.Prepare(targets, CPatternList("*.*", ';'), true, store));
    engine.running = true;
  }

  bool logFolderOk = true;
  std::vector<std::string> calls;
  SearchDriver driver;
};

TEST_F(SearchDriverTest, NothingHappensUnlessASearchIsArmed) {
  EXPECT_FALSE(driver.RunArmedSearch());
  EXPECT_TRUE(calls.empty());
  EXPECT_TRUE(host.statusTexts.empty());
}

TEST_F(SearchDriverTest, ACompletedSearchIsLoggedAndEndsWithSearchFinished) {
  tree.Write("a.bin", "1");
  Arm();
  EXPECT_TRUE(driver.RunArmedSearch());
  EXPECT_EQ(calls, (std::vector<std::string>{"check", "log completed", "refresh", "flash"}));
  EXPECT_EQ(sink.searched, 1);
  EXPECT_FALSE(engine.running);
  EXPECT_EQ(engine.BufferSize(), 1048576);
  EXPECT_EQ(engine.Overlap(), 256);
  EXPECT_EQ(host.statusTexts.back(), LoadString(kStrSearchFinished));
}

TEST_F(SearchDriverTest, AStoppedSearchIsLoggedAsStoppedAndSaysSo) {
  tree.Write("a.bin", "1");
  tree.Write("b.bin", "2");
  host.stopAtPump = 3;
  Arm();
  EXPECT_TRUE(driver.RunArmedSearch());
  EXPECT_EQ(calls, (std::vector<std::string>{"check", "log stopped", "refresh", "flash"}));
  EXPECT_EQ(host.statusTexts.back(), LoadString(kStrSearchStopped));
}

TEST_F(SearchDriverTest, ARefusedLogFolderSearchesNothingAndStillSaysFinished) {
  tree.Write("a.bin", "1");
  logFolderOk = false;
  Arm();
  EXPECT_TRUE(driver.RunArmedSearch());
  EXPECT_EQ(calls, (std::vector<std::string>{"check", "refresh", "flash"}));
  EXPECT_EQ(sink.searched, 0);
  EXPECT_FALSE(engine.running);
  EXPECT_EQ(host.statusTexts.back(), LoadString(kStrSearchFinished));
}

TEST_F(SearchDriverTest, AnAbortedSearchSaysFinished) {
  // Ended by an error rather than by the user: running is still set when it returns.
  tree.Write("a.bin", "1");
  engine_test::RecordingPresenter presenter;
  sink.onCount = [](int) { throw std::bad_alloc(); };
  Arm();
  EXPECT_TRUE(driver.RunArmedSearch());
  EXPECT_FALSE(engine.Completed());
  EXPECT_EQ(presenter.CountOf(kStrLowMemory), 1);
  EXPECT_EQ(host.statusTexts.back(), LoadString(kStrSearchFinished));
}

TEST_F(SearchDriverTest, EmptyHooksAreSkipped) {
  SearchDriver bare(engine, SearchDriver::Hooks());
  Arm();
  EXPECT_TRUE(bare.RunArmedSearch());
  EXPECT_TRUE(engine.Completed());
  engine.SetHost(nullptr);
  engine.running = true;
  bare.FinishSearch();  // no host: no status text, no crash
  EXPECT_FALSE(engine.running);
}

}  // namespace
