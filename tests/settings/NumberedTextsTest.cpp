#include "settings/NumberedTexts.h"

#include <gtest/gtest.h>

#include "settings/ScanTargetSettings.h"
#include "support/TempDir.h"

using testing_support::TempDir;

namespace {

class NumberedTextsTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(ini_.SetPath("Vorlet", dir_.folder(), "ini", false)); }
  TempDir dir_;
  ProfileFile ini_;
};

// The category list stops at a repeat, the detail dialog skips it, the editor keeps it; all
// stop at the first empty value and at the limit.
TEST_F(NumberedTextsTest, RepeatsEmptyValueAndLimit) {
  dir_.Write("Vorlet.ini", "[DB]\r\nC0=A\r\nC1=B\r\nC2=A\r\nC3=D\r\nC4=\r\nC5=F\r\n");
  using V = std::vector<std::string>;
  EXPECT_EQ(ReadNumberedTexts(ini_, "DB", "C", 256, RepeatedText::kKeep), (V{"A", "B", "A", "D"}));
  EXPECT_EQ(ReadNumberedTexts(ini_, "DB", "C", 256, RepeatedText::kSkip), (V{"A", "B", "D"}));
  EXPECT_EQ(ReadNumberedTexts(ini_, "DB", "C", 256, RepeatedText::kStop), (V{"A", "B"}));
  EXPECT_EQ(ReadNumberedTexts(ini_, "DB", "C", 3, RepeatedText::kKeep), (V{"A", "B", "A"}));
  EXPECT_TRUE(ReadNumberedTexts(ini_, "DB", "RISK", 256, RepeatedText::kKeep).empty());
}

// The command line searches what the target form would: targets up to the first empty slot,
// the newest file type even behind empty slots, lower-cased for the search.
TEST_F(NumberedTextsTest, ScanTargetSettingsAsTheFormKeepsThem) {
  dir_.Write("Vorlet.ini",
             "[ScanDlg]\r\nfSubDir=0\r\nFile0=\r\nFile1=*.EXE;*.Com\r\nFile2=*.txt\r\nFile3=*.EXE;*.Com\r\n"
             "Path0=/a\r\nPath1=/b\r\nPath2=/a\r\nPath3=\r\nPath4=/c\r\n");
  const ScanTargetSettings loaded = ScanTargetSettings::Load(ini_);
  EXPECT_FALSE(loaded.subfolders);
  ASSERT_EQ(loaded.targets.size(), 2u);
  EXPECT_EQ(loaded.targets[1], "/b");
  ASSERT_EQ(loaded.patterns.size(), 2u);
  EXPECT_EQ(loaded.CurrentPattern(), "*.EXE;*.Com");
  EXPECT_EQ(SearchPatternText(loaded.CurrentPattern()), "*.exe;*.com");
  EXPECT_EQ(SearchPatternText(""), "*.*");
  EXPECT_EQ(ScanTargetSettings().CurrentPattern(), "*.*");
}

}  // namespace
