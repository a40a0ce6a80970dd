// Which signature a searched file is reported with: the first match in category order,
// then name order, among the categories that take part in the search.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "engine/EngineTestSupport.h"

namespace {

using engine_test::DigestOf;
using engine_test::EngineFixtureBase;
using engine_test::Signature;

class ScanEngineMatchTest : public ::testing::Test, protected EngineFixtureBase {};

TEST_F(ScanEngineMatchTest, FirstMatchAcrossCategoriesAndNames) {
  tree.Write("bad.exe", "evil");
  const std::string digest = DigestOf("evil");
  store.Add(Signature("B", "b-first", digest));
  store.Add(Signature("A", "z-late", digest));
  store.Add(Signature("A", "m-early", digest));
  EXPECT_TRUE(Search());
  ASSERT_EQ(sink.hits.size(), 1u);
  EXPECT_EQ(sink.hits[0].record->Category(), "A");
  EXPECT_EQ(sink.hits[0].record->Name(), "m-early");
  EXPECT_EQ(sink.hits[0].path, tree.folder() + "bad.exe");
}

TEST_F(ScanEngineMatchTest, CategoriesLeftOutOfTheSearchNeverMatch) {
  tree.Write("bad.exe", "evil");
  const std::string digest = DigestOf("evil");
  store.Add(Signature("A", "one", digest));
  store.Add(Signature("B", "two", digest));
  store.FindCategory("A")->SetSearchFlag(false);
  EXPECT_TRUE(Search());
  ASSERT_EQ(sink.hits.size(), 1u);
  EXPECT_EQ(sink.hits[0].record->Category(), "B");

  store.FindCategory("B")->SetSearchFlag(false);
  sink.hits.clear();
  EXPECT_TRUE(Search());
  EXPECT_TRUE(sink.hits.empty());
  EXPECT_EQ(sink.searched, 2);
}

TEST_F(ScanEngineMatchTest, EachFileGivesAtMostOneHit) {
  tree.Write("a.bin", "one");
  tree.Write("b.bin", "two");
  tree.Write("c.bin", "three");
  store.Add(Signature("cat", "one", DigestOf("one")));
  store.Add(Signature("cat", "one-again", DigestOf("one")));
  store.Add(Signature("cat", "three", DigestOf("three") + "tail"));  // 20 bytes
  store.Add(Signature("cat", "short", DigestOf("two").substr(0, 15)));
  EXPECT_TRUE(Search("*.bin"));
  EXPECT_EQ(sink.searched, 3);
  ASSERT_EQ(sink.hits.size(), 2u);
  std::vector<std::string> names{sink.hits[0].record->Name(), sink.hits[1].record->Name()};
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"one", "three"}));
}

TEST_F(ScanEngineMatchTest, RunInfoDescribesTheLastSearch) {
  tree.Write("x.bin", "x");
  TextList targets;
  targets.Add(tree.path(), false);
  targets.Add(tree.path() + "/none", false);
  ASSERT_TRUE(SearchTargets(targets, "*.bin;*.exe", false));
  targets.Add("/changed/after/prepare", false);  // the engine searched, and logs, its own copy
  const SearchRunInfo info = engine.RunInfo();
  EXPECT_EQ(info.patternText, "*.bin;*.exe");
  EXPECT_FALSE(info.searchSubfolders);
  EXPECT_TRUE(info.completed);
  EXPECT_EQ(info.targets, (std::vector<std::string>{tree.path(), tree.path() + "/none"}));
  EXPECT_EQ(info.startTime.status, 0);
  EXPECT_EQ(info.endTime.status, 0);
  EXPECT_LE(info.startTime.oleDate, info.endTime.oleDate);
  // Whole seconds.
  const double seconds = info.startTime.oleDate * 86400.0;
  EXPECT_NEAR(seconds, std::round(seconds), 1e-3);
}

}  // namespace
