#include "log/JournalFormat.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/Encoding.h"

namespace {

// Every byte a file name may hold comes back as it was, and never breaks the line or its
// fields: the journal is read on another day, perhaps under another locale.
TEST(JournalFormatTest, PathsRoundTripWhateverBytesTheyHold) {
  const struct {
    const char* label;
    std::string osName;
  } cases[] = {
      {"TAB", "a\tb.exe"},
      {"LF and CR", "a\nb\r.exe"},
      {"backslash and escape-like text", "a\\xFF\\t.exe"},
      {"not UTF-8", "bad\xff\xfe.exe"},
      {"cut UTF-8 sequence", "cut\xe8\xa6.exe"},
      {"C1 control", "c1\xc2\x85.exe"},
      {"Japanese", "見本.exe"},
  };
  for (const auto& c : cases) {
    JournalEntry entry;
    entry.kind = JournalEntry::Kind::Move;
    entry.oldPath = platform::OsNameToCp932("/t/" + c.osName);
    entry.newPath = platform::OsNameToCp932("/q/" + c.osName);
    entry.stamp = {2049, 1234567, 600, -5};
    entry.stampKnown = true;
    const std::string line = FormatJournalEntry(entry);
    // Exactly one line; control bytes and bytes that are not UTF-8 never appear as such.
    EXPECT_EQ(line.find('\n'), line.size() - 1) << c.label;
    EXPECT_EQ(line.find_first_of("\r\xff\xfe\x85"), std::string::npos) << c.label << ": " << line;

    ParsedJournal parsed;
    ASSERT_TRUE(ParseJournal(JournalHeader() + line, &parsed)) << c.label;
    ASSERT_EQ(parsed.entries.size(), 1u) << c.label << ": " << line;
    EXPECT_TRUE(parsed.damagedLines.empty()) << c.label;
    const JournalEntry& back = parsed.entries[0];
    EXPECT_EQ(platform::Cp932ToOsName(back.oldPath), "/t/" + c.osName) << c.label;
    EXPECT_EQ(platform::Cp932ToOsName(back.newPath), "/q/" + c.osName) << c.label;
    EXPECT_TRUE(back.stampKnown && back.stamp == entry.stamp) << c.label;
  }
}

// Lines a killed writer cut short or someone edited are named, the others still read.
TEST(JournalFormatTest, DamagedLinesAreNamedAndTheRestIsRead) {
  const std::string content = JournalHeader() +
                              "delete\t/t/a\n"
                              "remove\t/t/b\n"                         // 3: no such entry
                              "rename\t/t/c\t/t/d\t1\t2\t3\n"          // 4: a field missing
                              "move\t/t/e\\q\t/q/e\t1\t2\t3\t4\n"      // 5: no such escape
                              "rename\t/t/f\t/t/g\t\t\t\t\n"           // state not known: read
                              "undone\t1\n"
                              "delete\tt/a\n"                          // 8: relative
                              "delete\t/t/j\x01\n"                     // 9: a control byte
                              "undone\t12" + kCutLineEnd +             // 10: cut, then marked so
                              "move\t/t/h\t/q/h\t1\t2";                // 11: not finished
  ParsedJournal parsed;
  ASSERT_TRUE(ParseJournal(content, &parsed));
  EXPECT_EQ(parsed.damagedLines, (std::vector<size_t>{3, 4, 5, 8, 9, 10, 11}));
  ASSERT_EQ(parsed.entries.size(), 3u);
  EXPECT_EQ(parsed.entries[1].newPath, "/t/g");
  EXPECT_FALSE(parsed.entries[1].stampKnown);
  EXPECT_EQ(parsed.entries[2].undoneEntry, 1u);

  EXPECT_FALSE(ParseJournal("delete\t/t/a\n", &parsed)) << "no header: not a journal";
}

}  // namespace
