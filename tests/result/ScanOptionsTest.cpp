#include "result/ScanOptions.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "db/InvalFileDB.h"
#include "engine/CScanEngine.h"
#include "platform/FileSystem.h"
#include "support/TempDir.h"
#include "support/TestRecords.h"
#include "util/CPatternList.h"

using testing_support::TempDir;

namespace {

class ScanOptionsTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(ini_.SetPath("Vorlet", dir_.folder(), "ini", false)); }
  void WriteIni(const std::string& text) { dir_.Write("Vorlet.ini", text); }
  ScanOptions Loaded() {
    ScanOptions options;
    options.LoadSettings(ini_);
    return options;
  }

  TempDir dir_;
  ProfileFile ini_;
};

TEST_F(ScanOptionsTest, ProcessingSettingsAreRead) {
  WriteIni("[General]\r\nFileOpe=2\r\nRuleOfRename=*.*.INV\r\nMoveFolder=/var/q\r\n");
  ScanOptions options = Loaded();
  EXPECT_EQ(options.Mode(), kModeRename);
  EXPECT_EQ(options.Rule(), "*.*.INV");
  EXPECT_EQ(options.MoveFolder(), "/var/q");
}

// A mode no radio button stands for would give results without a text: it reads as 0.
TEST_F(ScanOptionsTest, StoredModeOutsideTheFourReadsAsLeave) {
  for (const char* stored : {"4", "-1", "99"}) {
    WriteIni(std::string("[General]\r\nFileOpe=") + stored + "\r\n");
    EXPECT_EQ(Loaded().Mode(), kModeLeave) << stored;
  }
  ScanOptions options;
  options.SetMode(3);
  EXPECT_EQ(options.Mode(), kModeMove);
  options.SetMode(5);
  EXPECT_EQ(options.Mode(), kModeLeave);
}

TEST_F(ScanOptionsTest, CategoriesStopAtTheFirstEmptyOrRepeatedName) {
  WriteIni("[DB]\r\nC0=Virus\r\nC2=Worm\r\n");
  EXPECT_EQ(Loaded().Categories(), std::vector<std::string>{"Virus"});
  WriteIni("[DB]\r\nC0=Virus\r\nC1=Virus\r\nC2=Worm\r\n");
  EXPECT_EQ(Loaded().Categories(), std::vector<std::string>{"Virus"});
  WriteIni("[DB]\r\nC0=Virus\r\nC1=Worm\r\nC2=Virus\r\nC3=Trojan\r\n");
  EXPECT_EQ(Loaded().Categories(), (std::vector<std::string>{"Virus", "Worm"}));
}

TEST_F(ScanOptionsTest, AtMost256CategoriesAreRead) {
  std::string ini = "[DB]\r\n";
  for (int n = 0; n < 300; ++n) {
    const std::string number = std::to_string(n);
    ini.append("C").append(number).append("=cat").append(number).append("\r\n");
  }
  WriteIni(ini);
  ScanOptions options = Loaded();
  ASSERT_EQ(options.Categories().size(), 256u);
  EXPECT_EQ(options.Categories().back(), "cat255");
}

// Checked by default; only the integer 1 reads as checked.
TEST_F(ScanOptionsTest, ChecksDefaultToCheckedAndOnlyOneChecks) {
  WriteIni("[DB]\r\nC0=a\r\nC1=b\r\nC2=c\r\nC3=d\r\nCS1=0\r\nCS2=2\r\nCS3=1\r\n");
  EXPECT_EQ(Loaded().Checks(), (std::vector<uint8_t>{1, 0, 0, 1}));
}

TEST_F(ScanOptionsTest, SavingWritesChecksAndNeverTheNames) {
  WriteIni("[DB]\r\nC0=a\r\nC1=b\r\n");
  ScanOptions options = Loaded();
  options.SetChecked(1, false);
  options.SetChecked(7, false);  // no such category: ignored
  options.SetMode(kModeMove);
  options.SetRule("_*.*_");
  options.SetMoveFolder("/q");
  ASSERT_TRUE(options.SaveSettings(ini_));
  EXPECT_EQ(dir_.Read("Vorlet.ini"),
            "[DB]\r\nC0=a\r\nC1=b\r\nCS0=1\r\nCS1=0\r\n"
            "[General]\r\nFileOpe=3\r\nRuleOfRename=_*.*_\r\nMoveFolder=/q\r\n");
  ScanOptions again = Loaded();
  EXPECT_EQ(again.Checks(), (std::vector<uint8_t>{1, 0}));
  EXPECT_EQ(again.Mode(), kModeMove);
  EXPECT_EQ(again.Rule(), "_*.*_");
}

