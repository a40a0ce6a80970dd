// Search registration: every non-empty file below a folder becomes a record named after
// it, filed under the folder that holds it, whose search bytes are its fingerprint.
#include "engine/SearchRegistration.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "engine/EngineTestSupport.h"
#include "platform/Clock.h"
#include "platform/Encoding.h"
#include "util/CDFile.h"

namespace {

using engine_test::Content;
using engine_test::DigestOf;
using engine_test::EngineFixtureBase;

class SearchRegistrationTest : public ::testing::Test, protected EngineFixtureBase {
 protected:
  std::string SearchBytesOf(const std::shared_ptr<InvalFileInfo>& record) {
    return std::string(reinterpret_cast<const char*>(record->SearchBytes()),
                       static_cast<size_t>(record->SearchLength()));
  }
};

TEST_F(SearchRegistrationTest, SameNameInTwoFoldersGivesTwoRecords) {
  const std::string a = Content(1000, 1), b = Content(30, 2);
  tree.Write("samples/a/x.bin", a);
  tree.Write("samples/b/x.bin", b);
  const double before = platform::LocalOleDateNow();
  EXPECT_TRUE(RegisterFolder(engine, store, tree.path() + "/samples", &host));
  EXPECT_EQ(store.RecordCount(), 2);

  auto ra = store.FindRecord("a", "x.bin");
  auto rb = store.FindRecord("b", "x.bin");
  ASSERT_TRUE(ra && rb);
  EXPECT_EQ(SearchBytesOf(ra), DigestOf(a.substr(0, 257)));
  EXPECT_EQ(SearchBytesOf(rb), DigestOf(b));
  EXPECT_EQ(ra->GetSearchText().size(), 32u);
  EXPECT_TRUE(ra->RiskLevel().empty());
  EXPECT_TRUE(ra->Author().empty());
  EXPECT_TRUE(ra->Summary().empty());
  EXPECT_EQ(ra->CreatedDate().status, 0);
  EXPECT_GE(ra->CreatedDate().days, before - 1e-6);
  EXPECT_LE(ra->CreatedDate().days, platform::LocalOleDateNow() + 1e-6);

  // b's 30 bytes fill less than the block: its signature would hit innocent files.
  EXPECT_EQ(host.statusTexts.back(),
            LoadString(kStrRegisterFinished) + platform::Utf8ToCp932("（誤検出のおそれ 1件：x.bin）"));
  EXPECT_FALSE(engine.running);
  EXPECT_FALSE(engine.registering);
  EXPECT_TRUE(sink.hits.empty());
}

// However the folder is written, the files directly in it are filed under its own name,
// not under "." or "..".
TEST_F(SearchRegistrationTest, FolderSpellingsGiveTheFoldersOwnName) {
  tree.Write("top/a.bin", "alpha");
  tree.Write("top/sub/b.bin", "beta");
  const std::filesystem::path before = std::filesystem::current_path();
  const struct {
    const char* cwd;
    std::string folder;
  } cases[] = {{"", "top"}, {"", "top/"}, {"", "top//"}, {"", "./top/."}, {"top", "."}, {"top", "./"},
               {"", tree.path() + "/top/"}, {"top/sub", ".."}, {"top/sub", "../"}, {"", "top/sub/.."}};
  for (const auto& c : cases) {
    std::filesystem::current_path(tree.path() + "/" + c.cwd);
    store.Clear();
    EXPECT_TRUE(RegisterFolder(engine, store, c.folder, &host)) << c.folder;
    EXPECT_TRUE(store.FindRecord("top", "a.bin") && store.FindRecord("sub", "b.bin")) << c.folder;
    EXPECT_EQ(store.RecordCount(), 2) << c.folder;
  }
  std::filesystem::current_path(before);
}

TEST_F(SearchRegistrationTest, RegisteringTwiceAddsNothing) {
  tree.Write("s/trojan/a.bin", "alpha");
  tree.Write("s/trojan/sub/b.bin", "beta");
  ASSERT_TRUE(RegisterFolder(engine, store, tree.path() + "/s", &host));
  EXPECT_EQ(store.RecordCount(), 2);
  EXPECT_TRUE(store.FindRecord("trojan", "a.bin"));
  EXPECT_TRUE(store.FindRecord("sub", "b.bin"));
  auto first = store.FindRecord("trojan", "a.bin");

  tree.Write("s/trojan/a.bin", "changed");  // the name is taken: still nothing added
  EXPECT_TRUE(RegisterFolder(engine, store, tree.path() + "/s", &host));
  EXPECT_EQ(store.RecordCount(), 2);
  EXPECT_EQ(store.FindRecord("trojan", "a.bin"), first);
  EXPECT_EQ(host.statusTexts.back(), LoadString(kStrRegisterFinished));
}

TEST_F(SearchRegistrationTest, EmptyFilesAndTheDataFileAreNotRegisteredHiddenFilesAre) {
  tree.Write("s/c/empty.bin", "");
  tree.Write("s/c/full.bin", "x");
  ASSERT_TRUE(store.Load(tree.folder() + "s/c/"));
  tree.Write("s/c/Vorlet.dat", "data");
  tree.Write("s/d/Vorlet.dat", "other");  // not the store's
  tree.Write("s/.cache/.x.bin", "hidden");
  EXPECT_TRUE(RegisterFolder(engine, store, tree.path() + "/s", nullptr));
  EXPECT_EQ(store.RecordCount(), 3);
  EXPECT_TRUE(store.FindRecord("c", "full.bin"));
  EXPECT_TRUE(store.FindRecord("d", "Vorlet.dat"));
  EXPECT_TRUE(store.FindRecord(".cache", ".x.bin"));
}

TEST_F(SearchRegistrationTest, ARegisteredFileIsFoundAgainUnderAnyName) {
  const std::string content = Content(700, 9);
  tree.Write("s/worm/sample.exe", content);
  ASSERT_TRUE(RegisterFolder(engine, store, tree.path() + "/s", nullptr));
  tree.Write("elsewhere/renamed.dat", content);
  TextList targets;
  targets.Add(tree.path() + "/elsewhere", false);
  EXPECT_TRUE(SearchTargets(targets, "*.*", true));
  ASSERT_EQ(sink.hits.size(), 1u);
  EXPECT_EQ(sink.hits[0].record->Name(), "sample.exe");
  EXPECT_EQ(sink.hits[0].record->Category(), "worm");
}

TEST_F(SearchRegistrationTest, AStoppedRegistrationKeepsWhatItAdded) {
  for (int i = 0; i < 4; ++i) tree.Write("s/c/f" + std::to_string(i) + ".bin", Content(300, i));
  // The subfolder's pump, then three per file (no comparison): stop before the third file.
  host.stopAtPump = 1 + 3 * 2 + 1;
  EXPECT_FALSE(RegisterFolder(engine, store, tree.path() + "/s", &host));
  EXPECT_EQ(store.RecordCount(), 2);
  EXPECT_EQ(host.statusTexts.back(), LoadString(kStrRegisterStopped));
  EXPECT_FALSE(engine.running);
  EXPECT_FALSE(engine.registering);
}

TEST(RegisteredRecordTest, NamedAfterTheFileAndFiledUnderItsFolder) {
  uint8_t fingerprint[16];
  for (int i = 0; i < 16; ++i) fingerprint[i] = static_cast<uint8_t>(i * 17);
  struct Case {
    const char* path;
    PathStyle style;
    const char* category;
    const char* name;
  };
  const Case cases[] = {
      {"/samples/trojan/a.bin", kNativePathStyle, "trojan", "a.bin"},
      {"/a.bin", kNativePathStyle, "/", "a.bin"},  // a file in the root: the root itself
      {"C:\\samples\\trojan\\a.bin", kBackslashPathStyle, "trojan", "a.bin"},
      {"C:\\a.bin", kBackslashPathStyle, "C:\\", "a.bin"},
      // 表 ends in the backslash byte and stays whole.
      {"C:\\x\\\x95\x5C\\b.bin", kBackslashPathStyle, "\x95\x5C", "b.bin"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    CDFile file(c.style);
    file.AssignPath(c.path);
    auto record = RegisteredRecord(file, fingerprint);
    EXPECT_EQ(record->Category(), c.category);
    EXPECT_EQ(record->Name(), c.name);
    ASSERT_EQ(record->SearchLength(), 16);
    EXPECT_EQ(std::memcmp(record->SearchBytes(), fingerprint, 16), 0);
  }
}

}  // namespace
