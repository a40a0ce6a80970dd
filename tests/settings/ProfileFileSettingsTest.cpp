#include <gtest/gtest.h>

#include <string>

#include "settings/AppFiles.h"
#include "settings/ProfileFile.h"
#include "support/TempDir.h"

using testing_support::TempDir;

namespace {

class ProfileFileSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(file_.SetPath("Vorlet", dir_.folder(), "ini", false)); }
  void WriteIni(const std::string& text) { dir_.Write("Vorlet.ini", text); }

  TempDir dir_;
  ProfileFile file_;
};

}  // namespace

TEST_F(ProfileFileSettingsTest, FirstStartWithoutFileGivesDefaults) {
  EXPECT_EQ(file_.GetSettingInt("General", "fLog", 0), 0);
  EXPECT_EQ(file_.GetSettingInt("ScanDlg", "fSubDir", 1), 1);
  EXPECT_EQ(file_.GetSettingInt("ScanDlg", "end", 0), 0);
  EXPECT_EQ(file_.GetSettingText("General", "LogFolder"), "");
  EXPECT_EQ(file_.GetSettingText("DB", "C0"), "");
}

// A flag is on only when its value reads as the integer 1.
TEST_F(ProfileFileSettingsTest, FlagsOtherThanOneReadAsOff) {
  WriteIni("[General]\r\nfLog=yes\r\n[ScanDlg]\r\nfSubDir=2\r\n[DB]\r\nCS0=1\r\nCS1= 1 \r\nCS2=-1\r\n");
  EXPECT_NE(file_.GetSettingInt("General", "fLog", 0), 1);
  EXPECT_NE(file_.GetSettingInt("ScanDlg", "fSubDir", 1), 1);
  EXPECT_EQ(file_.GetSettingInt("DB", "CS0", 1), 1);
  EXPECT_EQ(file_.GetSettingInt("DB", "CS1", 0), 1);
  EXPECT_EQ(file_.GetSettingInt("DB", "CS2", 1), -1);
}

TEST_F(ProfileFileSettingsTest, IntegersAreWrittenAsSignedDecimal) {
  ASSERT_TRUE(file_.PutSettingInt("General", "FileOpe", 3));
  ASSERT_TRUE(file_.PutSettingInt("ScanDlg", "start", -5));
  ASSERT_TRUE(file_.PutSettingInt("ScanDlg", "fSubDir", 0));
  EXPECT_EQ(dir_.Read("Vorlet.ini"), "[General]\r\nFileOpe=3\r\n[ScanDlg]\r\nstart=-5\r\nfSubDir=0\r\n");
  EXPECT_EQ(file_.GetSettingInt("ScanDlg", "start", 0), -5);
  EXPECT_EQ(file_.GetSettingInt("general", "fileope", 0), 3);
}

// The installer's file keeps its comments, its order and its DB lists when the program
// writes its keys at exit.
TEST_F(ProfileFileSettingsTest, WritingAtExitKeepsInstalledContent) {
  WriteIni(
      "; Vorlet settings\r\n"
      "[DB]\r\n"
      "C0=\x83\x45\x83\x43\x83\x8B\x83\x58\r\n"
      "RISK0=\x8D\x82\r\n"
      "[ScanDlg]\r\n"
      "start=0\r\n"
      "Path0=/old\r\n"
      "Path1=/old2\r\n");
  ASSERT_TRUE(file_.PutSettingText("ScanDlg", "Path0", "/new"));
  ASSERT_TRUE(file_.PutSettingText("ScanDlg", "Path1", ""));
  ASSERT_TRUE(file_.PutSettingInt("ScanDlg", "fSubDir", 1));
  ASSERT_TRUE(file_.PutSettingText("General", "LogEditor", "xdg-open"));
  EXPECT_EQ(dir_.Read("Vorlet.ini"),
            "; Vorlet settings\r\n"
            "[DB]\r\n"
            "C0=\x83\x45\x83\x43\x83\x8B\x83\x58\r\n"
            "RISK0=\x8D\x82\r\n"
            "[ScanDlg]\r\n"
            "start=0\r\n"
            "Path0=/new\r\n"
            "Path1=\r\n"
            "fSubDir=1\r\n"
            "[General]\r\n"
            "LogEditor=xdg-open\r\n");
  EXPECT_EQ(file_.GetSettingText("DB", "C0"), "\x83\x45\x83\x43\x83\x8B\x83\x58");
}

TEST_F(ProfileFileSettingsTest, UnboundFileReadsDefaultsAndRefusesWrites) {
  ProfileFile unbound;
  EXPECT_EQ(unbound.GetSettingInt("ScanDlg", "fSubDir", 1), 1);
  EXPECT_EQ(unbound.GetSettingText("General", "LogFolder"), "");
  EXPECT_FALSE(unbound.PutSettingInt("ScanDlg", "fSubDir", 1));
}

TEST(AppFilesTest, SettingsFileIsVorletIniInTheProgramFolder) {
  TempDir dir;
  ASSERT_TRUE(BindSettingsFile(dir.folder()));
  EXPECT_EQ(SettingsFile().FullPath(), dir.folder() + "Vorlet.ini");
  EXPECT_FALSE(SettingsFile().IsRaw());
  ASSERT_TRUE(BindSettingsFile(dir.path()));  // the separator is added when missing
  EXPECT_EQ(SettingsFile().FullPath(), dir.folder() + "Vorlet.ini");
  ASSERT_TRUE(SettingsFile().PutSettingInt("General", "fLog", 1));
  EXPECT_EQ(dir.Read("Vorlet.ini"), "[General]\r\nfLog=1\r\n");
  // A folder ending in 表 (0x95 0x5C) does not end with a separator.
  ASSERT_TRUE(BindSettingsFile("/x/\x95\x5C"));
  EXPECT_EQ(SettingsFile().FullPath(), "/x/\x95\x5C/Vorlet.ini");
  EXPECT_FALSE(BindSettingsFile(""));
  EXPECT_NE(&SettingsFile(), &ScanLogFile());
  SettingsFile().SetPath("", "", nullptr, false);  // leave it unbound for other tests
}
