// vorlet-scan --register and --list: a registration adds each sample once and saves the
// data file, a second one adds nothing and leaves the file alone, and the listing is one
// escaped TSV line per record in the store's order.
#include <gtest/gtest.h>

#include <algorithm>

#include "cli/ScanRunner.h"
#include "db/InvalFileInfo.h"
#include "platform/Encoding.h"

namespace {

using cli_test::RunScan;
using cli_test::ScanHome;

TEST(RegisterListTest, RegisteringTwiceAddsNothingTheSecondTime) {
  ScanHome home;
  testing_support::TempDir samples;
  // Samples that fill the block: nothing to warn of.
  auto sample = [](const std::string& text) {
    std::string content;
    while (content.size() < 300) content += text;
    return content;
  };
  samples.Write("ワーム/a.exe", sample("sample a"));
  samples.Write("ワーム/b.exe", sample("sample b"));
  samples.Write("Adware/c.dll", sample("sample c"));

  const auto first = RunScan(home.Args({"-q", "--register", samples.path()}));
  EXPECT_EQ(first.exitStatus, 0) << first.err;
  EXPECT_NE(first.err.find("登録件数：3\n検索登録終了\n"), std::string::npos) << first.err;
  const std::string saved = home.DataFile();

  const auto second = RunScan(home.Args({"-q", "--register", samples.path(), "--list"}));
  EXPECT_EQ(second.exitStatus, 0) << second.err;
  EXPECT_NE(second.err.find("登録件数：0\n"), std::string::npos);
  EXPECT_EQ(home.DataFile(), saved);

  // Categories in byte order ("Adware" before the katakana), names within each.
  const std::vector<std::string> lines = [&] {
    std::vector<std::string> out;
    for (size_t start = 0, end; (end = second.out.find('\n', start)) != std::string::npos; start = end + 1)
      out.push_back(second.out.substr(start, end - start));
    return out;
  }();
  ASSERT_EQ(lines.size(), 3u) << second.out;
  EXPECT_TRUE(lines[0].starts_with("Adware\tc.dll\t\t")) << lines[0];
  EXPECT_TRUE(lines[1].starts_with("ワーム\ta.exe\t\t")) << lines[1];
  EXPECT_TRUE(lines[2].starts_with("ワーム\tb.exe\t\t")) << lines[2];

  // And the registered samples are found by a search.
  const auto search = RunScan(home.Args({"-q", samples.path()}));
  EXPECT_EQ(search.exitStatus, 1);
  EXPECT_EQ(std::count(search.out.begin(), search.out.end(), '\n'), 3);
}

TEST(RegisterListTest, ListingEscapesControlCharactersAndBackslashes) {
  ScanHome home;
  auto record = std::make_shared<InvalFileInfo>();
  // 表 and ソ end in the byte of a backslash; only the real backslash is escaped.
  ASSERT_TRUE(record->SetFromText(platform::Utf8ToCp932("表ソ\tname"), "Cat\\A", platform::Utf8ToCp932("高"),
                                  OleDate{37690.37855324074, 0}, "au\rth\x1bor\x7f", "00ff10", "line1\r\nline2"));
  home.store().Add(record);
  auto undated = std::make_shared<InvalFileInfo>();
  ASSERT_TRUE(undated->SetFromText("plain", "Cat\\A", "", OleDate{0.0, 1}, "", "", ""));
  home.store().Add(undated);
  home.SaveStore();

  const auto result = RunScan(home.Args({"--list"}));
  EXPECT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_EQ(result.out,
            "Cat\\\\A\tplain\t\t\t\t\t\n"
            "Cat\\\\A\t表ソ\\tname\t高\t2003-03-10 09:05:07\tau\\rth\\x1Bor\\x7F\t00ff10\tline1\\r\\nline2\n");
}

// Registrations running at once on one home: each one's records reach the data file. A
// large file widens the time between a run's load and its save.
TEST(RegisterListTest, ConcurrentRegistrationsLoseNoRecords) {
  ScanHome home;
  for (int i = 0; i < 20000; ++i) {
    const std::string number = std::to_string(i);
    home.AddSignature("Old", "r" + number, "old " + number);
  }
  home.SaveStore();
  constexpr int kRuns = 4;
  std::vector<testing_support::TempDir> samples(kRuns);
  std::vector<std::unique_ptr<cli_test::ScanProcess>> runs;
  for (int run = 0; run < kRuns; ++run) {
    for (int file = 0; file < 20; ++file) {
      const std::string number = std::to_string(run * 100 + file);
      samples[run].Write("set" + std::to_string(run) + "/f" + number, std::string("sample ").append(number));
    }
    runs.push_back(std::make_unique<cli_test::ScanProcess>(home.Args({"-q", "--register", samples[run].path()})));
  }
  for (auto& run : runs) {
    const auto outcome = run->Finish();
    EXPECT_EQ(outcome.exitStatus, 0) << outcome.err;
  }
  InvalFileDB saved;
  ASSERT_TRUE(saved.Load(home.path() + "/"));
  EXPECT_EQ(saved.RecordCount(), 20000 + kRuns * 20);
  for (int run = 0; run < kRuns; ++run) {
    const InvalFileCategory* set = saved.FindCategory("set" + std::to_string(run));
    EXPECT_TRUE(set != nullptr && set->Records().size() == 20u) << run;
  }
}

TEST(RegisterListTest, RegisterNeedsAnExistingFolder) {
  ScanHome home;
  const auto result = RunScan(home.Args({"--register", home.path() + "/missing"}));
  EXPECT_EQ(result.exitStatus, 2);
  EXPECT_NE(result.err.find("no such folder"), std::string::npos);
}

}  // namespace
