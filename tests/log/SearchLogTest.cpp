#include "log/SearchLog.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "db/InvalFileInfo.h"
#include "platform/Clock.h"
#include "platform/Encoding.h"
#include "result/DetectedFileList.h"
#include "support/TempDir.h"
#include "support/TestRecords.h"

using testing_support::TempDir;

namespace {

// The expected texts are written here in UTF-8 and converted, so a wrong byte in the
// writer's own constants cannot hide in the expectation.
std::string Sjis(const char* utf8) { return platform::Utf8ToCp932(utf8); }

LogDateTime At(int year, int month, int day, int hour, int minute, int second) {
  LogDateTime time;
  platform::LocalDateTime local{year, month, day, hour, minute, second};
  time.status = platform::LocalToOleDate(local, &time.oleDate) ? 0 : 1;
  return time;
}

class SearchLogTest : public ::testing::Test {
 protected:
  SearchLogTest() {
    run_.startTime = At(2003, 3, 10, 9, 5, 7);
    run_.endTime = At(2003, 3, 10, 13, 0, 59);
    run_.patternText = "*.exe;*.com";
    run_.searchSubfolders = true;
    run_.completed = false;
    run_.targets = {"/data", "/data/", "/", Sjis("/表")};
  }

  std::string Header(const char* flags) const {
    return Sjis("検索開始時間\t検索終了時間\tファイルタイプ\tサブディレクトリ検索の有無\t検索完了の有無\r\n") +
           "2003 03/10 09:05:07\t2003 03/10 13:00:59\t*.exe;*.com\t" + flags + "\r\n" + "\r\n" +
           Sjis("検索対象フォルダ\r\n") + "/data/\r\n/data/\r\n/\r\n" + Sjis("/表/\r\n");
  }
  static std::string DetectionsHead(const char* count) {
    return std::string("\r\n") + count + Sjis(" ファイル検出！\r\n") + "---------------------\r\n\r\n" +
           Sjis("ファイル名\tフォルダ名\t名称\t分類\t位置情報\t処理\r\n");
  }

