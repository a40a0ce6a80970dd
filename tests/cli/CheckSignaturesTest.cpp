// vorlet-scan --check-signatures: the signatures that match files of a reference folder,
// with their counts and example paths, the exit status, and the result kept beside the
// data file.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "cli/ScanRunner.h"
#include "result/SignatureCheckFile.h"
#include "support/Unprivileged.h"

namespace {

using cli_test::RunScan;
using cli_test::ScanHome;

struct CheckCase {
  const char* title;
  bool withMatches;
  int exitStatus;
  const char* out;
  size_t entries;  // lines of the check file
  bool viaLink;    // the folder is given as a link to it (/bin on many systems)
};

TEST(CheckSignaturesTest, ListsWhatMatchesTheReferenceFolder) {
  static const CheckCase kCases[] = {
      // Two records share one digest: the store names only the first, yet both match.
      {"matches", true, 1,
       "2\tAdware\tdup\n\tREF/a.txt\n\tREF/sub/b.txt\n"
       "2\tWorm\tlicence\n\tREF/a.txt\n\tREF/sub/b.txt\n",
       2, false},
      {"through a link", true, 1,
       "2\tAdware\tdup\n\tREF/a.txt\n\tREF/sub/b.txt\n"
       "2\tWorm\tlicence\n\tREF/a.txt\n\tREF/sub/b.txt\n",
       2, true},
      {"none", false, 0, "", 0, false},
  };
  for (const CheckCase& c : kCases) {
    SCOPED_TRACE(c.title);
    ScanHome home;
    home.AddSignature("Worm", "licence", "common header");
    home.AddSignature("Worm", "unseen", "nowhere in the reference");
    if (c.withMatches) home.AddSignature("Adware", "dup", "common header");
    home.SaveStore();
    testing_support::TempDir ref;
    ref.Write("a.txt", c.withMatches ? "common header" : "other");
    ref.Write("sub/b.txt", "common header");
    if (!c.withMatches) std::filesystem::remove(ref.path() + "/sub/b.txt");
    ref.Write("c.bin", "unrelated");
    testing_support::TempDir elsewhere;
    const std::string given = c.viaLink ? elsewhere.path() + "/link" : ref.path();
    if (c.viaLink) std::filesystem::create_directory_symlink(ref.path(), given);

    // The settings' patterns and subfolder switch do not narrow the check.
    home.Set("ScanDlg", "fSubDir", "0");
    home.Set("ScanDlg", "File0", "*.exe");
    const auto result = RunScan(home.Args({"-q", "--jobs", "4", "--check-signatures", given}));
    EXPECT_EQ(result.exitStatus, c.exitStatus) << result.err;
    std::string expected = c.out;
    for (size_t at; (at = expected.find("REF")) != std::string::npos;) expected.replace(at, 3, given);
    EXPECT_EQ(result.out, expected);

    SignatureCheckFile file;
    ASSERT_TRUE(SignatureCheckFile::Read(home.path() + "/Vorlet.dat.check", &file));
    EXPECT_EQ(file.entries.size(), c.entries);
    EXPECT_EQ(file.folders, std::vector<std::string>{given});
    EXPECT_EQ(file.stamp, SignatureCheckFile::SignatureStamp(home.store()));
  }
}

TEST(CheckSignaturesTest, UnreadableReferenceFolderChecksNothing) {
  if (!testing_support::RunAsUnprivileged()) return;
  ScanHome home;
  home.AddSignature("Worm", "licence", "common header");
  home.SaveStore();
  testing_support::TempDir ref;
  ref.Write("a.txt", "common header");
  const std::string locked = ref.MakeDir("locked");
  chmod(locked.c_str(), 0);

  const auto result = RunScan(home.Args({"-q", "--check-signatures", ref.path(), locked}));
  EXPECT_EQ(result.exitStatus, 2);
  EXPECT_NE(result.err.find("cannot list " + locked + ": Permission denied"), std::string::npos) << result.err;
  EXPECT_EQ(result.out, "");
  EXPECT_FALSE(std::filesystem::exists(home.path() + "/Vorlet.dat.check"));
}

// A check never processes, logs or narrows its search: such options are refused.
TEST(CheckSignaturesTest, RefusesWhatDoesNotGoWithIt) {
  ScanHome home;
  const struct {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{"--check-signatures"}, "needs at least one FOLDER"},
      {{"--check-signatures", "/tmp", "--mode", "delete"}, "search options cannot go with it"},
      {{"--check-signatures", "/tmp", "--list"}, "cannot go with --register or --list"},
  };
  for (const auto& c : cases) {
    const auto result = RunScan(home.Args(c.args));
    EXPECT_EQ(result.exitStatus, 2) << c.message;
    EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
  }
}

}  // namespace