// Flags are set by name; a store category the settings do not list keeps its flag, and a
// listed name the store does not have changes nothing.
TEST_F(ScanOptionsTest, CategoryChecksGoToTheStoreByName) {
  WriteIni("[DB]\r\nC0=Worm\r\nC1=Virus\r\nC2=Ghost\r\nCS0=0\r\nCS2=0\r\n");
  ScanOptions options = Loaded();
  InvalFileDB store;
  ASSERT_TRUE(store.Add(MakeRecord("Virus", "v1", kSampleFingerprintHex)));
  ASSERT_TRUE(store.Add(MakeRecord("Worm", "w1", kSampleFingerprintHex)));
  ASSERT_TRUE(store.Add(MakeRecord("Other", "o1", kSampleFingerprintHex)));
  store.FindCategory("Virus")->SetSearchFlag(false);
  store.FindCategory("Other")->SetSearchFlag(false);

  options.ApplyCategoryChecks(store);
  EXPECT_FALSE(store.FindCategory("Worm")->SearchFlag());
  EXPECT_TRUE(store.FindCategory("Virus")->SearchFlag());
  EXPECT_FALSE(store.FindCategory("Other")->SearchFlag());
  EXPECT_EQ(store.FindCategory("Ghost"), nullptr);

  options.SetChecked(0, true);
  options.ApplyCategoryChecks(store);
  EXPECT_TRUE(store.FindCategory("Worm")->SearchFlag());
}

TEST_F(ScanOptionsTest, NoCategoriesChangeNoFlag) {
  ScanOptions options = Loaded();
  InvalFileDB store;
  ASSERT_TRUE(store.Add(MakeRecord("Virus", "v1", kSampleFingerprintHex)));
  store.FindCategory("Virus")->SetSearchFlag(false);
  options.ApplyCategoryChecks(store);
  EXPECT_FALSE(store.FindCategory("Virus")->SearchFlag());
}

// The processing reads the options as they are at the moment of the hit.
TEST_F(ScanOptionsTest, AutoProcessFileFollowsTheCurrentOptions) {
  ScanOptions options;
  int closes = 0;
  options.SetCloseFileHook([&closes] { ++closes; });
  const std::string file = dir_.Write("report.doc", "x");
  EXPECT_EQ(options.AutoProcessFile(file), kResultUnprocessed);
  options.SetMode(kModeRename);
  EXPECT_EQ(options.AutoProcessFile(file), kResultFailed);  // the default empty rule
  options.SetRule("*.*.INV");
  EXPECT_EQ(options.AutoProcessFile(file), kResultRenamed);
  EXPECT_EQ(dir_.Read("report.doc.INV"), "x");
  EXPECT_EQ(closes, 1);
}

// Which file the search read is asked for while the engine still has it open, before it
// lets go; a file replaced since is left alone.
TEST_F(ScanOptionsTest, ProcessingAsksWhichFileTheSearchReadBeforeTheEngineLetsGo) {
  ScanOptions options;
  options.SetMode(kModeDelete);
  const std::string file = dir_.Write("x.exe", "x");
  platform::FileStatus status;
  ASSERT_TRUE(platform::GetLinkStatus(file, &status));
  platform::FileIdentity read = platform::IdentityOf(status);
  std::vector<std::string> calls;
  options.SetCloseFileHook([&calls] { calls.push_back("close"); });
  options.SetHitIdentityHook([&](platform::FileIdentity* identity, platform::FileIdentity*) {
    calls.push_back("identity");
    *identity = read;
  });
  ASSERT_EQ(std::rename(dir_.Write("y.exe", "y").c_str(), file.c_str()), 0);
  EXPECT_EQ(options.AutoProcessFile(file), kResultFailed);
  EXPECT_EQ(dir_.Read("x.exe"), "y");
  EXPECT_EQ(calls, (std::vector<std::string>{"identity", "close"}));
  ASSERT_TRUE(platform::GetLinkStatus(file, &status));
  read = platform::IdentityOf(status);
  EXPECT_EQ(options.AutoProcessFile(file), kResultDeleted);
}

// Without a hook the application's engine says which file it has open.
TEST_F(ScanOptionsTest, WithoutAHookTheApplicationsEngineIsAsked) {
  ProfileFile unbound;
  InvalFileDB store;
  CScanEngine engine(unbound);
  ASSERT_TRUE(engine.Prepare(TextList(), CPatternList("*.*", ';'), false, store));
  const std::string file = dir_.Write("x.exe", "x");
  ASSERT_EQ(engine.OpenTarget(file), CScanEngine::kOpened);
  ASSERT_EQ(std::rename(dir_.Write("y.exe", "y").c_str(), file.c_str()), 0);
  ScanOptions options;
  options.SetMode(kModeDelete);
  options.SetCloseFileHook([&engine] { engine.CloseTarget(); });
  SetApplicationScanEngine(&engine);
  EXPECT_EQ(options.AutoProcessFile(file), kResultFailed);
  SetApplicationScanEngine(nullptr);
  EXPECT_EQ(dir_.Read("x.exe"), "y");
  EXPECT_EQ(options.AutoProcessFile(file), kResultDeleted);  // nobody to ask: no check
}

}  // namespace
