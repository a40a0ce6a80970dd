// Reading or fingerprinting ahead on several threads must not change anything a user sees:
// over random trees (hits, files of no interest, empty files, links that lead nowhere or to
// themselves, nested folders, the move folder inside the tree, several patterns) every
// processing mode gives the same stdout, counters, log and resulting tree with --jobs 1 and
// with --jobs 8.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <regex>
#include <set>
#include <thread>

#include "cli/ScanRunner.h"

namespace {

using cli_test::RunScan;
using cli_test::ScanHome;
namespace fs = std::filesystem;

const std::string kSampleA(400, 'A');
const std::string kSampleB = std::string(300, 'B') + "tail";

// The same random tree below root for the same seed.
void MakeTree(const std::string& root, unsigned seed) {
  std::mt19937 rng(seed);
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  std::vector<std::string> folders = {root};
  const int folderCount = 1 + pick(6);
  for (int i = 0; i < folderCount; ++i) {
    const std::string folder = folders[pick(static_cast<int>(folders.size()))] + "/d" + std::to_string(i);
    fs::create_directories(folder);
    folders.push_back(folder);
  }
  fs::create_directories(root + "/moved");
  const char* const extensions[] = {".exe", ".bin", ".TXT", ".dat", ""};
  const int fileCount = 40 + pick(200);
  for (int i = 0; i < fileCount; ++i) {
    const std::string& folder = folders[pick(static_cast<int>(folders.size()))];
    const std::string path = folder + "/f" + std::to_string(i) + extensions[pick(5)];
    switch (pick(8)) {
      case 0: fs::create_symlink(folder + "/nowhere", path); break;
      case 1: fs::create_symlink(path, path); break;
      case 2: { std::ofstream(path) << kSampleA; break; }
      case 3: { std::ofstream(path) << kSampleB; break; }
      case 4: { std::ofstream{path}; break; }
      default: { std::ofstream(path) << std::string(10 + pick(900), static_cast<char>('a' + pick(26))); break; }
    }
  }
  // Something in the move folder, which the search passes over.
  std::ofstream(root + "/moved/old.exe") << kSampleA;
}

std::string Normalised(std::string text, const std::string& root) {
  for (size_t at; (at = text.find(root)) != std::string::npos;) text.replace(at, root.size(), "ROOT");
  // The journal goes beside the log, in the folder above the tree, named after the start.
  const std::string above = root.substr(0, root.rfind('/'));
  for (size_t at; (at = text.find(above)) != std::string::npos;) text.replace(at, above.size(), "ABOVE");
  text = std::regex_replace(text, std::regex("journal-\\d{14}"), "journal-STAMP");
  return std::regex_replace(text, std::regex("\\d{4} \\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d"), "TIME");
}

std::set<std::string> Listing(const std::string& root) {
  std::set<std::string> names;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    std::error_code error;
    names.insert(entry.path().string().substr(root.size()) + " " +
                 std::to_string(entry.is_regular_file(error) ? entry.file_size(error) : 0));
  }
  return names;
}

TEST(ParallelSearchTest, ReadingAheadChangesNothingTheUserSees) {
  ScanHome home;
  home.AddSignature("トロイ", "見本A", kSampleA);
  home.AddSignature("ワーム", "見本B", kSampleB);
  home.SaveStore();
  const std::vector<std::vector<std::string>> modes = {
      {"--mode", "leave"}, {"--mode", "delete"}, {"--rule", "*.*.INV"}, {"--move-to", "MOVE"}};
  const char* const patterns[] = {"*.exe;*.bin", "", "f1*;*.txt;*.*", "*.dat"};
  for (unsigned seed = 1; seed <= 16; ++seed) {
    std::string outcome[2];
    std::set<std::string> trees[2];
    for (int run = 0; run < 2; ++run) {
      testing_support::TempDir dir;
      const std::string root = dir.path() + "/tree";
      MakeTree(root, seed);
      // Blocks are fingerprinted ahead only in folders whose last change is older than a
      // tick of the clock that stamps them: the tree is left to settle.
      std::this_thread::sleep_for(std::chrono::milliseconds(30));
      std::vector<std::string> args = {"-v", "--jobs", run == 0 ? "1" : "8", "--log", dir.path() + "/out.log",
                                       "-p", patterns[seed % 4], seed % 3 == 0 ? "--no-subfolders" : "--subfolders"};
      for (std::string arg : modes[seed % modes.size()]) args.push_back(arg == "MOVE" ? root + "/moved" : arg);
      args.push_back(root);
      const auto result = RunScan(home.Args(args));
      std::error_code error;
      outcome[run] = Normalised(std::to_string(result.exitStatus) + "\n" + result.out + "\n" + result.err + "\n" +
                                    (fs::exists(dir.path() + "/out.log") ? dir.Read("out.log") : "no log"),
                                root);
      trees[run] = Listing(root);
    }
    EXPECT_EQ(outcome[0], outcome[1]) << "seed " << seed;
    EXPECT_EQ(trees[0], trees[1]) << "seed " << seed;
  }
}

}  // namespace
