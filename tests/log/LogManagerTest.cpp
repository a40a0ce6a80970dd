#include "log/LogManager.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <string>
#include <vector>

#include "platform/Clock.h"
#include "result/DetectedFileList.h"
#include "support/TempDir.h"
#include "util/FileChecks.h"
#include "util/MessageBox.h"
#include "util/StringTable.h"

using testing_support::TempDir;

namespace {

// Answers every message box with a set answer and records what was shown.
class FakePresenter : public MessagePresenter {
 public:
  explicit FakePresenter(int answer) : answer_(answer) { SetMessagePresenter(this); }
  ~FakePresenter() override { SetMessagePresenter(nullptr); }
  int Show(const std::string& text, MessageButtons buttons, MessageIcon icon, bool) override {
    texts.push_back(text);
    lastButtons = buttons;
    lastIcon = icon;
    return answer_;
  }
  std::string ChooseFolder(const std::string&, const std::string&) override { return std::string(); }

  std::vector<std::string> texts;
  MessageButtons lastButtons = MessageButtons::Ok;
  MessageIcon lastIcon = MessageIcon::None;

 private:
  int answer_;
};

LogDateTime At(int year, int month, int day, int hour, int minute, int second) {
  LogDateTime time;
  platform::LocalDateTime local{year, month, day, hour, minute, second};
  time.status = platform::LocalToOleDate(local, &time.oleDate) ? 0 : 1;
  return time;
}

class LogManagerTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(ini_.SetPath("Vorlet", dir_.folder(), "ini", false)); }

  TempDir dir_;
  ProfileFile ini_;
  LogManager logs_;
};

TEST_F(LogManagerTest, MissingSettingsGiveTheDefaults) {
  logs_.LoadSettings(ini_, ResolveAppLocations("", "/opt/vorlet/", {}));
  EXPECT_FALSE(logs_.AutoLog());
  EXPECT_EQ(logs_.LogFolder(), "/opt/vorlet/Log");
  EXPECT_EQ(logs_.LogEditor(), "");  // kept empty; the default editor is chosen when starting
}

TEST_F(LogManagerTest, SettingsRoundTrip) {
  dir_.Write("Vorlet.ini", "[General]\r\nfLog=2\r\nLogFolder=/var/log/v\r\nLogEditor=gedit -s\r\n");
  logs_.LoadSettings(ini_, ResolveAppLocations("", "/opt/vorlet/", {}));
  EXPECT_FALSE(logs_.AutoLog());  // only 1 is on
  EXPECT_EQ(logs_.LogFolder(), "/var/log/v");
  EXPECT_EQ(logs_.LogEditor(), "gedit -s");

  logs_.SetAutoLog(true);
  logs_.SetLogEditor("");
  ASSERT_TRUE(logs_.SaveSettings(ini_));
  EXPECT_EQ(dir_.Read("Vorlet.ini"), "[General]\r\nfLog=1\r\nLogFolder=/var/log/v\r\nLogEditor=\r\n");
  LogManager again;
  again.LoadSettings(ini_, ResolveAppLocations("", "/opt/vorlet/", {}));
  EXPECT_TRUE(again.AutoLog());
  EXPECT_EQ(again.LogEditor(), "");
}

TEST_F(LogManagerTest, FolderCheckPassesWhenOffOrPresentAndCreatesMissingFolders) {
  FakePresenter presenter(kIdNo);
  logs_.SetAutoLog(false);
  logs_.SetLogFolder(dir_.folder() + "file/sub");
  EXPECT_TRUE(logs_.CheckLogFolder());

  logs_.SetAutoLog(true);
  logs_.SetLogFolder(dir_.path());
  EXPECT_TRUE(logs_.CheckLogFolder());
  logs_.SetLogFolder(dir_.folder() + "a/b/c");
  EXPECT_TRUE(logs_.CheckLogFolder());
  EXPECT_TRUE(IsExistingFolder(dir_.folder() + "a/b/c"));
  EXPECT_TRUE(presenter.texts.empty());
}

// A log folder below a file can never be made: message 141 asks whether to search without
// a log.
TEST_F(LogManagerTest, UncreatableFolderAsksAndTheAnswerDecides) {
  dir_.Write("file", "x");
  logs_.SetAutoLog(true);
  logs_.SetLogFolder(dir_.folder() + "file/sub");
  {
    FakePresenter yes(kIdYes);
    EXPECT_TRUE(logs_.CheckLogFolder());
    ASSERT_EQ(yes.texts.size(), 1u);
    EXPECT_EQ(yes.texts[0], LoadString(kStrLogFolderInvalid));
    EXPECT_EQ(yes.lastButtons, MessageButtons::YesNo);
    EXPECT_EQ(yes.lastIcon, MessageIcon::Information);
  }
  {
    FakePresenter no(kIdNo);
    EXPECT_FALSE(logs_.CheckLogFolder());
    EXPECT_EQ(no.texts.size(), 1u);
  }
  // An empty folder text cannot be created either.
  FakePresenter no(kIdNo);
  logs_.SetLogFolder("");
  EXPECT_FALSE(logs_.CheckLogFolder());
  EXPECT_EQ(no.texts.size(), 1u);
}

