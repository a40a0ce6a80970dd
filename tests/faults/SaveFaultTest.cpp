// A save that fails half-way, for every file the program writes (data file, settings,
// log) and every step of the atomic replacement: the old file stays byte for byte and no
// temporary or partial file is left beside it.
#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <ostream>
#include <string>

#include "db/InvalFileDB.h"
#include "engine/EngineTestSupport.h"
#include "faults/FaultTestSupport.h"
#include "platform/Faults.h"
#include "platform/TempFile.h"
#include "result/DetectedFileList.h"
#include "settings/ProfileFile.h"
#include "log/SearchLog.h"
#include "support/TempDir.h"

namespace {

using platform::faults::Call;
using testing_support::TempDir;

struct SavedFile {
  const char* name;
  // Writes the file's first version (true) or its second (false); true when it was saved.
  std::function<bool(const std::string& folder, bool first)> save;
};

bool SaveStore(const std::string& folder, bool first) {
  InvalFileDB store;
  store.Add(engine_test::Signature("cat", "one", std::string(16, '\x01')));
  if (!first) store.Add(engine_test::Signature("cat", "two", std::string(16, '\x02')));
  return store.Save(folder);
}

bool SaveSetting(const std::string& folder, bool first) {
  ProfileFile settings;
  settings.SetPath("Vorlet", folder, "ini", false);
  return settings.PutSettingText("General", "MoveFolder", first ? "/old" : "/new/folder");
}

bool SaveLog(const std::string& folder, bool first) {
  SearchRunInfo run;
  run.patternText = first ? "*.exe" : "*.com;*.bat";
  run.targets = {first ? "/old" : "/new"};
  ProfileFile log;
  return WriteLogFile(folder + "search.log", run, nullptr, log);
}

const SavedFile kFiles[] = {
    {"Vorlet.dat", SaveStore},
    {"Vorlet.ini", SaveSetting},
    {"search.log", SaveLog},
};

struct Fault {
  const char* what;
  Call call;
  int error;
  bool onTemporary;  // armed on the temporary file the content is written to, not on the file's own name
};

const Fault kFaults[] = {
    {"disk full on write", Call::Write, ENOSPC, true},
    {"I/O error on write", Call::Write, EIO, true},
    {"I/O error on fsync", Call::Fsync, EIO, true},
    {"disk full on fsync", Call::Fsync, ENOSPC, true},
    {"I/O error on rename", Call::Rename, EIO, false},
    {"disk full creating the temporary", Call::Open, ENOSPC, true},
};

// Readable parameters in the test list.
void PrintTo(const SavedFile& file, std::ostream* out) { *out << file.name; }
void PrintTo(const Fault& fault, std::ostream* out) { *out << fault.what; }

class SaveFaultTest : public ::testing::TestWithParam<std::tuple<SavedFile, Fault>> {};

TEST_P(SaveFaultTest, OldFileStaysAndNothingIsLeftBehind) {
  const auto& [file, fault] = GetParam();
  TempDir dir;
  ASSERT_TRUE(file.save(dir.folder(), true));
  const std::string old = dir.Read(file.name);
  ASSERT_FALSE(old.empty());
  const fault_test::TreeSnapshot before = fault_test::SnapshotTree(dir.path());

  platform::faults::Scope faults;
  platform::faults::Arm(fault.call, fault.error, 0, fault.onTemporary ? std::string(platform::kTemporaryPrefix) : std::string(file.name));
  EXPECT_FALSE(file.save(dir.folder(), false)) << fault.what;
  EXPECT_GE(platform::faults::FailuresInjected(), 1) << "the fault never fired: " << fault.what;

  EXPECT_EQ(dir.Read(file.name), old);
  std::vector<std::string> report;
  EXPECT_EQ(fault_test::CountDifferences(before, fault_test::SnapshotTree(dir.path()), &report), 0u)
      << ::testing::PrintToString(report);

  // Once the disk is well again the same save goes through.
  platform::faults::Reset();
  EXPECT_TRUE(file.save(dir.folder(), false));
  EXPECT_NE(dir.Read(file.name), old);
}

std::string CaseName(const ::testing::TestParamInfo<std::tuple<SavedFile, Fault>>& info) {
  std::string name = std::string(std::get<0>(info.param).name) + "_" + std::get<1>(info.param).what;
  for (char& c : name) {
    if (!isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(EveryFileEveryStep, SaveFaultTest,
                         ::testing::Combine(::testing::ValuesIn(kFiles), ::testing::ValuesIn(kFaults)), CaseName);

}  // namespace
