// The comparison of a record's search bytes with the file's fingerprint.
#include "engine/DigestMatcher.h"

#include <gtest/gtest.h>

#include "engine/EngineTestSupport.h"
#include "util/CDFile.h"

namespace {

class DigestMatcherTest : public ::testing::Test {
 protected:
  DigestMatcherTest() {
    for (int i = 0; i < 16; ++i) fingerprint[i] = static_cast<uint8_t>(0xA0 + i);
    file.AssignPath("/data/a.bin");
    matcher.Init(&file, fingerprint, 16, 1);
  }

  uint8_t fingerprint[16];
  CDFile file;
  DigestMatcher matcher;
};

TEST_F(DigestMatcherTest, FirstSixteenSearchBytesDecide) {
  struct Case {
    const char* label;
    int length;        // bytes of the record taken from the fingerprint, then extra bytes
    int flipAt;        // a byte made to differ (-1 none)
    bool matched;
  };
  const Case cases[] = {
      {"equal", 16, -1, true},
      {"longer record matches on its first 16 bytes", 20, -1, true},
      {"longer record, difference after byte 16", 20, 17, true},
      {"difference in the first byte", 16, 0, false},
      {"difference in the last compared byte", 16, 15, false},
      {"fewer than 16 bytes never match", 15, -1, false},
      {"one byte", 1, -1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    std::vector<uint8_t> bytes(static_cast<size_t>(c.length));
    for (int i = 0; i < c.length; ++i) bytes[static_cast<size_t>(i)] = i < 16 ? fingerprint[i] : 0x55;
    if (c.flipAt >= 0) bytes[static_cast<size_t>(c.flipAt)] ^= 0xFF;
    matcher.matched = !c.matched;
    EXPECT_TRUE(matcher.Compare(bytes.data(), c.length));
    EXPECT_EQ(matcher.matched, c.matched);
  }
}

TEST_F(DigestMatcherTest, ShortRecordsAreNotReadBeyondTheirLength) {
  // Fifteen bytes at the very end of an allocation: reading a 16th would be caught by the
  // sanitizer build.
  auto bytes = std::make_unique<uint8_t[]>(15);
  for (int i = 0; i < 15; ++i) bytes[i] = fingerprint[i];
  EXPECT_TRUE(matcher.Compare(bytes.get(), 15));
  EXPECT_FALSE(matcher.matched);
  EXPECT_TRUE(matcher.Compare(nullptr, 0));  // the store's per-file call without candidates
  EXPECT_FALSE(matcher.matched);
}

TEST_F(DigestMatcherTest, ChecksTheEnginesStopBeforeComparing) {
  ProfileFile settings;
  CScanEngine engine(settings);
  engine_test::RecordingHost host(&engine);
  engine.SetHost(&host);
  DigestMatcher bound(&engine);
  bound.Init(&file, fingerprint, 16, 1);

  engine.running = true;
  EXPECT_TRUE(bound.Compare(fingerprint, 16));
  EXPECT_TRUE(bound.matched);
  EXPECT_EQ(host.pumps, 1);

  host.stopAtPump = 2;
  EXPECT_FALSE(bound.Compare(fingerprint, 16));
  EXPECT_FALSE(bound.matched);  // cleared, not compared
}

}  // namespace
