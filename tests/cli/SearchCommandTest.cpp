// vorlet-scan searching: hits on stdout with exit status 1, clean trees with 0, the
// settings' targets, file type, subfolder flag and category checks as defaults that the
// options override, every processing mode on real files, and the logs it writes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <sys/sysmacros.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>

#include "cli/ScanRunner.h"
#include "db/InvalFileInfo.h"
#include "platform/Encoding.h"

namespace {

using cli_test::RunScan;
using cli_test::ScanHome;
namespace fs = std::filesystem;

const std::string kSample(600, 'S');

class SearchCommandTest : public ::testing::Test {
 protected:
  SearchCommandTest() {
    home.AddSignature("トロイ", "見本", kSample);
    home.SaveStore();
    tree.Write("clean.txt", "nothing to see");
    tree.Write("sub/Bad.EXE", kSample);
    tree.Write("sub/other.exe", std::string(600, 'O'));
  }
  std::string HitFolder() const { return tree.path() + "/sub"; }

  ScanHome home;
  testing_support::TempDir tree;
};

TEST_F(SearchCommandTest, HitIsPrintedAsALogLineAndExitsOne) {
  const auto result = RunScan(home.Args({"-q", tree.path()}));
  EXPECT_EQ(result.exitStatus, 1) << result.err;
  EXPECT_EQ(result.out, "Bad.EXE\t" + HitFolder() + "\t見本\tトロイ\t0\t未処理\n");
  EXPECT_NE(result.err.find("検索ファイル数：3\n不正ファイル数：1\n未処理ファイル数：1\n"), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("検索終了\n検索完了の有無：YES\n"), std::string::npos);
  EXPECT_NE(result.err.find("開けない・読めないファイル数：0\n一覧できないフォルダ数：0\n"), std::string::npos);
  EXPECT_TRUE(fs::exists(HitFolder() + "/Bad.EXE"));
}

// Each case: settings written, arguments, expected exit status and searched count.
struct DefaultsCase {
  const char* label;
  std::vector<std::pair<std::string, std::string>> settings;  // "Section/Key", value
  std::vector<std::string> args;
  int exitStatus;
  int searched;
};

TEST_F(SearchCommandTest, SettingsGiveTheDefaultsAndOptionsOverrideThem) {
  const DefaultsCase cases[] = {
      {"file type from the history, upper case made lower", {{"ScanDlg/File0", "*.TXT"}}, {}, 0, 1},
      {"pattern option, upper case made lower", {{"ScanDlg/File0", "*.txt"}}, {"-p", "*.EXE"}, 1, 2},
      {"empty pattern means every file", {{"ScanDlg/File0", "*.txt"}}, {"-p", ""}, 1, 3},
      {"subfolder flag off in the settings", {{"ScanDlg/fSubDir", "0"}}, {}, 0, 1},
      {"subfolders asked for", {{"ScanDlg/fSubDir", "0"}}, {"--subfolders"}, 1, 3},
      {"no subfolders asked for", {}, {"--no-subfolders"}, 0, 1},
      {"category unchecked", {{"DB/C0", "トロイ"}, {"DB/CS0", "0"}}, {}, 0, 3},
      {"category checked", {{"DB/C0", "トロイ"}, {"DB/CS0", "1"}}, {}, 1, 3},
  };
  for (const DefaultsCase& c : cases) {
    ScanHome caseHome;
    caseHome.AddSignature("トロイ", "見本", kSample);
    // Another category stays in effect when トロイ is unchecked.
    caseHome.AddSignature("ワーム", "別物", "no file holds this");
    caseHome.SaveStore();
    // The target comes from the settings' list, as the desktop program's.
    caseHome.Set("ScanDlg", "Path0", tree.path());
    for (const auto& [where, value] : c.settings) {
      caseHome.Set(where.substr(0, where.find('/')), where.substr(where.find('/') + 1), value);
    }
    std::vector<std::string> args = c.args;
    args.insert(args.begin(), "-q");
    const auto result = RunScan(caseHome.Args(args));
    EXPECT_EQ(result.exitStatus, c.exitStatus) << c.label << "\n" << result.err;
    EXPECT_NE(result.err.find("検索ファイル数：" + std::to_string(c.searched) + "\n"), std::string::npos)
        << c.label << "\n" << result.err;
  }
}

// "MOVE" in the arguments stands for the case's move folder.
TEST_F(SearchCommandTest, ProcessingModesActOnTheFile) {
  // The settings' delete mode must not win over what the options ask for.
  home.Set("General", "FileOpe", "1");
  struct Case {
    std::vector<std::string> args;
    const char* resultText;
    const char* remaining;  // relative to the tree or the move folder; empty: gone
    bool moved;
  };
  const Case cases[] = {
      {{"--mode", "leave"}, "未処理", "sub/Bad.EXE", false},
      {{"--mode", "delete"}, "削除", "", false},
      {{"--mode", "rename", "--rule", "*.*.INV"}, "ﾘﾈｰﾑ", "sub/Bad.EXE.INV", false},
      {{"--rule", "_*.*_"}, "ﾘﾈｰﾑ", "sub/_Bad.EXE_", false},
      {{"--mode", "move", "--move-to", "MOVE"}, "移動", "Bad.EXE", true},
      {{"--move-to", "MOVE"}, "移動", "Bad.EXE", true},
      // A rule whose result would leave the folder fails and leaves the file, and so does
      // one that gives the file its own name (nothing would be renamed).
      {{"--mode", "rename", "--rule", "../*.*"}, "失敗", "sub/Bad.EXE", false},
      {{"--rule", "*.*"}, "失敗", "sub/Bad.EXE", false},
  };
  for (const Case& c : cases) {
    testing_support::TempDir caseTree, moveTo;
    caseTree.Write("sub/Bad.EXE", kSample);
    std::vector<std::string> args = c.args;
    for (std::string& arg : args) {
      if (arg == "MOVE") arg = moveTo.path();
    }
    args.insert(args.end(), {"-q", caseTree.path()});
    const auto result = RunScan(home.Args(args));
    // A file that was to go and stayed is trouble, and stderr says so.
    const bool failed = std::string(c.resultText) == "失敗";
    EXPECT_EQ(result.exitStatus, failed ? 3 : 1) << result.err;
    EXPECT_EQ(result.err.find("1 hit(s) could not be deleted, renamed or moved (失敗)") != std::string::npos,
              failed)
        << result.err;
    EXPECT_NE(result.out.find(std::string("\t0\t") + c.resultText + "\n"), std::string::npos) << result.out;
    const std::string remaining = std::string(c.moved ? moveTo.path() : caseTree.path()) + "/" + c.remaining;
    if (*c.remaining != '\0') {
      EXPECT_TRUE(fs::exists(remaining)) << remaining;
    }
    if (std::string(c.remaining) != "sub/Bad.EXE") {
      EXPECT_FALSE(fs::exists(caseTree.path() + "/sub/Bad.EXE"));
    }
  }
}

TEST_F(SearchCommandTest, AHitMetAgainIsNotProcessedTwice) {
  struct Case {
    std::vector<std::string> args;  // "MOVE" stands for a move folder inside the searched tree
    const char* resultText;
    const char* counts;
  };
  const Case cases[] = {
      {{"--mode", "move", "--move-to", "MOVE"}, "移動", "検索ファイル数：1\n不正ファイル数：1\n未処理ファイル数：0\n移動ファイル数：1\n"},
      {{"--mode", "delete", "-p", "*.exe;*.*"}, "削除", "検索ファイル数：1\n不正ファイル数：1\n"},
  };
  for (const Case& c : cases) {
    testing_support::TempDir caseTree;
    caseTree.Write("sub/Bad.EXE", kSample);
    std::vector<std::string> args = c.args;
    for (std::string& arg : args) {
      if (arg == "MOVE") arg = caseTree.MakeDir("quarantine");
    }
    args.insert(args.end(), {"-q", caseTree.path()});
    const auto result = RunScan(home.Args(args));
    EXPECT_EQ(result.exitStatus, 1) << result.err;
    EXPECT_EQ(result.out, "Bad.EXE\t" + caseTree.path() + "/sub\t見本\tトロイ\t0\t" + c.resultText + "\n");
    EXPECT_NE(result.err.find(c.counts), std::string::npos) << result.err;
  }
}

// Each refused before a file is searched or touched: exit 2, the reason, nothing on stdout.
// "MOVE" stands for an empty move folder; the tree is searched after the given arguments.
TEST_F(SearchCommandTest, RunsThatCannotDoWhatWasAskedTouchNothing) {
  home.Set("General", "FileOpe", "1");
  tree.Write("blocker", "a file where a folder should be");
  home.Set("General", "LogFolder", tree.path() + "/blocker/logs");
  const struct {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"--mode", "delete", "--move-to", "MOVE"}, "--move-to goes only with --mode move"},
      {{"--mode", "rename", "--move-to", "MOVE"}, "--move-to goes only with --mode move"},
      {{"--mode", "leave", "--rule", "*.*.INV"}, "--rule goes only with --mode rename"},
      {{"--mode", "move", "--rule", "*.*.INV"}, "--rule goes only with --mode rename"},
      {{"--rule", "*.*.INV", "--move-to", "MOVE"}, "cannot go together"},
      {{""}, "a FOLDER argument is empty"},
      {{"-p", ";"}, "no file-type pattern in \";\""},
      {{"-p", " ; "}, "no file-type pattern in \" ; \""},
      {{"--log", tree.path() + "/blocker/x.log"},
       "the log cannot be written: " + tree.path() + "/blocker/x.log: Not a directory"},
      {{"--auto-log"}, "the log cannot be written: " + tree.path() + "/blocker/logs: the folder cannot be made"},
  };
  for (const auto& c : cases) {
    testing_support::TempDir moveTo;
    std::vector<std::string> args = c.args;
    for (std::string& arg : args) {
      if (arg == "MOVE") arg = moveTo.path();
    }
    args.insert(args.end(), {"-q", tree.path()});
    const auto result = RunScan(home.Args(args));
    EXPECT_EQ(result.exitStatus, 2) << c.message << "\n" << result.err;
    EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find("検索ファイル数"), std::string::npos) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_TRUE(fs::exists(HitFolder() + "/Bad.EXE")) << c.message;
    EXPECT_TRUE(fs::is_empty(moveTo.path())) << c.message;
  }
}

