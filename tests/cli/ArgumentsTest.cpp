// vorlet-scan refuses a command line it does not take with exit status 2 and a sentence
// that names what is wrong, before it touches anything.
#include <gtest/gtest.h>

#include "cli/ScanRunner.h"

namespace {

using cli_test::RunScan;
using cli_test::ScanHome;

TEST(ArgumentsTest, BadCommandLinesExitTwoWithAMessage) {
  ScanHome home;
  const struct {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{"--frobnicate"}, "unknown option --frobnicate"},
      {{"--mode", "shred", "/tmp"}, "--mode takes leave, delete, rename or move"},
      {{"-p"}, "option -p needs a value"},
      {{"--quiet=yes", "/tmp"}, "option --quiet takes no value"},
      {{"--list", "/tmp"}, "cannot go with --register or --list"},
      {{"--register", "/tmp", "--mode", "delete"}, "search options cannot go"},
      {{"--log", "", "/tmp"}, "--log needs a file name"},
      {{"--where", "-q"}, "--where goes only with --home"},
      {{"--undo", "run.journal", "/tmp"}, "--undo goes alone"},
      {{"--format", "xml", "/tmp"}, "--format takes text, tsv or json"},
      {{"--list", "--format", "json"}, "--format and --dry-run are about a search"},
      {{"--dry-run", "--auto-log", "/tmp"}, "--dry-run writes no log"},
      {{"--export", "x.tsv", "--list"}, "--export goes with no other action"},
      {{"--check-signatures", "--dry-run", "/tmp"}, "search options cannot go with it"},
      {{"--import", "x.tsv", "--jobs", "2"}, "--import goes with no other action"},
      // A second, different value of a one-value option is refused, not taken over the first.
      {{"-p", "*.exe", "--pattern=*.bin", "/tmp"}, "join them with \";\" in one"},
      {{"--mode", "delete", "--mode", "leave", "/tmp"}, "option --mode is given twice with different values"},
      {{"--subfolders", "--no-subfolders", "/tmp"}, "--subfolders and --no-subfolders cannot go together"},
      {{"--home", "/nonexistent/vorlet"}, "no usable program folder"},
      {{}, "no folder to search"},
  };
  for (const auto& c : cases) {
    // A case that names its own program folder gets no other.
    std::vector<std::string> args = c.args;
    if (args.empty() || args[0] != "--home") args = home.Args(args);
    const auto result = RunScan(args);
    EXPECT_EQ(result.exitStatus, 2) << c.message;
    EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    EXPECT_EQ(result.out, "");
  }
}

TEST(ArgumentsTest, HelpDescribesOptionsEncodingAndExitStatus) {
  const auto result = RunScan({"--help"});
  EXPECT_EQ(result.exitStatus, 0);
  for (const char* text : {"--pattern", "--no-subfolders", "--move-to", "--auto-log", "--register", "--list",
                           "--verbose", "UTF-8", "Exit status"}) {
    EXPECT_NE(result.out.find(text), std::string::npos) << text;
  }
}

}  // namespace
