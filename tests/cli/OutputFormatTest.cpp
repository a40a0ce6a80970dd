// vorlet-scan --format: text stays the log's hit lines; tsv escapes every field so that a
// name never breaks its line; json is JSON Lines that a parser takes, with the bytes of a
// name that is not UTF-8 kept exactly, and a summary object last.
#include <gtest/gtest.h>

#include <cctype>
#include <nlohmann/json.hpp>
#include <set>

#include "cli/ScanRunner.h"
#include "platform/Encoding.h"

namespace {

using cli_test::RunScan;
using cli_test::ScanHome;

const std::string kSample(600, 'S');

class OutputFormatTest : public ::testing::Test {
 protected:
  OutputFormatTest() {
    home.AddSignature("トロイ", "見本", kSample, "高");
    home.SaveStore();
  }
  ScanHome home;
};

// text with every "DIR" replaced by folder.
std::string WithFolder(std::string text, const std::string& folder) {
  for (size_t at; (at = text.find("DIR")) != std::string::npos;) text.replace(at, 3, folder);
  return text;
}

// "YYYY-MM-DD HH:MM:SS"
bool IsLocalTime(const nlohmann::json& value) {
  if (!value.is_string()) return false;
  const std::string text = value.get<std::string>();
  const std::string shape = "dddd-dd-dd dd:dd:dd";
  if (text.size() != shape.size()) return false;
  for (size_t i = 0; i < shape.size(); ++i) {
    if (shape[i] == 'd' ? !std::isdigit(static_cast<unsigned char>(text[i])) : text[i] != shape[i])
      return false;
  }
  return true;
}

// "DIR" in the expected output stands for the tree.
TEST_F(OutputFormatTest, TextIsUnchangedAndTsvFieldsNeverHoldTabOrNewline) {
  const struct {
    std::string file;
    std::vector<std::string> args;
    std::string out;
  } cases[] = {
      {"sub/Bad.EXE", {}, "Bad.EXE\tDIR/sub\t見本\tトロイ\t0\t未処理\n"},
      {"sub/Bad.EXE", {"--format", "text"}, "Bad.EXE\tDIR/sub\t見本\tトロイ\t0\t未処理\n"},
      // A dry run's text line says where the file would go.
      {"sub/Bad.EXE",
       {"--dry-run", "--rule", "*.*.INV"},
       "Bad.EXE\tDIR/sub\t見本\tトロイ\t0\tﾘﾈｰﾑ予定\tDIR/sub/Bad.EXE.INV\n"},
      {"a\tb\nc\\d.exe",
       {"--format", "tsv", "--rule", "*.*.INV"},
       "path\tsignature\tcategory\trisk\tposition\tresult\ttarget\n"
       "DIR/a\\tb\\nc\\\\d.exe\t見本\tトロイ\t高\t0\tﾘﾈｰﾑ\tDIR/a\\tb\\nc\\\\d.exe.INV\n"},
      // C1 controls, raw (a name of another encoding) or in UTF-8, beside a character whose
      // UTF-8 holds a byte of that range (日: E6 97 A5).
      {"x\x9b\x32J\xc2\x9d日.exe", {}, "x\\x9B2J\\xC2\\x9D日.exe\tDIR\t見本\tトロイ\t0\t未処理\n"},
      {"x\x9b\x32J\xc2\x9d日.exe",
       {"--format", "tsv"},
       "path\tsignature\tcategory\trisk\tposition\tresult\ttarget\n"
       "DIR/x\\x9B2J\\xC2\\x9D日.exe\t見本\tトロイ\t高\t0\t未処理\t\n"},
      {"sub/Bad.EXE",
       {"--format", "tsv"},
       "path\tsignature\tcategory\trisk\tposition\tresult\ttarget\nDIR/sub/"
       "Bad.EXE\t見本\tトロイ\t高\t0\t未処理\t\n"},
  };
  for (const auto& c : cases) {
    testing_support::TempDir tree;
    tree.Write(c.file, kSample);
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"-q", tree.path()});
    const auto result = RunScan(home.Args(args));
    EXPECT_EQ(result.exitStatus, 1) << result.err;
    EXPECT_EQ(result.out, WithFolder(c.out, tree.path()));
    EXPECT_NE(result.err.find("検索ファイル数：1\n不正ファイル数：1\n"), std::string::npos) << result.err;
  }
}

