// The block a search fingerprints: its bounds from the settings, short and empty files,
// and the digest and position a hit carries.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/EngineTestSupport.h"
#include "settings/AppFiles.h"

namespace {

using engine_test::Content;
using engine_test::DigestOf;
using engine_test::EngineFixtureBase;
using engine_test::Signature;

class ScanEngineBlockTest : public ::testing::Test, protected EngineFixtureBase {
 protected:
  // The fingerprint the engine takes of one file.
  std::string FingerprintOf(CScanEngine& scanner, const std::string& path) {
    TextList targets;
    EXPECT_TRUE(scanner.Prepare(targets, CPatternList("*.*", ';'), false, store));
    EXPECT_TRUE(scanner.Run(CScanEngine::kSearchBufferSize, CScanEngine::kSearchOverlap));
    EXPECT_EQ(scanner.OpenTarget(path), CScanEngine::kOpened);
    scanner.running = true;
    EXPECT_TRUE(scanner.ProcessFile());
    scanner.CloseTarget();
    return std::string(reinterpret_cast<const char*>(scanner.Fingerprint()), 16);
  }
};

TEST_F(ScanEngineBlockTest, DefaultBlockIsTheFirst257Bytes) {
  EXPECT_EQ(engine.BlockStart(), 0);
  EXPECT_EQ(engine.BlockEnd(), 256);
  const std::string content = Content(5000, 1);
  const std::string path = tree.Write("big.bin", content);
  EXPECT_EQ(FingerprintOf(engine, path), DigestOf(content.substr(0, 257)));
  EXPECT_EQ(engine.BlockLength(), 257);
  EXPECT_EQ(engine.BlockPosition(), 0);
}

TEST_F(ScanEngineBlockTest, FilesAgreeingInTheirBlockMatchTheSameSignature) {
  std::string a = Content(600, 2), b = a;
  b[257] = static_cast<char>(b[257] ^ 0xFF);  // differs just after the block
  std::string c = a;
  c[256] = static_cast<char>(c[256] ^ 0xFF);  // differs in the block's last byte
  tree.Write("a.bin", a);
  tree.Write("b.bin", b);
  tree.Write("c.bin", c);
  store.Add(Signature("cat", "sig", DigestOf(a.substr(0, 257))));
  EXPECT_TRUE(Search());
  std::vector<std::string> hitPaths;
  for (const auto& hit : sink.hits) hitPaths.push_back(hit.path);
  std::sort(hitPaths.begin(), hitPaths.end());
  EXPECT_EQ(hitPaths, (std::vector<std::string>{tree.folder() + "a.bin", tree.folder() + "b.bin"}));
  EXPECT_EQ(sink.searched, 3);
}

TEST_F(ScanEngineBlockTest, ShortAndEmptyFiles) {
  const std::string ten = Content(10, 3);
  tree.Write("ten.bin", ten);
  tree.Write("empty.bin", "");
  store.Add(Signature("cat", "ten", DigestOf(ten)));
  store.Add(Signature("cat", "empty", DigestOf("")));  // an empty file is never fingerprinted
  EXPECT_TRUE(Search());
  EXPECT_EQ(sink.searched, 2);
  ASSERT_EQ(sink.hits.size(), 1u);
  EXPECT_EQ(sink.hits[0].record->Name(), "ten");
}

TEST_F(ScanEngineBlockTest, BoundsComeFromTheSettingsFile) {
  testing_support::TempDir home;
  home.Write("Vorlet.ini", "[ScanDlg]\r\nstart=16\r\nend=31\r\n");
  ASSERT_TRUE(BindSettingsFile(home.path()));
  CScanEngine scanner;  // reads SettingsFile() once
  EXPECT_EQ(scanner.BlockStart(), 16);
  EXPECT_EQ(scanner.BlockEnd(), 31);
  home.Write("Vorlet.ini", "[ScanDlg]\r\nstart=0\r\nend=0\r\n");
  EXPECT_EQ(scanner.BlockEnd(), 31);  // never read again

  const std::string content = Content(100, 4);
  const std::string path = tree.Write("f.bin", content);
  EXPECT_EQ(FingerprintOf(scanner, path), DigestOf(content.substr(16, 16)));
  EXPECT_EQ(scanner.BlockPosition(), 16);
  EXPECT_EQ(scanner.BlockLength(), 16);

  CScanEngine defaults;  // end 0 stands for 256
  EXPECT_EQ(defaults.BlockStart(), 0);
  EXPECT_EQ(defaults.BlockEnd(), 256);
  ASSERT_TRUE(BindSettingsFile(testing_support::TempDir().path()));
}

TEST_F(ScanEngineBlockTest, BlockRangesTable) {
  struct Case {
    const char* ini;
    size_t fileSize;
    size_t from, length;  // the bytes fingerprinted; length 0: nothing read
  };
  const Case cases[] = {
      {"start=16\nend=31\n", 20, 16, 4},        // a short file gives what it has from the start on
      {"start=300\nend=400\n", 100, 0, 0},      // a start beyond the end reads nothing
      {"start=100\nend=100\n", 200, 100, 1},    // one byte
      {"start=50\nend=10\n", 5000, 50, 4950},   // an end before the start: up to the buffer
      {"start=-5\nend=9\n", 50, 0, 15},          // a negative start is not a seek
      {"end=-1\n", 3000, 0, 3000},               // end below start: the whole (small) file
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ini);
    testing_support::TempDir home;
    home.Write("Vorlet.ini", std::string("[ScanDlg]\n") + c.ini);
    ProfileFile ini;
    ASSERT_TRUE(ini.SetPath("Vorlet", home.folder(), "ini", false));
    CScanEngine scanner(ini);
    const std::string content = Content(c.fileSize, 5);
    const std::string path = tree.Write("range.bin", content);
    const std::string fingerprint = FingerprintOf(scanner, path);
    EXPECT_EQ(scanner.BlockLength(), static_cast<int32_t>(c.length));
    if (c.length > 0) {
      EXPECT_EQ(fingerprint, DigestOf(content.substr(c.from, c.length)));
    }
  }
}

