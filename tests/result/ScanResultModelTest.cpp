#include "result/ScanResultModel.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "db/InvalFileDB.h"
#include "result/ScanOptions.h"
#include "log/SearchLog.h"
#include "support/TempDir.h"
#include "support/TestRecords.h"
#include "util/FileChecks.h"

using testing_support::TempDir;

namespace {

// Records what a form would be told, in order.
class RecordingListener : public ResultListener {
 public:
  void OnReset() override { events.push_back("reset"); }
  void OnCountsChanged(const ScanCounts& counts) override {
    events.push_back("counts");
    last = counts;
  }
  void OnHitAdded(size_t index, const DetectedFile& hit) override {
    events.push_back("hit " + std::to_string(index) + " " + hit.FileName());
  }

  std::vector<std::string> events;
  ScanCounts last;
};

class ScanResultModelTest : public ::testing::Test {
 protected:
  void SetUp() override { model_.SetListener(&listener_); }

  ScanResultModel model_;
  RecordingListener listener_;
  std::shared_ptr<InvalFileInfo> record_ = MakeRecord("Virus", "Sample", kSampleFingerprintHex);
};

TEST_F(ScanResultModelTest, NothingIsRecordedBeforeTheFirstSearch) {
  EXPECT_EQ(model_.Hits(), nullptr);
  bool processed = false;
  model_.SetAutoProcess([&](const std::string&) {
    processed = true;
    return kResultDeleted;
  });
  model_.AddDetectedFile("/data/x.exe", 0, record_);
  EXPECT_FALSE(processed);
  EXPECT_EQ(model_.Counts(), ScanCounts());
  EXPECT_TRUE(listener_.events.empty());
}

TEST_F(ScanResultModelTest, HitsWithoutPathOrSignatureAreIgnored) {
  model_.ResetResult();
  model_.AddDetectedFile("", 0, record_);
  model_.AddDetectedFile("/data/x.exe", 0, nullptr);
  EXPECT_TRUE(model_.Hits()->empty());
  EXPECT_EQ(model_.Counts().invalid, 0);
}

TEST_F(ScanResultModelTest, CountersFollowTheProcessingResults) {
  std::vector<ProcessResult> results = {kResultDeleted, kResultRenamed, kResultFailed};
  size_t next = 0;
  model_.SetAutoProcess([&](const std::string&) { return results[next++]; });
  model_.ResetResult();
  for (int i = 0; i < 5; ++i) model_.CountSearchedFile();
  model_.AddDetectedFile("/a/1.exe", 0, record_);
  model_.AddDetectedFile("/a/2.exe", 0, record_);
  model_.AddDetectedFile("/a/3.exe", 0, record_);

  const ScanCounts& counts = model_.Counts();
  EXPECT_EQ(counts.searched, 5);
  EXPECT_EQ(counts.invalid, 3);
  EXPECT_EQ(counts.deleted, 1);
  EXPECT_EQ(counts.renamed, 1);
  EXPECT_EQ(counts.unprocessed, 1);
  EXPECT_EQ(counts.moved, 0);
  ASSERT_EQ(model_.Hits()->size(), 3u);
  EXPECT_EQ((*model_.Hits())[2].Result(), kResultFailed);  // a failure is listed like any hit
}

TEST_F(ScanResultModelTest, WithoutProcessingEveryHitIsUnprocessed) {
  model_.ResetResult();
  model_.AddDetectedFile("/a/1.exe", 7, record_);
  EXPECT_EQ(model_.Counts().unprocessed, 1);
  EXPECT_EQ(model_.Hits()->back().Result(), kResultUnprocessed);
  EXPECT_EQ(model_.Hits()->back().Position(), 7);
}

TEST_F(ScanResultModelTest, ResultOutsideTheFiveTextsCountsAsFailure) {
  model_.SetAutoProcess([](const std::string&) { return static_cast<ProcessResult>(9); });
  model_.ResetResult();
  model_.AddDetectedFile("/a/1.exe", 0, record_);
  EXPECT_EQ(model_.Hits()->back().Result(), kResultFailed);
  EXPECT_EQ(model_.Counts().unprocessed, 1);
}

// The file is processed before the hit exists, and the view hears of the row before the
// counters that include it.
TEST_F(ScanResultModelTest, ProcessingComesFirstThenRowThenCounters) {
  model_.ResetResult();
  size_t hitsWhenProcessed = 99;
  model_.SetAutoProcess([&](const std::string& path) {
    hitsWhenProcessed = model_.Hits()->size();
    EXPECT_EQ(path, "/data/x.exe");
    return kResultMoved;
  });
  listener_.events.clear();
  model_.CountSearchedFile();
  model_.AddDetectedFile("/data/x.exe", 255, record_);
  EXPECT_EQ(hitsWhenProcessed, 0u);
  EXPECT_EQ(listener_.events, (std::vector<std::string>{"counts", "hit 0 x.exe", "counts"}));
  EXPECT_EQ(listener_.last.moved, 1);
  EXPECT_EQ(listener_.last.searched, 1);
}

TEST_F(ScanResultModelTest, ResetStartsAFreshListAndZeroCounters) {
  model_.ResetResult();
  model_.CountSearchedFile();
  model_.AddDetectedFile("/a/1.exe", 0, record_);
  const DetectedFileList* first = model_.Hits();
  listener_.events.clear();

  model_.ResetResult();
  EXPECT_EQ(model_.Counts(), ScanCounts());
  ASSERT_NE(model_.Hits(), nullptr);
  EXPECT_TRUE(model_.Hits()->empty());
  EXPECT_NE(model_.Hits(), first);
  EXPECT_EQ(listener_.events, (std::vector<std::string>{"reset", "counts"}));
  EXPECT_EQ(listener_.last, ScanCounts());
}

// The hit shares the record: removing it from the store leaves the hit's name readable,
// in the list and in the log.
TEST_F(ScanResultModelTest, HitOutlivesItsRecordInTheStore) {
  InvalFileDB store;
  ASSERT_TRUE(store.Add(record_));
  model_.ResetResult();
  model_.AddDetectedFile("/data/x.exe", 0, store.FindRecord("Virus", "Sample"));
  ASSERT_TRUE(store.Remove(*record_));
  record_.reset();
  store.Clear();
  const DetectedFile& hit = model_.Hits()->back();
  EXPECT_EQ(hit.SignatureName(), "Sample");
  EXPECT_EQ(hit.SignatureCategory(), "Virus");
  TempDir dir;
  ASSERT_TRUE(WriteLogFile(dir.folder() + "a.log", SearchRunInfo{}, model_.Hits()));
  EXPECT_NE(dir.Read("a.log").find("x.exe\t/data\tSample\tVirus\t0\t"), std::string::npos);
}

TEST_F(ScanResultModelTest, DeletingHitIsGoneWhenListed) {
  TempDir dir;
  const std::string file = dir.Write("x.exe", "data");
  ScanOptions options;
  options.SetMode(kModeDelete);
  model_.SetAutoProcess([&options](const std::string& path) { return options.AutoProcessFile(path); });
  model_.ResetResult();
  model_.AddDetectedFile(file, 0, record_);
  EXPECT_FALSE(PathExists(file));
  EXPECT_EQ(model_.Hits()->back().Result(), kResultDeleted);
  EXPECT_EQ(model_.Counts().deleted, 1);
}

TEST(DetectedFileListTest, AppendRefusesOnlyAnEmptyPath) {
  DetectedFileList list;
  EXPECT_FALSE(list.Append("", 0, nullptr, kResultUnprocessed));
  EXPECT_TRUE(list.Append("/a", 0, nullptr, kResultUnprocessed));
  const DetectedFile* first = &list[0];
  for (int i = 0; i < 1000; ++i) ASSERT_TRUE(list.Append("/b", i, nullptr, kResultFailed));
  EXPECT_EQ(&list[0], first);  // rows may keep pointers to their hits
  EXPECT_EQ(list.size(), 1001u);
  int32_t sum = 0;
  for (const DetectedFile& hit : list) sum += hit.Position();
  EXPECT_EQ(sum, 999 * 1000 / 2);
}

}  // namespace