std::vector<nlohmann::json> ParseLines(const std::string& out) {
  std::vector<nlohmann::json> objects;
  size_t start = 0;
  for (size_t end; (end = out.find('\n', start)) != std::string::npos; start = end + 1) {
    objects.push_back(nlohmann::json::parse(out.substr(start, end - start), nullptr, false));
    EXPECT_FALSE(objects.back().is_discarded()) << out.substr(start, end - start);
  }
  EXPECT_EQ(start, out.size()) << "stdout ends in the middle of a line";
  return objects;
}

// The exact bytes of a path: from its _bytes array when it has one, else its string.
std::string PathBytes(const nlohmann::json& object, const std::string& key) {
  if (!object.contains(key + "_bytes")) return object.at(key).get<std::string>();
  const auto bytes = object.at(key + "_bytes").get<std::vector<uint8_t>>();
  return std::string(bytes.begin(), bytes.end());
}

TEST_F(OutputFormatTest, JsonLinesKeepEveryNameExactlyAndEndWithTheSummary) {
  testing_support::TempDir tree, moveTo;
  const std::vector<std::string> names = {"bad\xff\xfe.bin", "ctl\x1b\t\"\\.exe", "見本.exe",
                                          "c1\x9b\xc2\x9b.exe", "del\x7f.exe"};
  for (const std::string& name : names) tree.Write(name, kSample);
  tree.Write("clean.txt", "nothing");
  const std::string logPath = moveTo.path() + "/run.log";

  const struct {
    std::vector<std::string> args;
    std::string result;
    std::string moveFolder;  // the targets' folder; empty: none
    bool dryRun;
  } cases[] = {
      {{"--log", logPath}, "未処理", "", false},
      {{"--dry-run", "--move-to", moveTo.path()}, "移動予定", moveTo.path(), true},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"-q", "--format", "json", "-p", "", tree.path()});
    const auto result = RunScan(home.Args(args));
    EXPECT_EQ(result.exitStatus, 1) << result.err;
    // No C1 control reaches the terminal, raw or in UTF-8, nor DEL.
    EXPECT_EQ(result.out.find('\x9b'), std::string::npos) << result.out;
    EXPECT_EQ(result.out.find('\x7f'), std::string::npos) << result.out;
    const std::vector<nlohmann::json> objects = ParseLines(result.out);
    ASSERT_EQ(objects.size(), names.size() + 1) << result.out;

    std::set<std::string> paths;
    for (size_t i = 0; i < names.size(); ++i) {
      const nlohmann::json& hit = objects[i];
      EXPECT_EQ(hit.at("type"), "hit");
      EXPECT_EQ(hit.at("signature"), "見本");
      EXPECT_EQ(hit.at("category"), "トロイ");
      EXPECT_EQ(hit.at("risk"), "高");
      EXPECT_EQ(hit.at("position"), 0);
      EXPECT_EQ(hit.at("result"), c.result);
      const std::string path = PathBytes(hit, "path");
      // Only a name that is not UTF-8 carries its bytes apart.
      EXPECT_EQ(hit.contains("path_bytes"), !platform::IsValidUtf8(path)) << hit;
      paths.insert(path);
      const std::string name = path.substr(tree.path().size() + 1);
      if (c.moveFolder.empty()) {
        EXPECT_TRUE(hit.at("target").is_null());
      } else {
        EXPECT_EQ(PathBytes(hit, "target"), c.moveFolder + "/" + name);
      }
    }
    std::set<std::string> expected;
    for (const std::string& name : names) expected.insert(tree.path() + "/" + name);
    EXPECT_EQ(paths, expected);

    const nlohmann::json& summary = objects.back();
    EXPECT_EQ(summary.at("type"), "summary");
    const std::pair<const char*, int> counters[] = {
        {"searched", 6}, {"invalid", 5}, {"unprocessed", c.dryRun ? 0 : 5}, {"moved", c.dryRun ? 5 : 0},
        {"renamed", 0},  {"deleted", 0}};
    for (const auto& [key, value] : counters) EXPECT_EQ(summary.at(key), value) << key;
    EXPECT_EQ(summary.at("completed"), true);
    EXPECT_EQ(summary.at("files_not_read"), 0);
    EXPECT_EQ(summary.at("folders_not_listed"), 0);
    EXPECT_TRUE(IsLocalTime(summary.at("start"))) << summary;
    EXPECT_TRUE(IsLocalTime(summary.at("end"))) << summary;
    EXPECT_EQ(summary.at("log"), c.dryRun ? nlohmann::json(nullptr) : nlohmann::json(logPath));
    EXPECT_TRUE(summary.at("auto_log").is_null());
    EXPECT_EQ(summary.at("dry_run"), c.dryRun);
  }
}

}  // namespace