TEST_F(ScanEngineBlockTest, AHitCarriesThePathAndTheBlockStart) {
  testing_support::TempDir home;
  home.Write("Vorlet.ini", "[ScanDlg]\nstart=8\nend=0\n");
  ProfileFile ini;
  ASSERT_TRUE(ini.SetPath("Vorlet", home.folder(), "ini", false));
  CScanEngine scanner(ini);
  scanner.SetDetectionSink(&sink);
  const std::string content = Content(400, 6);
  const std::string path = tree.Write("sub/hit.bin", content);
  store.Add(Signature("cat", "sig", DigestOf(content.substr(8, 249))));
  TextList targets;
  targets.Add(tree.path(), false);
  ASSERT_TRUE(scanner.Prepare(targets, CPatternList("*.*", ';'), true, store));
  scanner.running = true;
  EXPECT_TRUE(scanner.Run(CScanEngine::kSearchBufferSize, CScanEngine::kSearchOverlap));
  ASSERT_EQ(sink.hits.size(), 1u);
  EXPECT_EQ(sink.hits[0].path, path);
  EXPECT_EQ(sink.hits[0].position, 8);
}

TEST_F(ScanEngineBlockTest, RunRefusesABadBufferAndKeepsTheLastTimes) {
  tree.Write("a.bin", "x");
  EXPECT_TRUE(Search());
  const LogDateTime start = engine.StartTime();
  EXPECT_FALSE(engine.Run(256, 256));  // overlap not smaller than the buffer
  EXPECT_FALSE(engine.Run(-1, -2));
  EXPECT_EQ(engine.StartTime().oleDate, start.oleDate);
  EXPECT_TRUE(engine.Completed());
  EXPECT_EQ(sink.searched, 1);
  // Size 0 keeps the buffer there is.
  engine.running = true;
  EXPECT_TRUE(engine.Run(0, 0));
  EXPECT_EQ(engine.BufferSize(), CScanEngine::kSearchBufferSize);
  EXPECT_EQ(sink.searched, 2);
}

}  // namespace
