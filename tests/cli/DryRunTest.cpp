// vorlet-scan --dry-run: the search and its report as a real run gives them, with what
// processing would do, and not one file deleted, renamed, moved or changed.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include "cli/ScanRunner.h"

namespace {

using cli_test::RunScan;
using cli_test::ScanHome;
namespace fs = std::filesystem;

const std::string kSample(600, 'S');

// Every file below folder with its content.
std::map<std::string, std::string> Snapshot(const testing_support::TempDir& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder.path())) {
    const std::string relative = fs::relative(entry.path(), folder.path()).string();
    files[relative] = entry.is_regular_file() ? folder.Read(relative) : "<folder>";
  }
  return files;
}

// The six counters, the completion and the unread counts of stderr.
std::string Counters(const std::string& err) {
  const size_t start = err.find("検索ファイル数");
  const size_t end = err.find("一覧できないフォルダ数");
  return start == std::string::npos || end == std::string::npos ? err : err.substr(start, end - start);
}

// The processing field of each hit line (its sixth), sorted: the order of a walk is the
// file system's.
std::multiset<std::string> Results(const std::string& out, const std::string& strip = "") {
  std::multiset<std::string> results;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    std::vector<std::string> fields;
    std::istringstream split(line);
    for (std::string field; std::getline(split, field, '\t');) fields.push_back(field);
    std::string result = fields.size() > 5 ? fields[5] : line;
    if (!strip.empty() && result.ends_with(strip)) result.resize(result.size() - strip.size());
    results.insert(result);
  }
  return results;
}

// "MOVE" in the arguments stands for the move folder. Each case is run dry, then for real
// on a copy of the tree, and the two must agree.
TEST(DryRunTest, NothingIsTouchedAndTheReportIsThatOfARealRun) {
  ScanHome home;
  home.AddSignature("トロイ", "見本", kSample);
  home.SaveStore();
  const struct {
    const char* label;
    std::vector<std::string> args;
    std::vector<std::string> hits;     // files with the sample's content
    std::vector<std::string> others;   // files that are no hit
    std::vector<std::string> planned;  // the processing fields of the dry run
  } cases[] = {
      {"delete", {"--mode", "delete"}, {"sub/Bad.EXE", "two.exe"}, {"keep.exe"}, {"削除予定", "削除予定"}},
      // The target of two.exe is taken: the real rename would fail.
      {"rename",
       {"--rule", "*.*.INV"},
       {"sub/Bad.EXE", "two.exe"},
       {"two.exe.INV"},
       {"ﾘﾈｰﾑ予定", "失敗予定"}},
      // Two hits of one name: the second would find its target taken by the first.
      {"move",
       {"--move-to", "MOVE"},
       {"a/Bad.EXE", "b/Bad.EXE", "c.exe"},
       {},
       {"移動予定", "移動予定", "失敗予定"}},
      {"leave", {"--mode", "leave"}, {"sub/Bad.EXE"}, {}, {"未処理"}},
  };
  for (const auto& c : cases) {
    testing_support::TempDir dryTree, realTree, dryMove, realMove;
    for (const auto* tree : {&dryTree, &realTree}) {
      for (const std::string& file : c.hits) tree->Write(file, kSample);
      for (const std::string& file : c.others) tree->Write(file, "other " + file);
    }
    auto run = [&](const testing_support::TempDir& tree, const testing_support::TempDir& moveTo, bool dry) {
      std::vector<std::string> args = c.args;
      for (std::string& arg : args) {
        if (arg == "MOVE") arg = moveTo.path();
      }
      if (dry) args.push_back("--dry-run");
      args.insert(args.end(), {"-q", "-p", "*.exe", tree.path()});
      return RunScan(home.Args(args));
    };

    const auto before = Snapshot(dryTree);
    const auto dry = run(dryTree, dryMove, true);
    EXPECT_EQ(Snapshot(dryTree), before) << c.label;
    EXPECT_TRUE(fs::is_empty(dryMove.path())) << c.label;
    EXPECT_EQ(Results(dry.out), std::multiset<std::string>(c.planned.begin(), c.planned.end()))
        << c.label << "\n"
        << dry.out;
    EXPECT_NE(dry.err.find("dry run: nothing was deleted, renamed or moved"), std::string::npos) << c.label;

    const auto real = run(realTree, realMove, false);
    EXPECT_EQ(dry.exitStatus, real.exitStatus) << c.label << "\n" << dry.err;
    // A rename or move that fails leaves a hit in place: trouble beside the hits.
    const bool fails = std::find(c.planned.begin(), c.planned.end(), "失敗予定") != c.planned.end();
    EXPECT_EQ(real.exitStatus, fails ? 3 : 1) << c.label << "\n" << real.err;
    EXPECT_EQ(Counters(dry.err), Counters(real.err)) << c.label;
    EXPECT_EQ(Results(dry.out, "予定"), Results(real.out)) << c.label << "\n" << real.out;
  }
}

}  // namespace
