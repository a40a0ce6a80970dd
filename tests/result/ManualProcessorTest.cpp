#include "result/ManualProcessor.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "result/ScanResultModel.h"
#include "support/TempDir.h"
#include "support/TestRecords.h"
#include "util/MessageBox.h"
#include "util/StringTable.h"

using testing_support::TempDir;

namespace {

platform::FileIdentity IdentityOf(const std::string& path) {
  platform::FileStatus status;
  EXPECT_TRUE(platform::GetStatus(path, &status)) << path;
  return platform::IdentityOf(status);
}

// Answers Yes to every question and keeps the texts shown.
class YesPresenter : public MessagePresenter {
 public:
  YesPresenter() { SetMessagePresenter(this); }
  ~YesPresenter() override { SetMessagePresenter(nullptr); }
  int Show(const std::string& text, MessageButtons, MessageIcon, bool) override {
    texts.push_back(text);
    return kIdYes;
  }
  std::string ChooseFolder(const std::string&, const std::string&) override { return std::string(); }
  std::vector<std::string> texts;
};

struct Swap {
  const char* what;
  void (*make)(const TempDir& dir);  // changes the tree after the search
  const char* keeps;                 // the file that must come through untouched
};

// A file or folder put in the hit's place after the search is refused with message 145, as
// automatic processing refuses it, whatever the user chose; the hit itself still goes.
TEST(ManualProcessorTest, ActsOnlyOnTheFileTheSearchRead) {
  const Swap swaps[] = {
      {"another file under the hit's name",
       [](const TempDir& dir) {
         const std::string other = dir.Write("tree/sub/new", "other");
         ASSERT_EQ(rename(other.c_str(), (dir.folder() + "tree/sub/x.exe").c_str()), 0);
       },
       "tree/sub/x.exe"},
      {"a link for a folder of the path",
       [](const TempDir& dir) {
         ASSERT_EQ(rename((dir.folder() + "tree").c_str(), (dir.folder() + "away").c_str()), 0);
         ASSERT_EQ(symlink((dir.folder() + "canary").c_str(), (dir.folder() + "tree").c_str()), 0);
       },
       "canary/sub/x.exe"},
  };
  const struct {
    int32_t operation;
    const char* target;
  } choices[] = {{kManualDelete, ""}, {kManualRename, "tree/sub/x.INV"}, {kManualMove, "moved/x.exe"}};
  const auto record = MakeRecord("Virus", "Sample", kSampleFingerprintHex);
  YesPresenter presenter;
  for (const Swap* swap : {&swaps[0], &swaps[1], static_cast<const Swap*>(nullptr)}) {
    for (const auto& choice : choices) {
      SCOPED_TRACE(std::string(swap ? swap->what : "nothing swapped") + ", operation " +
                   std::to_string(choice.operation));
      TempDir dir;
      const std::string hitPath = dir.Write("tree/sub/x.exe", "evil");
      dir.Write("canary/sub/x.exe", "evil");
      dir.MakeDir("moved");
      // The search reads the hit and records what it read with it.
      ScanResultModel model;
      model.SetHitIdentityHook([&](platform::FileIdentity* file, platform::FileIdentity* folder) {
        *file = IdentityOf(hitPath);
        *folder = IdentityOf(dir.folder() + "tree/sub");
      });
      model.ResetResult();
      model.AddDetectedFile(hitPath, 0, record);
      const DetectedFile& hit = (*model.Hits())[0];
      if (swap) swap->make(dir);
      const std::string keptBefore = swap ? dir.Read(swap->keeps) : std::string();

      presenter.texts.clear();
      const std::string target = dir.folder() + choice.target;
      const bool done = ProcessByHand(choice.operation, hit.PathText(), hit.Identity(),
                                      [&](const std::string&) { return target; });
      platform::FileStatus status;
      if (swap) {
        EXPECT_FALSE(done);
        EXPECT_EQ(presenter.texts.back(), LoadString(kStrProcessFailed));
        EXPECT_EQ(dir.Read(swap->keeps), keptBefore);
        if (choice.operation != kManualDelete) {
          EXPECT_FALSE(platform::GetLinkStatus(target, &status));
        }
      } else {
        EXPECT_TRUE(done);
        EXPECT_FALSE(platform::GetLinkStatus(hitPath, &status));
      }
    }
  }
}

}  // namespace