TEST_F(LogManagerTest, AutomaticLogIsNamedAfterTheStartTime) {
  SearchRunInfo run;
  run.startTime = At(2003, 3, 10, 9, 5, 7);
  run.endTime = run.startTime;
  int refreshes = 0;
  logs_.SetLogWrittenHook([&refreshes] { ++refreshes; });
  logs_.SetLogFolder(dir_.path());

  EXPECT_FALSE(logs_.WriteAutoLog(run, nullptr));  // off
  EXPECT_FALSE(PathExists(dir_.folder() + "20030310090507.log"));

  logs_.SetAutoLog(true);
  DetectedFileList hits;
  ASSERT_TRUE(hits.Append("/a/x.exe", 0, nullptr, kResultUnprocessed));
  EXPECT_TRUE(logs_.WriteAutoLog(run, &hits));
  EXPECT_EQ(refreshes, 1);
  const std::string log = dir_.Read("20030310090507.log");
  EXPECT_NE(log.find("2003 03/10 09:05:07\t"), std::string::npos);
  EXPECT_NE(log.find("x.exe\t/a\t"), std::string::npos);
  EXPECT_EQ(logs_.AutoLogPath(run.startTime), dir_.folder() + "20030310090507.log");
}

TEST_F(LogManagerTest, AutomaticLogsOfOneSecondNeverReplaceOneAnother) {
  SearchRunInfo run;
  run.startTime = At(2003, 3, 10, 9, 5, 7);
  logs_.SetAutoLog(true);
  logs_.SetLogFolder(dir_.path());
  dir_.Write("20030310090507-3.log", "taken");
  for (const char* file : {"/a/first.exe", "/a/second.exe", "/a/third.exe"}) {
    DetectedFileList hits;
    ASSERT_TRUE(hits.Append(file, 0, nullptr, kResultUnprocessed));
    ASSERT_TRUE(logs_.WriteAutoLog(run, &hits));
  }
  EXPECT_NE(dir_.Read("20030310090507.log").find("first.exe"), std::string::npos);
  EXPECT_NE(dir_.Read("20030310090507-2.log").find("second.exe"), std::string::npos);
  EXPECT_EQ(dir_.Read("20030310090507-3.log"), "taken");
  EXPECT_NE(dir_.Read("20030310090507-4.log").find("third.exe"), std::string::npos);
  dir_.Write("20030310090507-10.log", "");
  dir_.Write("20030310090508.log", "");
  EXPECT_EQ(logs_.ListLogs(), (std::vector<std::string>{"20030310090507.log", "20030310090507-2.log",
                                                        "20030310090507-3.log", "20030310090507-4.log",
                                                        "20030310090507-10.log", "20030310090508.log"}));
}

// An older log of the same name must not pass for the one that could not be written.
TEST_F(LogManagerTest, FailedAutomaticLogIsNoSuccess) {
  SearchRunInfo run;
  run.startTime = At(2003, 3, 10, 9, 5, 7);
  logs_.SetAutoLog(true);
  logs_.SetLogFolder(dir_.path());
  dir_.Write("20030310090507.log", "older");
  struct rlimit old;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  struct rlimit limited = old;
  limited.rlim_cur = 8;  // less than any log: the write fails as on a full disk
  auto oldHandler = signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  const bool written = logs_.WriteAutoLog(run, nullptr);
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(written);
  EXPECT_EQ(logs_.ListLogs(), std::vector<std::string>{"20030310090507.log"});
}

TEST_F(LogManagerTest, AutomaticLogFailsQuietlyWithoutAUsableFolder) {
  SearchRunInfo run;
  run.startTime = At(2003, 3, 10, 9, 5, 7);
  int refreshes = 0;
  logs_.SetLogWrittenHook([&refreshes] { ++refreshes; });
  logs_.SetAutoLog(true);
  logs_.SetLogFolder(dir_.folder() + "missing");
  EXPECT_FALSE(logs_.WriteAutoLog(run, nullptr));
  // No folder at all: nothing lands in the root or the current folder.
  logs_.SetLogFolder("");
  EXPECT_FALSE(logs_.WriteAutoLog(run, nullptr));
  EXPECT_FALSE(PathExists("/20030310090507.log"));
  EXPECT_FALSE(PathExists("20030310090507.log"));
  EXPECT_EQ(refreshes, 0);
}

TEST_F(LogManagerTest, ListingHasOnlyLogFilesInNameOrder) {
  dir_.Write("20030310090507.log", "b");
  dir_.Write("20020101000000.log", "a");
  dir_.Write("empty.log", "");
  dir_.Write("notes.txt", "x");
  dir_.Write("x.log.bak", "x");
  dir_.MakeDir("folder.log");
  logs_.SetLogFolder(dir_.path());
  const std::vector<std::string> expected = {"20020101000000.log", "20030310090507.log", "empty.log"};
  EXPECT_EQ(logs_.ListLogs(), expected);
  logs_.SetLogFolder(dir_.folder());
  EXPECT_EQ(logs_.ListLogs(), expected);
  logs_.SetLogFolder(dir_.folder() + "missing");
  EXPECT_TRUE(logs_.ListLogs().empty());
  EXPECT_EQ(logs_.LogPath("a.log"), dir_.folder() + "missing/a.log");
}

