// vorlet-scan --where, and an installed copy that keeps its files in the user's folders.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli/ScanRunner.h"

namespace {

using cli_test::RunScan;
using cli_test::RunScanCopy;
using cli_test::ScanHome;

TEST(WhereTest, HomeHoldsTheFilesAndTheSettingsNameTheLogFolder) {
  ScanHome home;
  auto result = RunScan(home.Args({"--where"}));
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.out, "settings file: " + home.path() + "/Vorlet.ini\ndata file: " + home.path() +
                            "/Vorlet.dat\nlog folder: " + home.path() + "/Log\n");
  // What the settings name is shown escaped, as any console line: it sends the terminal nothing.
  home.Set("General", "LogFolder", "/var/log/vorlet\x1b]0;t\x07");
  result = RunScan(home.Args({"--where"}));
  EXPECT_NE(result.out.find("\nlog folder: /var/log/vorlet\\x1B]0;t\\x07\n"), std::string::npos)
      << result.out;
}

TEST(WhereTest, InstalledCopyWorksInTheUsersFolders) {
  testing_support::TempDir dir;
  const std::string program = dir.MakeDir("usr/bin") + "/vorlet-scan";
  std::filesystem::copy_file(VORLET_SCAN_PATH, program);
  const std::string shipped = "[DB]\r\nC0=virus\r\n";
  dir.Write("usr/share/vorlet/Vorlet.ini", shipped);
  dir.Write("samples/a.exe", "sample content");
  const std::vector<std::string> env = {"LANG=C.UTF-8", "HOME=" + dir.path() + "/home",
                                        "XDG_DATA_HOME=" + dir.path() + "/data"};

  auto result = RunScanCopy(program, {"--where"}, env);
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.out, "settings file: " + dir.path() +
                            "/home/.config/vorlet/Vorlet.ini\ndata file: " + dir.path() +
                            "/data/vorlet/Vorlet.dat\nlog folder: " + dir.path() + "/data/vorlet/logs\n");
  EXPECT_FALSE(std::filesystem::exists(dir.path() + "/home"));  // --where makes nothing

  result = RunScanCopy(program, {"--register", dir.path() + "/samples"}, env);
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_EQ(dir.Read("home/.config/vorlet/Vorlet.ini"), shipped);
  EXPECT_TRUE(std::filesystem::exists(dir.path() + "/data/vorlet/Vorlet.dat"));
  result = RunScanCopy(program, {"-q", "-p", "*.exe", "--auto-log", dir.path() + "/samples"}, env);
  EXPECT_EQ(result.exitStatus, 1) << result.err;
  EXPECT_FALSE(std::filesystem::is_empty(dir.path() + "/data/vorlet/logs"));
  EXPECT_FALSE(std::filesystem::exists(dir.path() + "/usr/bin/Vorlet.ini"));
}

}  // namespace
