#include "db/InvalFileInfo.h"

#include <gtest/gtest.h>

#include "db/FakeMatcher.h"

namespace {

struct HexCase {
  const char* text;
  bool ok;
  std::vector<uint8_t> bytes;
};

TEST(InvalFileInfoTest, HexTextToBytes) {
  const HexCase cases[] = {
      {"", true, {}},
      {"0a0B", true, {0x0A, 0x0B}},
      {"00010203040A0BFF", true, {0x00, 0x01, 0x02, 0x03, 0x04, 0x0A, 0x0B, 0xFF}},
      {"abc", false, {}},
      {"0G", false, {}},
      {"00 01", false, {}},
      {"0 01", false, {}},
      {"0x", false, {}},
      {"\x82\xA0", false, {}},
  };
  for (const HexCase& c : cases) {
    std::vector<uint8_t> bytes{0x55};
    EXPECT_EQ(InvalFileInfo::HexToBytes(c.text, &bytes), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(bytes, c.bytes) << c.text;
    }
  }
}

TEST(InvalFileInfoTest, SearchTextIsLowerCaseHex) {
  InvalFileInfo record;
  ASSERT_TRUE(record.SetFromText("N", "C", "", OleDate{}, "", "00010203040A0BFF", ""));
  EXPECT_EQ(record.GetSearchText(), "00010203040a0bff");
  EXPECT_EQ(record.SearchLength(), 8);
  ASSERT_TRUE(record.SetFromText("N", "C", "", OleDate{}, "", "", ""));
  EXPECT_EQ(record.GetSearchText(), "");
  EXPECT_EQ(record.SearchLength(), 0);
  EXPECT_EQ(record.SearchBytes(), nullptr);
}

TEST(InvalFileInfoTest, RefusedSearchTextLeavesRecordUntouched) {
  InvalFileInfo record;
  ASSERT_TRUE(record.SetFromText("N", "C", "R", OleDate{37690.5, 0}, "A", "0a0b", "S"));
  for (const char* bad : {"abc", "0G", "0a 0b"}) {
    EXPECT_FALSE(record.SetFromText("X", "Y", "Z", OleDate{1.0, 1}, "W", bad, "V")) << bad;
    EXPECT_EQ(record.Name(), "N");
    EXPECT_EQ(record.Category(), "C");
    EXPECT_EQ(record.RiskLevel(), "R");
    EXPECT_EQ(record.CreatedDate(), (OleDate{37690.5, 0}));
    EXPECT_EQ(record.Author(), "A");
    EXPECT_EQ(record.GetSearchText(), "0a0b");
    EXPECT_EQ(record.Summary(), "S");
  }
}

TEST(InvalFileInfoTest, SetFromBytesAndCopyFromTakeFreshCopies) {
  uint8_t bytes[3] = {1, 2, 3};
  InvalFileInfo source;
  source.SetFromBytes("a.bin", "trojan", "", OleDate{2.5, 0}, "", bytes, 3, "line1\r\nline2");
  bytes[0] = 9;
  EXPECT_EQ(source.GetSearchText(), "010203");

  InvalFileInfo copy;
  copy.CopyFrom(source);
  source.SetFromBytes("b", "c", "", OleDate{}, "", nullptr, 0, "");
  EXPECT_EQ(copy.Name(), "a.bin");
  EXPECT_EQ(copy.Category(), "trojan");
  EXPECT_EQ(copy.CreatedDate(), (OleDate{2.5, 0}));
  EXPECT_EQ(copy.GetSearchText(), "010203");
  EXPECT_EQ(copy.Summary(), "line1\r\nline2");

  copy.SetFromBytes("n", "c", "", OleDate{}, "", bytes, -4, "");
  EXPECT_EQ(copy.SearchLength(), 0);
  EXPECT_EQ(copy.SearchBytes(), nullptr);
}

TEST(InvalFileInfoTest, TestReportsMatchWithSharedRecord) {
  auto record = MakeRecord("C", "N", "000102030405060708090a0b0c0d0e0f");
  uint8_t digest[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
  FakeDigestMatcher matcher;
  RecordingSink sink;
  matcher.sink = &sink;
  matcher.Init(nullptr, digest, 16, 1);
  matcher.position = 0x40;

  ASSERT_TRUE(record->Test(matcher));
  EXPECT_TRUE(record->Matched());
  ASSERT_EQ(sink.hits.size(), 1u);
  EXPECT_EQ(sink.hits[0].path, "/data/file.bin");
  EXPECT_EQ(sink.hits[0].position, 0x40);
  EXPECT_EQ(sink.hits[0].record, record);

  digest[15] = 0;
  ASSERT_TRUE(record->Test(matcher));
  EXPECT_FALSE(record->Matched());
  EXPECT_EQ(sink.hits.size(), 1u);

  // A stop clears the flag and reports nothing.
  digest[15] = 15;
  matcher.stopAfter = matcher.compares;
  EXPECT_FALSE(record->Test(matcher));
  EXPECT_FALSE(record->Matched());
  EXPECT_EQ(sink.hits.size(), 1u);
}

}  // namespace