  TempDir dir_;
  SearchRunInfo run_;
  ProfileFile file_;
};

TEST_F(SearchLogTest, FullLogByteForByte) {
  auto record = MakeRecord(Sjis("ウイルス"), Sjis("サンプル"), kSampleFingerprintHex);
  DetectedFileList hits;
  ASSERT_TRUE(hits.Append("/data/sub/a.exe", 0, record, kResultUnprocessed));
  ASSERT_TRUE(hits.Append("/x.exe", 255, record, kResultMoved));
  ASSERT_TRUE(hits.Append(Sjis("/data/表.bin"), -1, record, kResultFailed));
  ASSERT_TRUE(hits.Append("/data/b.com", 0x1a2b, MakeRecord("W", "N", kSampleFingerprintHex), kResultRenamed));
  ASSERT_TRUE(hits.Append("/data/c.com", 1, record, kResultDeleted));

  const std::string path = dir_.folder() + "20030310090507.log";
  ASSERT_TRUE(WriteLogFile(path, run_, &hits, file_));

  const std::string expected =
      Header("YES\tNO") + DetectionsHead("5") +
      Sjis("a.exe\t/data/sub\tサンプル\tウイルス\t0\t未処理\r\n") +
      Sjis("x.exe\t/\tサンプル\tウイルス\tff\t移動\r\n") +
      Sjis("表.bin\t/data\tサンプル\tウイルス\tffffffff\t失敗\r\n") +
      Sjis("b.com\t/data\tN\tW\t1a2b\tﾘﾈｰﾑ\r\n") +
      Sjis("c.com\t/data\tサンプル\tウイルス\t1\t削除\r\n");
  EXPECT_EQ(dir_.Read("20030310090507.log"), expected);
  EXPECT_FALSE(file_.IsArchiveOpen());
}

TEST_F(SearchLogTest, NoHitsStillWriteTheDetectionSection) {
  run_.searchSubfolders = false;
  run_.completed = true;
  DetectedFileList hits;
  ASSERT_TRUE(WriteLogFile(dir_.folder() + "a.log", run_, &hits, file_));
  EXPECT_EQ(dir_.Read("a.log"), Header("NO\tYES") + DetectionsHead("0"));
  // Before any search there is no list at all: the same empty section.
  ASSERT_TRUE(WriteLogFile(dir_.folder() + "b.log", run_, nullptr, file_));
  EXPECT_EQ(dir_.Read("b.log"), Header("NO\tYES") + DetectionsHead("0"));
}

// The file type and the target folders come from the user and the file system: their
// control characters are escaped as a hit's names are, so each stays one field of one line.
TEST_F(SearchLogTest, HeaderFieldsCannotForgeLines) {
  run_.patternText = "*.exe;x\r\nforged\tline\x1b";
  run_.targets = {"/tg\r\nfake\x1b[1m", Sjis("/表ソ")};
  ASSERT_TRUE(WriteLogFile(dir_.folder() + "a.log", run_, nullptr, file_));
  EXPECT_TRUE(dir_.Read("a.log").starts_with(
      Sjis("検索開始時間\t検索終了時間\tファイルタイプ\tサブディレクトリ検索の有無\t検索完了の有無\r\n") +
      "2003 03/10 09:05:07\t2003 03/10 13:00:59\t*.exe;x\\r\\nforged\\tline\\x1B\tYES\tNO\r\n\r\n" +
      Sjis("検索対象フォルダ\r\n") + "/tg\\r\\nfake\\x1B[1m/\r\n" + Sjis("/表ソ/\r\n\r\n0 ")));
}

// Two searches started within the same second share a name: the second log replaces the
// first whole, without the first one's tail.
TEST_F(SearchLogTest, ExistingLogIsReplacedNotOverwritten) {
  dir_.Write("same.log", std::string(10000, 'X'));
  DetectedFileList hits;
  ASSERT_TRUE(WriteLogFile(dir_.folder() + "same.log", run_, &hits, file_));
  EXPECT_EQ(dir_.Read("same.log"), Header("YES\tNO") + DetectionsHead("0"));
}

TEST_F(SearchLogTest, UnwritableTargetsFailAndLeaveNothing) {
  EXPECT_FALSE(WriteLogFile(dir_.folder() + "missing/a.log", run_, nullptr, file_));
  dir_.MakeDir("taken.log");
  EXPECT_FALSE(WriteLogFile(dir_.folder() + "taken.log", run_, nullptr, file_));
  EXPECT_FALSE(WriteLogFile(dir_.folder(), run_, nullptr, file_));  // no file name
  // Swapped in while the search ran: a link, and a journal --undo still needs.
  std::filesystem::create_symlink(dir_.Write("elsewhere", "kept"), dir_.folder() + "link.log");
  EXPECT_FALSE(WriteLogFile(dir_.folder() + "link.log", run_, nullptr, file_));
  EXPECT_TRUE(std::filesystem::is_symlink(dir_.folder() + "link.log"));
  dir_.Write("journal.log", "vorlet-journal\t1\n");
  EXPECT_FALSE(WriteLogFile(dir_.folder() + "journal.log", run_, nullptr, file_));
  EXPECT_EQ(dir_.Read("journal.log"), "vorlet-journal\t1\n");
  EXPECT_FALSE(file_.IsArchiveOpen());
}

// The writers are symmetric with the data file's: with Load they do nothing.
TEST_F(SearchLogTest, LoadDirectionWritesNothing) {
  ASSERT_TRUE(file_.SetPath("x.log", dir_.folder(), nullptr, true));
  ASSERT_TRUE(file_.OpenArchive(ProfileFile::Direction::Store, true));
  DetectedFileList hits;
  ASSERT_TRUE(hits.Append("/a/b", 0, nullptr, kResultUnprocessed));
  EXPECT_TRUE(WriteLogHeader(ProfileFile::Direction::Load, file_, run_));
  EXPECT_TRUE(hits.WriteLogDetections(ProfileFile::Direction::Load, file_));
  EXPECT_TRUE(hits[0].WriteLogLine(ProfileFile::Direction::Load, file_));
  EXPECT_TRUE(hits[0].WriteLogLine(ProfileFile::Direction::Store, file_));
  ASSERT_TRUE(file_.CloseArchive());
  EXPECT_EQ(dir_.Read("x.log"), Sjis("b\t/a\t\t\t0\t未処理\r\n"));
}

// A time that was never taken leaves its field empty; a file still gets a time-stamp name
// (the current time), never an empty one.
TEST(SearchLogFormatTest, InvalidTimes) {
  LogDateTime invalid;
  invalid.status = 1;
  EXPECT_EQ(FormatLogTime(invalid), "\t");
  LogDateTime outOfRange;
  outOfRange.status = 0;
  outOfRange.oleDate = 1e12;
  EXPECT_EQ(FormatLogTime(outOfRange), "\t");
  for (const LogDateTime& time : {invalid, outOfRange}) {
    const std::string stamp = LogFileStamp(time);
    ASSERT_EQ(stamp.size(), 14u);
    EXPECT_EQ(stamp.find_first_not_of("0123456789"), std::string::npos);
    EXPECT_GE(stamp, "2020");
  }
}

}  // namespace
