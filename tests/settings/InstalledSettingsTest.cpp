// The default settings file the build places beside a freshly built program.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "platform/Encoding.h"
#include "settings/ProfileFile.h"
#include "support/TempDir.h"

namespace {

std::filesystem::path InstalledIni() {
  return std::filesystem::path(VORLET_SOURCE_DIR) / "app" / "Vorlet.ini";
}

std::vector<std::string> ReadList(const ProfileFile& file, const std::string& stem) {
  std::vector<std::string> names;
  for (int i = 0; i < 256; ++i) {
    std::string name = file.GetSettingText("DB", stem + std::to_string(i));
    if (name.empty()) break;
    names.push_back(platform::Cp932ToUtf8(name));
  }
  return names;
}

}  // namespace

TEST(InstalledSettingsTest, HoldsOnlyTheDbListsInCp932WithCrLf) {
  testing_support::TempDir dir;
  std::filesystem::copy_file(InstalledIni(), dir.folder() + "Vorlet.ini");
  std::string text = dir.Read("Vorlet.ini");
  ASSERT_FALSE(text.empty());

  std::regex allowed("\\[DB\\]|(C|RISK)[0-9]+=[^\r\n]+");
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line, '\n')) {
    ASSERT_FALSE(line.empty());
    ASSERT_EQ(line.back(), '\r');
    line.pop_back();
    EXPECT_TRUE(std::regex_match(line, allowed)) << line;
  }

  ProfileFile file;
  ASSERT_TRUE(file.SetPath("Vorlet", dir.folder(), "ini", false));
  std::vector<std::string> categories = ReadList(file, "C");
  std::vector<std::string> risks = ReadList(file, "RISK");
  EXPECT_EQ(categories.size(), 9u);
  EXPECT_EQ(categories.front(), "ウイルス");
  EXPECT_EQ(categories.back(), "その他");
  EXPECT_EQ(risks, (std::vector<std::string>{"高", "中", "低"}));
}
