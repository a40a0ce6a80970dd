#include "log/ProcessJournal.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "log/JournalFormat.h"
#include "platform/FileSystem.h"
#include "support/TempDir.h"

namespace {

using testing_support::TempDir;

ProcessedFile Renamed(const std::string& from, const std::string& to) {
  ProcessedFile done;
  done.result = kResultRenamed;
  done.oldPath = from;
  done.newPath = to;
  return done;
}

// The journal is made at the first file processed, in the first folder that takes it,
// never over anything, and a journal that cannot be made is never taken for one.
TEST(ProcessJournalTest, MadeInTheFirstFolderThatTakesItNeverOverAnything) {
  TempDir log, data;
  const LogDateTime start{38000.5, 0};
  const std::string missing = log.path() + "/missing";
  const struct {
    const char* label;
    std::vector<std::string> folders;
    bool firstNameTaken;
    std::string expected;  // empty: nothing can be made
  } cases[] = {
      {"log folder", {log.path(), data.path()}, false, ProcessJournal::PathFor(log.path(), start)},
      {"name taken", {log.path(), data.path()}, true, ProcessJournal::PathFor(log.path(), start, 2)},
      {"no log folder", {missing, data.path()}, false, ProcessJournal::PathFor(data.path(), start)},
      {"nowhere", {missing}, false, ""},
  };
  for (const auto& c : cases) {
    const std::string taken = ProcessJournal::PathFor(log.path(), start);
    platform::RemoveFile(taken);
    platform::RemoveFile(ProcessJournal::PathFor(log.path(), start, 2));
    platform::RemoveFile(ProcessJournal::PathFor(data.path(), start));
    if (c.firstNameTaken) log.Write(taken.substr(log.path().size() + 1), "someone else's");

    ProcessJournal journal;
    journal.Start(c.folders, [&] { return start; });
    const bool first = journal.Record(Renamed("/t/a", "/t/a.INV"));
    // Taken up again after it was let go, as the result form does between files.
    journal.Close();
    const bool second = journal.Record(Renamed("/t/b", "/t/b.INV"));
    journal.Close();

    EXPECT_EQ(first && second, !c.expected.empty()) << c.label;
    EXPECT_EQ(journal.Path(), c.expected) << c.label;
    if (c.firstNameTaken) {
      EXPECT_EQ(log.Read(taken.substr(log.path().size() + 1)), "someone else's");
    }
    if (c.expected.empty()) {
      EXPECT_TRUE(journal.Failed());
      EXPECT_EQ(journal.Error(), ENOENT);
      EXPECT_EQ(journal.Missing(), 2u) << "every processed file it lacks is counted";
      continue;
    }
    std::string content;
    ASSERT_TRUE(platform::ReadWholeFile(c.expected, &content)) << c.label;
    ParsedJournal parsed;
    ASSERT_TRUE(ParseJournal(content, &parsed)) << c.label;
    ASSERT_EQ(parsed.entries.size(), 2u) << c.label;
    EXPECT_EQ(parsed.entries[1].oldPath, "/t/b");
  }
}

}  // namespace