// What is at path, as far as a replacement would change it: its kind and inode, and the
// bytes of a regular file or the target of a link. FIFOs and devices are never opened.
std::string Snapshot(const std::string& path) {
  struct stat st {};
  if (lstat(path.c_str(), &st) != 0) return "absent";
  std::string what = std::to_string(st.st_mode & S_IFMT) + ":" + std::to_string(st.st_ino) + ":";
  if (S_ISLNK(st.st_mode)) return what + fs::read_symlink(path).string();
  if (!S_ISREG(st.st_mode)) return what;
  std::ifstream in(path, std::ios::binary);
  return what + std::string(std::istreambuf_iterator<char>(in), {});
}

// --log and --export never take the place of a link, a FIFO or a device, nor of the
// program's own files however they are named, nor of a journal: refused before anything
// is searched, deleted or read, and the entry is as it was.
TEST_F(SearchCommandTest, LogAndExportNeverReplaceWhatIsNotTheirs) {
  const std::string at = tree.MakeDir("at") + "/";
  fs::create_symlink(tree.Write("outside.txt", "kept"), at + "link");
  ASSERT_EQ(mkfifo((at + "fifo").c_str(), 0600), 0);
  std::vector<std::pair<std::string, std::string>> cases = {
      {at + "link", "is a symbolic link"},
      {at + "fifo", "is not a regular file"},
      {tree.Write("at/journal", "vorlet-journal\t1\ndelete\t/x\n"), "holds a journal"},
      {home.path() + "/./Vorlet.dat.lock", "is the data file's lock file in use"},
      // Not made yet: a log there would be read as the settings.
      {home.path() + "/../" + fs::path(home.path()).filename().string() + "/Vorlet.ini",
       "is the settings file in use"},
  };
  fs::create_hard_link(home.path() + "/Vorlet.dat", at + "other-name");
  cases.emplace_back(at + "other-name", "is the data file in use");
  // A private node of the null device, where the test may make one (as root).
  if (mknod((at + "null").c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0) {
    cases.emplace_back(at + "null", "is not a regular file");
  }
  ASSERT_TRUE(fs::exists(home.path() + "/Vorlet.dat.lock"));
  for (const auto& [file, message] : cases) {
    const std::string before = Snapshot(file);
    const auto logged = RunScan(home.Args({"-q", "--mode", "delete", "--log", file, tree.path()}));
    EXPECT_EQ(logged.exitStatus, 2) << file << "\n" << logged.err;
    EXPECT_NE(logged.err.find("--log: " + file + " " + message), std::string::npos) << logged.err;
    EXPECT_EQ(logged.out, "");
    EXPECT_TRUE(fs::exists(HitFolder() + "/Bad.EXE")) << file;
    const auto exported = RunScan(home.Args({"--export", file}));
    EXPECT_EQ(exported.exitStatus, 2) << file << "\n" << exported.err;
    EXPECT_NE(exported.err.find("--export: " + file + " " + message), std::string::npos) << exported.err;
    EXPECT_EQ(Snapshot(file), before) << file;
  }
  EXPECT_EQ(tree.Read("outside.txt"), "kept");
  EXPECT_FALSE(fs::exists(home.path() + "/Vorlet.ini"));
  for (const auto& entry : fs::directory_iterator(at)) {
    EXPECT_FALSE(entry.path().filename().string().starts_with("journal-")) << entry.path();
  }
}

// A line that did not reach its reader is trouble; "" is a pipe nobody reads.
TEST_F(SearchCommandTest, WriteErrorsOnStdoutAndStderrAreTrouble) {
  const struct {
    cli_test::Redirect redirect;
    const char* pattern;
    int exitStatus;
    const char* message;
  } cases[] = {
      {{1, "/dev/full"}, "*.exe", 3, "cannot write to standard output: No space left on device"},
      {{1, ""}, "*.exe", 3, "cannot write to standard output: Broken pipe"},
      {{2, "/dev/full"}, "*.txt", 2, ""},
      {{2, "/dev/full"}, "*.exe", 3, ""},
  };
  for (const auto& c : cases) {
    const auto result = RunScan(home.Args({"-q", "-p", c.pattern, tree.path()}), {"LANG=C.UTF-8"}, c.redirect);
    EXPECT_EQ(result.exitStatus, c.exitStatus) << c.redirect.fd << c.redirect.path << c.pattern << "\n" << result.err;
    EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
  }
}

TEST_F(SearchCommandTest, ModeRuleAndMoveFolderDefaultToTheSettings) {
  home.Set("General", "FileOpe", "2");
  home.Set("General", "RuleOfRename", "*.*.INV");
  const auto result = RunScan(home.Args({"-q", tree.path()}));
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_TRUE(fs::exists(HitFolder() + "/Bad.EXE.INV"));
  EXPECT_NE(result.err.find("リネームファイル数：1\n"), std::string::npos);
}

TEST_F(SearchCommandTest, LogFileHoldsTheSearchInTheLogFormat) {
  const std::string logPath = tree.path() + "/out.log";
  const auto result = RunScan(home.Args({"-q", "--log", logPath, "-p", "*.exe", tree.path()}));
  ASSERT_EQ(result.exitStatus, 1);
  const std::string log = platform::Cp932ToUtf8(tree.Read("out.log"));
  const std::regex head(
      "検索開始時間\t検索終了時間\tファイルタイプ\tサブディレクトリ検索の有無\t検索完了の有無\r\n"
      "\\d{4} \\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d\t\\d{4} \\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d\t\\*\\.exe\tYES\tYES\r\n"
      "\r\n検索対象フォルダ\r\n");
  EXPECT_TRUE(std::regex_search(log, head, std::regex_constants::match_continuous)) << log;
  EXPECT_NE(log.find("\r\n" + tree.path() + "/\r\n\r\n1 ファイル検出！\r\n---------------------\r\n\r\n"),
            std::string::npos);
  EXPECT_TRUE(log.ends_with("Bad.EXE\t" + HitFolder() + "\t見本\tトロイ\t0\t未処理\r\n"));
}

TEST_F(SearchCommandTest, AutoLogGoesIntoTheLogFolderMadeOnDemand) {
  home.Set("General", "LogFolder", tree.path() + "/logs/deep");
  // Deleting: the folder is made, and checked, before the search, and that leaves nothing.
  const auto result = RunScan(home.Args({"-q", "--auto-log", "--mode", "delete", "-p", "*.txt", tree.path()}));
  EXPECT_EQ(result.exitStatus, 0) << result.err;
  int logs = 0;
  for (const auto& entry : fs::directory_iterator(tree.path() + "/logs/deep")) {
    EXPECT_TRUE(std::regex_match(entry.path().filename().string(), std::regex("\\d{14}\\.log")));
    ++logs;
  }
  EXPECT_EQ(logs, 1);
}

TEST_F(SearchCommandTest, AutoLogFolderThatCannotBeMadeStillSearchesButFails) {
  tree.Write("blocker", "a file where the log folder should go");
  home.Set("General", "LogFolder", tree.path() + "/blocker/logs");
  const auto result = RunScan(home.Args({"-q", "--auto-log", "-p", "*.txt", tree.path()}));
  // The question is answered Yes on stderr; the log that was asked for is missing.
  EXPECT_NE(result.err.find("自動ログフォルダの指定に誤りがあります。このままログ記録なしで検索しますか？"),
            std::string::npos);
  EXPECT_NE(result.err.find("検索ファイル数：1\n"), std::string::npos);
  EXPECT_EQ(result.exitStatus, 2);
}

TEST_F(SearchCommandTest, NamesComeBackAsTheFileSystemsBytes) {
  testing_support::TempDir odd;
  odd.Write("表ソ/見本.exe", kSample);
  odd.Write("bad\xff\xfe.bin", kSample);  // not UTF-8: carried through unchanged
  const auto result = RunScan(home.Args({"-q", odd.path()}));
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_NE(result.out.find("bad\xff\xfe.bin\t" + odd.path() + "\t"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("見本.exe\t" + odd.path() + "/表ソ\t見本\tトロイ\t0\t未処理\n"), std::string::npos);

  // A Shift_JIS locale gets the log's own bytes, CR LF included.
  const auto sjis = RunScan(home.Args({"-q", odd.path() + "/表ソ"}), {"LANG=ja_JP.SJIS"});
  EXPECT_EQ(sjis.out, platform::Utf8ToCp932("見本.exe\t" + odd.path() + "/表ソ\t見本\tトロイ\t0\t未処理\r\n"));
}

// A name can neither forge a line on stdout or in the log nor send the terminal a sequence:
// every control character of it is escaped wherever it is shown (hit lines, the progress
// lines, -v) and in the log's hit line.
TEST_F(SearchCommandTest, ControlCharactersInNamesAreEscaped) {
  testing_support::TempDir odd;
  const std::string folder = odd.path() + "/d\x1b[2J";
  odd.Write("d\x1b[2J/a\tb\r\nforged\x1b]0;x\x07.exe", kSample);
  fs::create_symlink("/proc/self/mem", folder + "/u\x1b[1m\x7f");
  const std::string logPath = odd.path() + "/out.log";

  // The target itself is the first progress line.
  const auto result = RunScan(home.Args({"-v", "--log", logPath, folder}));
  EXPECT_EQ(result.exitStatus, 3) << result.err;
  const std::string fields = "a\\tb\\r\\nforged\\x1B]0;x\\x07.exe\t" + odd.path() + "/d\\x1B[2J\t見本\tトロイ\t0\t未処理";
  EXPECT_EQ(result.out, fields + "\n");
  EXPECT_EQ(result.err.find('\x1b'), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("/d\\x1B[2J/u\\x1B[1m\\x7F: read: Input/output error"), std::string::npos) << result.err;
  // One hit, one line, after the column heads.
  EXPECT_TRUE(platform::Cp932ToUtf8(odd.Read("out.log")).ends_with("処理\r\n" + fields + "\r\n"));

  // A Shift_JIS console still gets the log's own line.
  const auto sjis = RunScan(home.Args({"-q", folder}), {"LANG=ja_JP.SJIS"});
  EXPECT_EQ(sjis.out, platform::Utf8ToCp932(fields + "\r\n"));
}

// A signature's text may hold a lead byte without its second byte (an import takes any
// CP932 bytes). Before a control character's escape it would pair with the escape's
// backslash into another character, and the name shown would not be the name held.
TEST_F(SearchCommandTest, ALoneLeadByteNeverPairsWithAnEscape) {
  ScanHome odd;
  auto record = std::make_shared<InvalFileInfo>();
  const std::vector<uint8_t> digest = cli_test::FingerprintOf(kSample);
  record->SetFromBytes("A\x81\x7F" "B", "C\x81\tD", "", OleDate{45000.5, 0}, "", digest.data(),
                       static_cast<int32_t>(digest.size()), "");
  ASSERT_TRUE(odd.store().Add(record));
  odd.SaveStore();
  const std::string hit = "Bad.EXE\t" + HitFolder() + "\tA\\x81\\x7FB\tC\\x81\\tD\t0\t未処理";
  const std::string listed = "C\\x81\\tD\tA\\x81\\x7FB\t\t";
  const struct {
    std::vector<std::string> args;
    const char* lang;
    std::string out;  // UTF-8; the whole output, or with a final TAB its start
  } cases[] = {
      {{"-q", HitFolder()}, "LANG=C.UTF-8", hit + "\n"},
      {{"-q", HitFolder()}, "LANG=ja_JP.SJIS", hit + "\r\n"},
      {{"-q", "--format", "tsv", HitFolder()},
       "LANG=C.UTF-8",
       "path\tsignature\tcategory\trisk\tposition\tresult\ttarget\n" + HitFolder() +
           "/Bad.EXE\tA\\x81\\x7FB\tC\\x81\\tD\t\t0\t未処理\t\n"},
      {{"--list"}, "LANG=C.UTF-8", listed},
      {{"--list"}, "LANG=ja_JP.SJIS", listed},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.lang);
    const auto result = RunScan(odd.Args(c.args), {c.lang});
    const std::string out = std::string(c.lang).ends_with("SJIS") ? platform::Utf8ToCp932(c.out) : c.out;
    if (out.ends_with('\t')) {
      EXPECT_TRUE(result.out.starts_with(out)) << result.out;
    } else {
      EXPECT_EQ(result.out, out);
    }
  }
}

// Folders nested below root, one name after another, until their path is longer than the
// kernel takes in one call; the folder reached is opened (a descriptor) and its path given.
int MakeFoldersBeyondThePathLimit(const std::string& root, std::string* path) {
  const std::string name(200, 'd');
  *path = root;
  int fd = open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  while (fd >= 0 && path->size() < PATH_MAX + 300) {
    mkdirat(fd, name.c_str(), 0755);
    const int next = openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    close(fd);
    fd = next;
    *path += "/" + name;
  }
  return fd;
}

// A file below a folder whose path is too long to be opened at once is found and processed
// like any other: a forbidden file cannot be hidden by nesting folders deep enough.
TEST_F(SearchCommandTest, FilesBeyondThePathLengthLimitAreFoundAndProcessed) {
  struct Case {
    std::vector<std::string> args;
    const char* resultText;
    const char* remaining;  // what is left in the deep folder
  };
  const Case cases[] = {
      {{"--mode", "leave"}, "未処理", "Bad.EXE"},
      {{"--mode", "delete"}, "削除", ""},
      {{"--mode", "rename", "--rule", "*.*.INV"}, "ﾘﾈｰﾑ", "Bad.EXE.INV"},
  };
  for (const Case& c : cases) {
    testing_support::TempDir caseTree;
    std::string deep;
    const int fd = MakeFoldersBeyondThePathLimit(caseTree.path(), &deep);
    ASSERT_GE(fd, 0);
    const int file = openat(fd, "Bad.EXE", O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_EQ(write(file, kSample.data(), kSample.size()), static_cast<ssize_t>(kSample.size()));
    close(file);

    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"-q", caseTree.path()});
    const auto result = RunScan(home.Args(args));
    EXPECT_EQ(result.exitStatus, 1) << result.err;
    EXPECT_EQ(result.out, "Bad.EXE\t" + deep + "\t見本\tトロイ\t0\t" + c.resultText + "\n");
    EXPECT_NE(result.err.find("一覧できないフォルダ数：0\n"), std::string::npos) << result.err;
    struct stat st;
    EXPECT_EQ(fstatat(fd, "Bad.EXE", &st, 0) == 0, std::string(c.remaining) == "Bad.EXE");
    if (*c.remaining != '\0') {
      EXPECT_EQ(fstatat(fd, c.remaining, &st, 0), 0) << c.remaining;
    }
    close(fd);
    // Removed from the top down by a tool that walks by descriptor, as paths this long need.
    EXPECT_EQ(std::system(("rm -rf '" + caseTree.path() + "'/d*").c_str()), 0);
  }
}

}  // namespace
