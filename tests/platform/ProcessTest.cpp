#include "platform/Process.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <thread>

#include "support/TempDir.h"

using testing_support::TempDir;

namespace {

bool WaitForFile(const std::string& path) {
  for (int i = 0; i < 500; ++i) {
    if (std::filesystem::exists(path)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

}  // namespace

TEST(ProcessTest, StartsProgramFoundInPathWithArgumentsAsGiven) {
  TempDir dir;
  // Blanks and a quote stay inside the one argument: no shell sees them.
  const std::string target = dir.folder() + "a b 'c'.log";
  int error = -1;
  ASSERT_TRUE(platform::StartDetached({"touch", target}, &error));
  EXPECT_EQ(error, 0);
  EXPECT_TRUE(WaitForFile(target));
}

TEST(ProcessTest, MissingOrUnrunnableProgramIsReported) {
  TempDir dir;
  const std::string notExecutable = dir.Write("editor", "#!/bin/sh\n");
  const struct {
    std::vector<std::string> argv;
    int error;
  } cases[] = {
      {{}, EINVAL},
      {{"vorlet-no-such-editor"}, ENOENT},
      {{dir.folder() + "missing"}, ENOENT},
      {{notExecutable}, EACCES},
  };
  for (const auto& c : cases) {
    int error = 0;
    EXPECT_FALSE(platform::StartDetached(c.argv, &error));
    EXPECT_EQ(error, c.error);
  }
}
