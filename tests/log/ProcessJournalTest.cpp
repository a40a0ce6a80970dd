#include "log/ProcessJournal.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <functional>
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

// Let go between processings, the journal is taken up again by its path: whatever was put
// in its place meanwhile is never written, and the record fails.
TEST(ProcessJournalTest, TakenUpAgainOnlyWhileItIsTheFileMade) {
  const LogDateTime start{38000.5, 0};
  const struct {
    const char* label;
    std::function<void(const TempDir&, const std::string&)> swap;
    int error;
  } cases[] = {
      {"a link to another file", [](const TempDir& log, const std::string& journal) {
         ASSERT_EQ(unlink(journal.c_str()), 0);
         ASSERT_EQ(symlink((log.folder() + "other").c_str(), journal.c_str()), 0);
       }, ELOOP},
      {"another file", [](const TempDir& log, const std::string& journal) {
         ASSERT_EQ(std::rename((log.folder() + "other").c_str(), journal.c_str()), 0);
       }, ESTALE},
  };
  for (const auto& c : cases) {
    TempDir log;
    log.Write("other", "other\n");
    ProcessJournal journal;
    journal.Start({log.path()}, [&] { return start; });
    ASSERT_TRUE(journal.Record(Renamed("/t/a", "/t/a.INV"))) << c.label;
    journal.Close();
    c.swap(log, journal.Path());

    EXPECT_FALSE(journal.Record(Renamed("/t/b", "/t/b.INV"))) << c.label;
    EXPECT_EQ(journal.Error(), c.error) << c.label;
    std::string other;
    ASSERT_TRUE(platform::ReadWholeFile(journal.Path(), &other)) << c.label;
    EXPECT_EQ(other, "other\n") << c.label;
  }
}

}  // namespace
