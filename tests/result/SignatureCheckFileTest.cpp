// The check file beside the data file: written and read back byte for byte whatever the
// names hold, anything else refused, and records marked only while they are what was
// checked.
#include <gtest/gtest.h>

#include "db/InvalFileDB.h"
#include "result/SignatureCheckFile.h"
#include "support/TempDir.h"
#include "support/TestRecords.h"

namespace {

SignatureCheckFile Sample() {
  SignatureCheckFile file;
  file.checked = "2026-12-08 07:30:12";
  file.folders = {"/usr", "/opt/a\tb\\c"};
  file.signatureCount = 3;
  file.stamp = "0123456789abcdef0123456789abcdef";
  // 表 ends in the byte of a backslash; a lead byte before a TAB has no second byte.
  file.entries = {{1371, kSampleFingerprintHex, "\x95\x5C", "name\\x\r\n"}, {2, "00ff", "Cat", "\x95\t"}};
  return file;
}

TEST(SignatureCheckFileTest, WrittenFileReadsBackTheSame) {
  testing_support::TempDir dir;
  const SignatureCheckFile file = Sample();
  ASSERT_TRUE(file.Write(dir.folder() + "Vorlet.dat.check"));
  SignatureCheckFile read;
  ASSERT_TRUE(SignatureCheckFile::Read(dir.folder() + "Vorlet.dat.check", &read));
  EXPECT_EQ(read.Format(), file.Format());
  ASSERT_EQ(read.entries.size(), 2u);
  EXPECT_EQ(read.entries[0].category, "\x95\x5C");
  EXPECT_EQ(read.entries[0].name, "name\\x\r\n");
  EXPECT_EQ(read.entries[1].name, "\x95\t");
  EXPECT_EQ(read.folders, file.folders);
}

TEST(SignatureCheckFileTest, OtherTextsAreRefused) {
  const std::string good = Sample().Format();
  const std::string cases[] = {
      good.substr(0, good.size() - 1),                                    // cut inside its last line
      "vorlet-signature-check 2" + good.substr(good.find('\n')),          // another format
      good + "x1\t00\tCat\tn\n",                                          // a count that is not one
      good + "1\t0g\tCat\tn\n",                                           // a search text that is not hex
      good + "1\t00\tCat\tn\\q\n",                                        // an unknown escape
      good.substr(0, good.find("signatures")),                            // no stamp
  };
  for (const std::string& text : cases) {
    SignatureCheckFile read;
    EXPECT_FALSE(SignatureCheckFile::Parse(text, &read)) << text;
  }
}

TEST(SignatureCheckFileTest, MarksOnlyRecordsAsTheyWereChecked) {
  const SignatureCheckMarks marks(Sample());
  const struct {
    std::shared_ptr<InvalFileInfo> record;
    int64_t count;
  } cases[] = {
      {MakeRecord("\x95\x5C", "name\\x\r\n", kSampleFingerprintHex), 1371},
      {MakeRecord("\x95\x5C", "name\\x\r\n", "00112233445566778899aabbccddee00"), 0},  // changed since
      {MakeRecord("Cat", "name\\x\r\n", kSampleFingerprintHex), 0},                    // another category
      {MakeRecord("Cat", "\x95\t", "00ff"), 2},
  };
  for (const auto& c : cases) EXPECT_EQ(marks.CountOf(*c.record), c.count) << c.record->Name();

  // The stamp follows what a check compares.
  InvalFileDB store;
  store.Add(MakeRecord("Cat", "a", kSampleFingerprintHex));
  const std::string before = SignatureCheckFile::SignatureStamp(store);
  store.Add(MakeRecord("Cat", "b", kSampleFingerprintHex));
  EXPECT_NE(SignatureCheckFile::SignatureStamp(store), before);
}

}  // namespace
