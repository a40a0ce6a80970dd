#include "settings/ProfileFile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "support/TempDir.h"

using testing_support::TempDir;
using Direction = ProfileFile::Direction;

namespace {

class ProfileFileArchiveTest : public ::testing::Test {
 protected:
  // Binds file to dir/name.dat.
  void Bind(ProfileFile& file, bool raw = false) {
    ASSERT_TRUE(file.SetPath("name", dir.folder(), "dat", raw));
    file.SetRetryPump([this] { ++pumps; });
  }
  std::string Bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values) out += static_cast<char>(v);
    return out;
  }

  TempDir dir;
  int pumps = 0;
};

TEST_F(ProfileFileArchiveTest, SetPathComposesFolderNameAndExtension) {
  ProfileFile file;
  EXPECT_TRUE(file.SetPath("Vorlet", "/opt/app/", "dat", false));
  EXPECT_EQ(file.FullPath(), "/opt/app/Vorlet.dat");
  EXPECT_EQ(file.BaseName(), "Vorlet");
  EXPECT_FALSE(file.IsRaw());
  EXPECT_TRUE(file.SetPath("20240102030405", "/logs", nullptr, true));
  EXPECT_EQ(file.FullPath(), "/logs20240102030405");
  EXPECT_TRUE(file.IsRaw());
  EXPECT_FALSE(file.SetPath("", "", nullptr, false));
}

TEST_F(ProfileFileArchiveTest, StoredValuesHaveTheirByteLayoutAndLoadBack) {
  ProfileFile file;
  Bind(file);
  ASSERT_TRUE(file.OpenArchive(Direction::Store, true));
  int32_t number = -2;
  std::string text = "\x95\x5C";  // a trail byte equal to the backslash stays as it is
  std::string withNul = std::string("ab\0cd", 5);
  unsigned char block[3] = {7, 8, 9};
  EXPECT_TRUE(file.TransferInt(Direction::Store, number));
  EXPECT_TRUE(file.TransferText(Direction::Store, text));
  EXPECT_TRUE(file.TransferText(Direction::Store, withNul));
  EXPECT_TRUE(file.TransferBlock(Direction::Store, block, 3));
  EXPECT_TRUE(file.TransferBlock(Direction::Store, nullptr, 0));
  // Nothing reaches the file before the commit.
  EXPECT_FALSE(std::filesystem::exists(dir.folder() + "name.dat"));
  EXPECT_TRUE(file.CloseArchive());
  EXPECT_EQ(dir.Read("name.dat"), Bytes({0xFE, 0xFF, 0xFF, 0xFF, 2, 0, 0, 0, 0x95, 0x5C, 2, 0, 0, 0, 'a', 'b', 3, 0,
                                         0, 0, 7, 8, 9, 0, 0, 0, 0}));

  ASSERT_TRUE(file.OpenArchive(Direction::Load, false));
  EXPECT_EQ(file.FileLength(), 27u);
  int32_t loadedNumber = 0;
  std::string loadedText, loadedShort;
  unsigned char loadedBlock[3] = {};
  EXPECT_TRUE(file.TransferInt(Direction::Load, loadedNumber));
  EXPECT_TRUE(file.TransferText(Direction::Load, loadedText));
  EXPECT_TRUE(file.TransferText(Direction::Load, loadedShort));
  EXPECT_TRUE(file.TransferBlock(Direction::Load, loadedBlock, 3));
  EXPECT_TRUE(file.TransferBlock(Direction::Load, nullptr, 0));
  EXPECT_EQ(loadedNumber, -2);
  EXPECT_EQ(loadedText, text);
  EXPECT_EQ(loadedShort, "ab");
  EXPECT_EQ(0, std::memcmp(loadedBlock, block, 3));
  // At the end of the file: the next read fails.
  EXPECT_FALSE(file.TransferInt(Direction::Load, loadedNumber));
  EXPECT_TRUE(file.CloseArchive());
}

TEST_F(ProfileFileArchiveTest, RawTextIsWrittenWithoutLength) {
  ProfileFile file;
  Bind(file, true);
  ASSERT_TRUE(file.OpenArchive(Direction::Store, true));
  std::string first = "line 1\r\n", second = "line 2\r\n";
  EXPECT_TRUE(file.TransferText(Direction::Store, first));
  EXPECT_TRUE(file.TransferText(Direction::Store, second));
  EXPECT_TRUE(file.CloseArchive());
  EXPECT_EQ(dir.Read("name.dat"), "line 1\r\nline 2\r\n");

  ASSERT_TRUE(file.OpenArchive(Direction::Load, false));
  std::string text;
  EXPECT_FALSE(file.TransferText(Direction::Load, text));
}

TEST_F(ProfileFileArchiveTest, StoringReplacesTheWholeFile) {
  dir.Write("name.dat", std::string(100, 'x'));
  ProfileFile file;
  Bind(file);
  ASSERT_TRUE(file.OpenArchive(Direction::Store, true));
  EXPECT_EQ(file.FileLength(), 100u);
  int32_t one = 1;
  file.TransferInt(Direction::Store, one);
  EXPECT_TRUE(file.CloseArchive());
  EXPECT_EQ(dir.Read("name.dat"), Bytes({1, 0, 0, 0}));
}

