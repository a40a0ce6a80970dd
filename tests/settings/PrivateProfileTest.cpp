#include "settings/PrivateProfile.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/TempDir.h"
#include "support/Unprivileged.h"

using testing_support::RunAsUnprivileged;
using testing_support::TempDir;

namespace {

ino_t InodeOf(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

// Limits the size of files this process may write, for one test: as root a read-only folder
// does not stop a write, but the file size limit does.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    oldHandler_ = ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    ::signal(SIGXFSZ, oldHandler_);
  }

 private:
  rlimit saved_{};
  sighandler_t oldHandler_;
};

}  // namespace

// As GetPrivateProfileInt: a sign is taken, digits wrap modulo 2^32, the first other byte
// ends the number.
TEST(PrivateProfileTest, IntegerRule) {
  struct Case {
    const char* text;
    int expected;
  } cases[] = {
      {"1", 1},       {"+1", 1},         {"-5", -5},       {"-1", -1},          {"2", 2},
      {"yes", 0},     {"42abc", 42},     {"B42", 0},       {"0x10", 0},         {" 7", 7},
      {"- 5", 0},     {"007", 7},        {"4294967297", 1}, {"4294967296", 0},  {"-4294967297", -1},
      {"2147483648", -2147483647 - 1},   {"", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(ProfileTextToInt(c.text), c.expected) << c.text;
}

TEST(PrivateProfileTest, MissingFileSectionOrKeyGivesDefault) {
  TempDir dir;
  std::string missing = dir.folder() + "none.ini";
  EXPECT_EQ(ReadProfileInt(missing, "ScanDlg", "fSubDir", 1), 1);
  EXPECT_EQ(ReadProfileText(missing, "General", "LogFolder", ""), "");
  std::string path = dir.Write("a.ini", "[General]\nfLog=\nFileOpe=\"3\"\n");
  EXPECT_EQ(ReadProfileInt(path, "ScanDlg", "fSubDir", 1), 1);
  EXPECT_EQ(ReadProfileInt(path, "General", "FileOpe", 0), 3);
  EXPECT_EQ(ReadProfileInt(path, "General", "fLog", 7), 7);  // an empty value reads as missing
  EXPECT_EQ(ReadProfileText(path, "General", "fLog", "d"), "");
  EXPECT_EQ(ReadProfileText(path, "General", "none", "d"), "d");
  EXPECT_EQ(ReadProfileInt("", "General", "fLog", 4), 4);  // an unbound file
}

// Whole up to PATH_MAX - 1 bytes, as a path setting may be (a move folder of 2,000 bytes
// came back as one of its parents), cut after that on a character boundary.
TEST(PrivateProfileTest, LongTextIsCutTo4095BytesOnACharacterBoundary) {
  TempDir dir;
  std::string path = dir.Write("a.ini", "[S]\nlong=" + std::string(2000, 'x') + "\n");
  EXPECT_EQ(ReadProfileText(path, "S", "long", ""), std::string(2000, 'x'));
  dir.Write("a.ini", "[S]\nlong=" + std::string(5000, 'x') + "\n");
  EXPECT_EQ(ReadProfileText(path, "S", "long", ""), std::string(4095, 'x'));
  // 4094 single bytes then a double-byte character that would end at byte 4096.
  dir.Write("a.ini", "[S]\nlong=" + std::string(4094, 'x') + "\x95\x5C" + "yz\n");
  EXPECT_EQ(ReadProfileText(path, "S", "long", ""), std::string(4094, 'x'));
  dir.Write("a.ini", "[S]\nlong=" + std::string(4093, 'x') + "\x95\x5C" + "yz\n");
  EXPECT_EQ(ReadProfileText(path, "S", "long", ""), std::string(4093, 'x') + "\x95\x5C");
}

TEST(PrivateProfileTest, NulByteInFileEndsTheValue) {
  TempDir dir;
  std::string path = dir.Write("a.ini", std::string("[S]\nk=12\0" "34\n", 12));
  EXPECT_EQ(ReadProfileText(path, "S", "k", ""), "12");
  EXPECT_EQ(ReadProfileInt(path, "S", "k", 0), 12);
}

TEST(PrivateProfileTest, WriteCreatesFileWithCrLfAndRoundTripsCp932) {
  TempDir dir;
  std::string path = dir.folder() + "Vorlet.ini";
  // 表 (0x95 0x5C) and ソ (0x83 0x5C) end in the backslash byte.
  const std::string folder = "/data/\x95\x5C\x83\x5C";
  ASSERT_TRUE(WriteProfileText(path, "ScanDlg", "Path0", folder));
  ASSERT_TRUE(WriteProfileText(path, "ScanDlg", "Path1", ""));
  ASSERT_TRUE(WriteProfileText(path, "General", "fLog", "1"));
  EXPECT_EQ(dir.Read("Vorlet.ini"), "[ScanDlg]\r\nPath0=" + folder + "\r\nPath1=\r\n[General]\r\nfLog=1\r\n");
  EXPECT_EQ(ReadProfileText(path, "scandlg", "PATH0", ""), folder);
}

// A key that already reads as the value is not written, however its line is spelled.
TEST(PrivateProfileTest, UnchangedValueDoesNotRewriteTheFile) {
  TempDir dir;
  const char* texts[] = {"[S]\r\nk=v\r\n", "[S]\r\nk = v\r\n", "[S]\nk=v\n", "[s]\r\n\tK\t=\t\"v\"\r\n",
                         "[S]\rk=v\r", "\xEF\xBB\xBF[S]\r\nk=v\r\n"};
  for (const char* text : texts) {
    std::string path = dir.Write("a.ini", text);
    ino_t before = InodeOf(path);
    ASSERT_TRUE(WriteProfileText(path, "S", "k", "v")) << text;
    EXPECT_EQ(InodeOf(path), before) << text;
    EXPECT_EQ(dir.Read("a.ini"), text);
  }
  std::string path = dir.Write("a.ini", "[S]\r\nk=v\r\n");
  ino_t before = InodeOf(path);
  ASSERT_TRUE(WriteProfileText(path, "S", "k", "w"));
  EXPECT_NE(InodeOf(path), before);
  EXPECT_EQ(dir.Read("a.ini"), "[S]\r\nk=w\r\n");
}

// Reading every key at start parses the file once; a change, even one that keeps the
// size and lands in the same second, is still seen at the next read.
TEST(PrivateProfileTest, ManyReadsParseTheFileOnce) {
  TempDir dir;
  std::string path = dir.Write("a.ini", "[DB]\r\nC0=a\r\nC1=b\r\n");
  const size_t before = ProfileTextParses();
  for (int i = 0; i < 50; ++i) {
    EXPECT_EQ(ReadProfileText(path, "DB", i % 2 ? "C1" : "C0", ""), i % 2 ? "b" : "a");
  }
  EXPECT_EQ(ProfileTextParses(), before + 1);
  {
    std::ofstream inPlace(path, std::ios::binary | std::ios::in | std::ios::out);
    inPlace << "[DB]\r\nC0=x";
  }
  EXPECT_EQ(ReadProfileText(path, "DB", "C0", ""), "x");
  ASSERT_TRUE(WriteProfileText(path, "DB", "C1", "y"));
  EXPECT_EQ(ReadProfileText(path, "DB", "C1", ""), "y");
  EXPECT_EQ(ReadProfileText(path, "DB", "C0", ""), "x");
}

TEST(PrivateProfileTest, WriteIntoMissingFolderFailsAndLeavesNothing) {
  TempDir dir;
  EXPECT_FALSE(WriteProfileText(dir.folder() + "none/Vorlet.ini", "General", "fLog", "1"));
  EXPECT_FALSE(std::filesystem::exists(dir.folder() + "none"));
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
  EXPECT_FALSE(WriteProfileText("", "General", "fLog", "1"));
}

TEST(PrivateProfileTest, RefusedValueLeavesFileUntouched) {
  TempDir dir;
  std::string path = dir.Write("a.ini", "[S]\r\nk=v\r\n");
  EXPECT_FALSE(WriteProfileText(path, "S", "k", "two\r\nlines"));
  EXPECT_FALSE(WriteProfileText(path, "S", "n", "x\ny=1"));
  EXPECT_EQ(dir.Read("a.ini"), "[S]\r\nk=v\r\n");
}

// A settings path that exists but cannot be read is never replaced by a file holding only
// the one key.
TEST(PrivateProfileTest, UnreadableExistingPathIsNotReplaced) {
  TempDir dir;
  dir.MakeDir("a.ini");
  dir.Write("a.ini/inside", "x");
  EXPECT_FALSE(WriteProfileText(dir.folder() + "a.ini", "S", "k", "v"));
  EXPECT_EQ(dir.Read("a.ini/inside"), "x");
}

TEST(PrivateProfileTest, FailedWriteLeavesOldFileIntact) {
  TempDir dir;
  const std::string old = "[S]\r\nk=v\r\n";
  std::string path = dir.Write("a.ini", old);
  {
    FileSizeLimit limit(16);
    EXPECT_FALSE(WriteProfileText(path, "S", "long", std::string(100, 'x')));
  }
  EXPECT_EQ(dir.Read("a.ini"), old);
  int entries = 0;
  for (auto& entry : std::filesystem::directory_iterator(dir.path())) (void)entry, ++entries;
  EXPECT_EQ(entries, 1);  // no temporary file left behind
}

TEST(PrivateProfileTest, ReadOnlyFolderRefusesWrite) {
  if (!RunAsUnprivileged()) return;
  TempDir dir;
  const std::string old = "[S]\r\nk=v\r\n";
  std::string path = dir.Write("ro/a.ini", old);
  ASSERT_EQ(::chmod((dir.folder() + "ro").c_str(), 0555), 0);
  EXPECT_FALSE(WriteProfileText(path, "S", "k", "w"));
  EXPECT_TRUE(WriteProfileText(path, "S", "k", "v"));  // nothing to change, nothing to write
  ::chmod((dir.folder() + "ro").c_str(), 0755);
  EXPECT_EQ(dir.Read("ro/a.ini"), old);
}
