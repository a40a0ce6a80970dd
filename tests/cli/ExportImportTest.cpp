// vorlet-scan --export and --import: the exchange file carries every record of one data
// file into another byte for byte, an import tells new records from those held already
// and from conflicting ones (which stay as they were), and a file with a malformed line
// imports nothing.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>

#include "cli/ScanRunner.h"
#include "db/InvalFileInfo.h"
#include "platform/Encoding.h"
#include "platform/FileSystem.h"

namespace {

using cli_test::RunScan;
using cli_test::ScanHome;

void AddRecord(InvalFileDB& store, const std::string& category, const std::string& name, OleDate date,
               const std::string& hex, const std::string& summary) {
  auto record = std::make_shared<InvalFileInfo>();
  ASSERT_TRUE(record->SetFromText(name, category, platform::Utf8ToCp932("高"), date, "author", hex, summary));
  ASSERT_TRUE(store.Add(record));
}

std::string ReadFile(const std::string& path) {
  std::string content;
  EXPECT_TRUE(platform::ReadWholeFile(path, &content)) << path;
  return content;
}

TEST(ExportImportTest, RoundTripIntoAnEmptyHomeIsByteIdentical) {
  ScanHome home;
  // A name from a file name CP932 could not hold (raw bytes) with a TAB, one with bytes no
  // table maps, a NaN date with a payload, minus zero, and no search bytes.
  AddRecord(home.store(), platform::Utf8ToCp932("表"), platform::OsNameToCp932("bad\xFF\xFEname\tx"),
            OleDate{37690.37855324074, 0}, "00112233445566778899aabbccddeeff", "line1\r\nline2\\");
  AddRecord(home.store(), "c", "\x80\xA0\xFD\x81", OleDate{std::bit_cast<double>(uint64_t{0xFFF8000000000123}), 1},
            "00112233445566778899aabbccddeeff0102", "");
  AddRecord(home.store(), "c", "zero", OleDate{-0.0, 2}, "", "");
  home.SaveStore();

  const std::string file = home.path() + "/signatures.tsv";
  const auto exported = RunScan(home.Args({"-q", "--export", file}));
  ASSERT_EQ(exported.exitStatus, 0) << exported.err;
  const std::string text = ReadFile(file);
  EXPECT_TRUE(text.starts_with("category\tname\t")) << text;
  const auto toStdout = RunScan(home.Args({"--export", "-"}));
  EXPECT_EQ(toStdout.exitStatus, 0);
  EXPECT_EQ(toStdout.out, text);

  testing_support::TempDir empty;
  const auto imported = RunScan({"--home", empty.path(), "--import", file});
  EXPECT_EQ(imported.exitStatus, 0) << imported.err;
  EXPECT_NE(imported.err.find("追加件数：3\n登録済み件数：0\n競合件数：0\n"), std::string::npos) << imported.err;
  EXPECT_EQ(empty.Read("Vorlet.dat"), home.DataFile());
}

TEST(ExportImportTest, ImportTellsAddedPresentAndConflictingAndKeepsTheHeldRecord) {
  ScanHome source;
  source.AddSignature("cat", "same", "sample same");
  source.AddSignature("cat", "changed", "new contents");
  source.AddSignature("cat", "new", std::string(300, '\0'));  // a block of zeros
  source.SaveStore();
  const std::string file = source.path() + "/signatures.tsv";
  ASSERT_EQ(RunScan(source.Args({"--export", file})).exitStatus, 0);

  ScanHome home;
  home.AddSignature("cat", "same", "sample same");
  home.AddSignature("cat", "changed", "old contents");
  home.SaveStore();
  const auto imported = RunScan(home.Args({"--import", file}));
  EXPECT_EQ(imported.exitStatus, 0) << imported.err;
  EXPECT_NE(imported.err.find("追加件数：1\n登録済み件数：1\n競合件数：1\n競合（元のまま）：［cat］changed\n"
                              "誤検出のおそれ：［cat］new：同じバイトの繰り返し（0x00）\n"),
            std::string::npos)
      << imported.err;

  InvalFileDB saved;
  ASSERT_TRUE(saved.Load(home.path() + "/"));
  EXPECT_EQ(saved.RecordCount(), 3);
  EXPECT_EQ(saved.FindRecord("cat", "changed")->GetSearchText(), home.store().FindRecord("cat", "changed")->GetSearchText());
}

// The data file holds records with fewer search bytes than a digest, so they are imported;
// but they never match a file, and each is named.
TEST(ExportImportTest, ARecordShortOfADigestIsImportedAndNamed) {
  ScanHome home;
  const std::string file = home.path() + "/signatures.tsv";
  ASSERT_TRUE(platform::WriteFileAtomic(file, "category\tname\trisk_level\tcreated\tcreated_status\tauthor\t"
                                              "search_bytes\tsummary\n"
                                              "cat\tcut\t\t1\t0\t\t00112233445566778899aabbccddee\t\n"
                                              "cat\tnone\t\t1\t0\t\t\t\n"
                                              "cat\tdigest\t\t1\t0\t\tf0112233445566778899aabbccddeeff\t\n"
                                              "cat\tlonger\t\t1\t0\t\te0112233445566778899aabbccddeeff00\t\n"));
  const auto imported = RunScan(home.Args({"--import", file}));
  EXPECT_EQ(imported.exitStatus, 0);
  EXPECT_TRUE(imported.err.ends_with("追加件数：4\n登録済み件数：0\n競合件数：0\n"
                                     "検出できない署名：［cat］cut：検索バイトが16バイトに足りません（15バイト）\n"
                                     "検出できない署名：［cat］none：検索バイトが16バイトに足りません（0バイト）\n"))
      << imported.err;
}

TEST(ExportImportTest, AMalformedLineImportsNothing) {
  ScanHome home;
  home.AddSignature("cat", "held", "held");
  home.SaveStore();
  const std::string before = home.DataFile();
  const std::string file = home.path() + "/signatures.tsv";
  ASSERT_TRUE(platform::WriteFileAtomic(file, "category\tname\trisk_level\tcreated\tcreated_status\tauthor\t"
                                              "search_bytes\tsummary\n"
                                              "cat\tnew\t\t45000.5\t0\t\t00112233445566778899aabbccddeeff\t\n"
                                              "cat\tbroken\t\t45000.5\t0\n"));
  const auto imported = RunScan(home.Args({"--import", file}));
  EXPECT_EQ(imported.exitStatus, 2);
  EXPECT_NE(imported.err.find("line 3: expected 8 TAB-separated fields, found 5; nothing was imported"),
            std::string::npos)
      << imported.err;
  EXPECT_EQ(home.DataFile(), before);
}

}  // namespace