TEST(LogNameTest, ProposedNameAlwaysHasASeparator) {
  const LogDateTime start = At(2003, 3, 10, 9, 5, 7);
  EXPECT_EQ(ProposedLogName("", start), "/20030310090507.log");
  EXPECT_EQ(ProposedLogName("/var/log", start), "/var/log/20030310090507.log");
  EXPECT_EQ(ProposedLogName("/var/log/", start), "/var/log/20030310090507.log");
}

TEST(LogNameTest, FinalPathForcesTheLogExtension) {
  struct Case {
    const char* chosen;
    const char* expected;
  } cases[] = {
      {"/home/u/result.txt", "/home/u/result.log"},
      {"/home/u/result.log", "/home/u/result.log"},
      {"/home/u/result", "/home/u/result.log"},
      {"/home/u/a.b.c", "/home/u/a.b.log"},
      {"/result.txt", "/result.log"},
      {"/home/u/.txt", ""},  // no title
      {"/home/u/", ""},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(FinalLogPath(c.chosen), c.expected) << c.chosen;
  // 表 ends in the byte of a backslash; in the native style that changes nothing anyway.
  EXPECT_EQ(FinalLogPath("/d/\x95\x5C.txt"), "/d/\x95\x5C.log");
}

// The check covers both names, so result.log is never replaced unseen when result.txt
// was chosen.
TEST(LogNameTest, ExistenceCheckCoversTheChosenAndTheFinalName) {
  TempDir dir;
  EXPECT_FALSE(LogSaveNameTaken(dir.folder() + "result.txt"));
  dir.Write("result.log", "old");
  EXPECT_TRUE(LogSaveNameTaken(dir.folder() + "result.txt"));
  EXPECT_TRUE(LogSaveNameTaken(dir.folder() + "result.log"));
  dir.Write("other.txt", "");
  EXPECT_TRUE(LogSaveNameTaken(dir.folder() + "other.txt"));
}

struct EditorCase {
  const char* editor;
  const char* path;
  std::vector<std::string> argv;
};

// Split as a shell splits words, never run by one: the log path is one argument whatever
// it holds, and nothing of the setting is expanded.
TEST(EditorCommandTest, WordsAsAShellSplitsThem) {
  const EditorCase cases[] = {
      {"", "/logs/a.log", {"xdg-open", "/logs/a.log"}},
      {"   ", "/logs/a.log", {"xdg-open", "/logs/a.log"}},
      {"", "", {"xdg-open"}},
      {"gedit", "", {"gedit"}},
      {"gedit", "/my logs/a b.log", {"gedit", "/my logs/a b.log"}},
      {"  gedit\t-s  ", "/l/a.log", {"gedit", "-s", "/l/a.log"}},
      {"/opt/my editor/ed", "/l", {"/opt/my", "editor/ed", "/l"}},
      {"\"/opt/my editor/ed\" -n", "/l", {"/opt/my editor/ed", "-n", "/l"}},
      {"'/opt/my editor/ed'", "/l", {"/opt/my editor/ed", "/l"}},
      {"/opt/my\\ editor/ed", "/l", {"/opt/my editor/ed", "/l"}},
      {"ed 'it''s' \"a\\\"b\" \"c\\d\"", "/l", {"ed", "its", "a\"b", "c\\d", "/l"}},
      {"ed '' \"\"", "/l", {"ed", "", "", "/l"}},
      {"ed $HOME ~ *.log `x` ;rm", "/l", {"ed", "$HOME", "~", "*.log", "`x`", ";rm", "/l"}},
      {"ed 'a\\b'", "/l", {"ed", "a\\b", "/l"}},
      {"ed \"unclosed arg", "/l", {"ed", "unclosed arg", "/l"}},
      {"ed\\", "/l", {"ed\\", "/l"}},
  };
  for (const EditorCase& c : cases) EXPECT_EQ(BuildEditorCommand(c.editor, c.path), c.argv) << c.editor;
}

// 表 (0x95 0x5C) and ソ (0x83 0x5C) end in the byte of a backslash: it escapes nothing.
TEST(EditorCommandTest, DoubleByteCharactersAreNeverEscapes) {
  EXPECT_EQ(BuildEditorCommand("/opt/\x95\x5C ed", "/l"),
            (std::vector<std::string>{"/opt/\x95\x5C", "ed", "/l"}));
  EXPECT_EQ(BuildEditorCommand("\"/\x83\x5C\" x", "/l"), (std::vector<std::string>{"/\x83\x5C", "x", "/l"}));
  EXPECT_EQ(BuildEditorCommand("a\\\x95\x5C", "/l"), (std::vector<std::string>{"a\x95\x5C", "/l"}));
}

}  // namespace
