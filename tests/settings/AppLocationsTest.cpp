// The location rule both programs share, on real folders: whether the program's folder is
// portable depends on what the user may write there, so the table runs as an ordinary user.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "settings/AppLocations.h"
#include "support/TempDir.h"
#include "support/Unprivileged.h"

using testing_support::TempDir;

namespace {

struct LocationCase {
  const char* name;
  bool iniBeside;         // a Vorlet.ini in the program's folder
  bool shipped;           // ../share/vorlet/Vorlet.ini
  bool writable;          // the program's folder
  bool homeOption;        // --home
  const char* xdgConfig;  // "" unset; "ABS/" becomes the scratch folder
  const char* xdgData;
  AppLocations::Kind kind;
  const char* settings;  // expected, "ABS/" and "PROG/" replaced
  const char* data;
  const char* logs;
};

constexpr auto kPortable = AppLocations::Kind::Portable;
constexpr auto kInstalled = AppLocations::Kind::Installed;
constexpr auto kHome = AppLocations::Kind::Home;

const LocationCase kCases[] = {
    {"writable folder", false, false, true, false, "", "", kPortable, "PROG/", "PROG/", "PROG/Log"},
    {"Vorlet.ini in a read-only folder", true, true, false, false, "ABS/c", "ABS/d", kPortable, "PROG/",
     "PROG/", "PROG/Log"},
    {"read-only, XDG set", false, false, false, false, "ABS/c", "ABS/d", kInstalled, "ABS/c/vorlet/",
     "ABS/d/vorlet/", "ABS/d/vorlet/logs"},
    {"installed layout, writable", false, true, true, false, "ABS/c", "ABS/d", kInstalled, "ABS/c/vorlet/",
     "ABS/d/vorlet/", "ABS/d/vorlet/logs"},
    {"XDG unset", false, true, false, false, "", "", kInstalled, "ABS/home/.config/vorlet/",
     "ABS/home/.local/share/vorlet/", "ABS/home/.local/share/vorlet/logs"},
    {"relative XDG ignored", false, true, false, false, "c", "d/", kInstalled, "ABS/home/.config/vorlet/",
     "ABS/home/.local/share/vorlet/", "ABS/home/.local/share/vorlet/logs"},
    {"--home wins", false, true, false, true, "ABS/c", "ABS/d", kHome, "ABS/given/", "ABS/given/",
     "ABS/given/Log"},
};

std::string Expand(std::string text, const std::string& scratch, const std::string& program) {
  for (const auto& [token, value] :
       {std::pair<std::string, std::string>{"ABS/", scratch}, {"PROG/", program}}) {
    if (text.starts_with(token)) text = value + text.substr(token.size());
  }
  return text;
}

}  // namespace

TEST(AppLocationsTest, RuleTable) {
  if (!testing_support::RunAsUnprivileged()) return;
  for (const LocationCase& c : kCases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string program = dir.MakeDir("usr/bin") + "/";
    if (c.iniBeside) dir.Write("usr/bin/Vorlet.ini", "[DB]\r\n");
    if (c.shipped) dir.Write("usr/share/vorlet/Vorlet.ini", "[DB]\r\n");
    if (!c.writable) {
      ASSERT_EQ(::chmod(program.c_str(), 0555), 0);
    }
    LocationEnvironment env{Expand(c.xdgConfig, dir.folder(), program),
                            Expand(c.xdgData, dir.folder(), program), dir.folder() + "home"};

    const AppLocations at =
        ResolveAppLocations(program, c.homeOption ? dir.folder() + "given" : std::string(), env);
    EXPECT_EQ(at.kind, c.kind);
    EXPECT_EQ(at.settingsFolder, Expand(c.settings, dir.folder(), program));
    EXPECT_EQ(at.dataFolder, Expand(c.data, dir.folder(), program));
    EXPECT_EQ(at.logFolder, Expand(c.logs, dir.folder(), program));
    EXPECT_EQ(at.shippedSettings.empty(), c.kind != kInstalled || !c.shipped);
  }
}

TEST(AppLocationsTest, FirstStartCopiesTheShippedSettingsAndNeverReplacesThem) {
  TempDir dir;
  const std::string program = dir.MakeDir("usr/bin") + "/";
  dir.Write("usr/share/vorlet/Vorlet.ini", "[DB]\r\nC0=x\r\n");
  const AppLocations at =
      ResolveAppLocations(program, "", LocationEnvironment{dir.folder() + "c", dir.folder() + "d", ""});
  ASSERT_EQ(at.kind, kInstalled);

  std::string problem;
  ASSERT_TRUE(PrepareAppLocations(at, &problem)) << problem;
  EXPECT_EQ(dir.Read("c/vorlet/Vorlet.ini"), "[DB]\r\nC0=x\r\n");
  struct stat data {};
  ASSERT_EQ(::stat((dir.folder() + "d/vorlet").c_str(), &data), 0);
  EXPECT_EQ(data.st_mode & 0777, 0700u);

  dir.Write("c/vorlet/Vorlet.ini", "[General]\r\nfLog=1\r\n");
  ASSERT_TRUE(PrepareAppLocations(at, &problem)) << problem;
  EXPECT_EQ(dir.Read("c/vorlet/Vorlet.ini"), "[General]\r\nfLog=1\r\n");
}

TEST(AppLocationsTest, ShippedFileBesideTheProgramOrInTheSharedFolder) {
  TempDir dir;
  const std::string program = dir.MakeDir("usr/bin") + "/";
  EXPECT_EQ(FindShippedFile(program, "vorlet.html"), program + "vorlet.html");
  dir.Write("usr/share/vorlet/vorlet.html", "shared");
  EXPECT_EQ(FindShippedFile(program, "vorlet.html"), dir.folder() + "usr/share/vorlet/vorlet.html");
  dir.Write("usr/bin/vorlet.html", "beside");
  EXPECT_EQ(FindShippedFile(program, "vorlet.html"), program + "vorlet.html");
}