// Loading failures: each file is read as [int][text] or [int][block of 4], the second
// transfer must fail, and so must every transfer after it.
struct DamagedCase {
  const char* what;
  std::string content;
  bool asBlock;
};

TEST_F(ProfileFileArchiveTest, LoadingRefusesLengthsTheFileCannotHold) {
  const DamagedCase cases[] = {
      {"text longer than the file", Bytes({0, 0, 0, 0, 9, 0, 0, 0, 'a'}), false},
      {"text length near 4 GiB", Bytes({0, 0, 0, 0, 0xF0, 0xFF, 0xFF, 0xFF, 'a'}), false},
      {"text cut by the end", Bytes({0, 0, 0, 0, 3, 0, 0, 0, 'a', 'b'}), false},
      {"length cut by the end", Bytes({0, 0, 0, 0, 3, 0}), false},
      {"block shorter than the field", Bytes({0, 0, 0, 0, 2, 0, 0, 0, 1, 2, 3, 4}), true},
      {"block longer than the field", Bytes({0, 0, 0, 0, 6, 0, 0, 0, 1, 2, 3, 4, 5, 6}), true},
      {"block length negative", Bytes({0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 1, 2, 3, 4}), true},
      {"block cut by the end", Bytes({0, 0, 0, 0, 4, 0, 0, 0, 1, 2}), true},
  };
  for (const DamagedCase& c : cases) {
    dir.Write("name.dat", c.content);
    ProfileFile file;
    Bind(file);
    ASSERT_TRUE(file.OpenArchive(Direction::Load, false)) << c.what;
    int32_t number = 0;
    ASSERT_TRUE(file.TransferInt(Direction::Load, number)) << c.what;
    unsigned char guard[8] = {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA};
    std::string text = "old";
    bool ok = c.asBlock ? file.TransferBlock(Direction::Load, guard, 4) : file.TransferText(Direction::Load, text);
    EXPECT_FALSE(ok) << c.what;
    EXPECT_EQ(guard[4], 0xAA) << c.what;
    EXPECT_EQ(text, "old") << c.what;
    // The failure sticks, even where the bytes would allow a read.
    EXPECT_FALSE(file.TransferInt(Direction::Load, number)) << c.what;
  }
}

TEST_F(ProfileFileArchiveTest, OpeningRetriesThroughThePumpFiveTimes) {
  ProfileFile file;
  Bind(file);
  EXPECT_FALSE(file.OpenArchive(Direction::Load, false));
  EXPECT_EQ(pumps, 4);
  EXPECT_FALSE(file.IsArchiveOpen());

  // A folder where the file should be: storing cannot put a file there.
  pumps = 0;
  dir.MakeDir("name.dat");
  EXPECT_FALSE(file.OpenArchive(Direction::Store, true));
  EXPECT_EQ(pumps, 4);

  // Without a pump the attempts run back to back.
  ProfileFile quiet;
  ASSERT_TRUE(quiet.SetPath("none", dir.folder(), "dat", false));
  EXPECT_FALSE(quiet.OpenArchive(Direction::Load, false));
}

TEST_F(ProfileFileArchiveTest, LoadingWithCreationLeavesAnEmptyFile) {
  ProfileFile file;
  Bind(file);
  ASSERT_TRUE(file.OpenArchive(Direction::Load, true));
  EXPECT_EQ(pumps, 0);
  EXPECT_EQ(file.FileLength(), 0u);
  int32_t number = 0;
  EXPECT_FALSE(file.TransferInt(Direction::Load, number));
  EXPECT_TRUE(file.CloseArchive());
  EXPECT_TRUE(std::filesystem::exists(dir.folder() + "name.dat"));
  EXPECT_EQ(std::filesystem::file_size(dir.folder() + "name.dat"), 0u);
}

TEST_F(ProfileFileArchiveTest, FailedOrAbandonedStoreLeavesOldFile) {
  dir.Write("name.dat", "old content");
  int32_t number = 5;
  {
    // A transfer the wrong way spoils the archive: nothing is committed.
    ProfileFile file;
    Bind(file);
    ASSERT_TRUE(file.OpenArchive(Direction::Store, true));
    EXPECT_TRUE(file.TransferInt(Direction::Store, number));
    EXPECT_FALSE(file.TransferInt(Direction::Load, number));
    EXPECT_FALSE(file.TransferInt(Direction::Store, number));
    EXPECT_FALSE(file.CloseArchive());
    EXPECT_TRUE(file.CloseArchive());  // nothing open any more
  }
  EXPECT_EQ(dir.Read("name.dat"), "old content");
  {
    ProfileFile file;
    Bind(file);
    ASSERT_TRUE(file.OpenArchive(Direction::Store, true));
    EXPECT_TRUE(file.TransferInt(Direction::Store, number));
  }
  EXPECT_EQ(dir.Read("name.dat"), "old content");
}

}  // namespace
