// The signature exchange file: texts come back byte for byte whatever CP932 bytes they
// hold, and a file with one line not of the format gives no records at all.
#include "db/SignatureTsv.h"

#include <gtest/gtest.h>

#include <cmath>

#include "db/InvalFileInfo.h"

namespace {

TEST(SignatureTsvTest, TextsComeBackByteForByte) {
  const struct {
    const char* cp932;
    const char* field;
  } cases[] = {
      {"plain", "plain"},
      // 表 and ソ end in the backslash's byte; only the real backslash is escaped.
      {"\x95\x5C\x83\x5C\\", "\xE8\xA1\xA8\xE3\x82\xBD\\\\"},
      {"a\tb\rc\nd\x01\x7F", "a\\tb\\rc\\nd\\x01\\x7f"},
      {"\xB1", "\xEF\xBD\xB1"},           // half-width katakana
      {"\xF0\x40", "\xEE\x80\x80"},       // the user-defined area, where file names keep raw bytes
      {"\x80\xA0\xFD\xFE\xFF", "\\x80\\xa0\\xfd\\xfe\\xff"},  // no character in glibc's table
      {"x\x81", "x\\x81"},                // a lead byte cut off at the end
      {"\x81\x09z", "\\x81\\x09z"},       // a lead byte before a TAB: no raw TAB gets out
      {"\xED\x40", "\\xed\\x40"},         // converts, but comes back as FA 5C
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.cp932);
    EXPECT_EQ(SignatureTsv::EncodeText(c.cp932), c.field);
    std::string back, error;
    ASSERT_TRUE(SignatureTsv::DecodeText(c.field, &back, &error)) << error;
    EXPECT_EQ(back, c.cp932);
  }
}

TEST(SignatureTsvTest, AMalformedLineGivesNoRecordsAndNamesItsNumber) {
  const std::string header = std::string(SignatureTsv::kHeader) + "\n";
  const std::string good = "c\tn\t\t45000.5\t0\t\t00112233445566778899aabbccddeeff\t\n";
  const struct {
    std::string text;
    size_t line;
    const char* reason;
  } cases[] = {
      {"", 1, "no header"},
      {"category\tname\n" + good, 1, "header"},
      {header + good + "c\tn2\n", 3, "found 2"},
      {header + "c\tn\\q\t\t1\t0\t\t\t\n", 2, "name: a backslash"},
      {header + "c\tn\t\t1\t0\t\t\tend\\x4\n", 2, "summary: \\x needs two hex digits"},
      {header + "c\tn\t\t1\t0\t\\x00\t\t\n", 2, "NUL"},
      {header + "c\tn\t\xF0\x9F\x98\x80\t1\t0\t\t\t\n", 2, "risk_level: not UTF-8, or a character"},
      {header + "c\tn\t\xC3\t1\t0\t\t\t\n", 2, "not UTF-8"},
      // Characters CP932 holds only as another one: two names could fall onto one record.
      {header + "c\tC:\xC2\xA5tools\t\t1\t0\t\t\t\n", 2, "name: U+00A5: Shift_JIS (CP932) holds it only as U+005C"},
      {header + good + "c\twave\xE3\x80\x9C\t\t1\t0\t\t\t\n", 3, "U+301C: Shift_JIS (CP932) holds it only as U+FF5E"},
      {header + "c\tn\t\t1\t0\ta\xE2\x80\x94\\t\t\t\n", 2, "author: U+2014"},
      {header + "c\tn\t\t1\t0\t\t\t\xE2\x88\x92\n", 2, "summary: U+2212"},
      {header + "c\tn\t\tyesterday\t0\t\t\t\n", 2, "created: not a number"},
      {header + "c\tn\t\t1\t0.5\t\t\t\n", 2, "created_status"},
      {header + "c\tn\t\t1\t0\t\t0g\t\n", 2, "search_bytes"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    std::vector<std::shared_ptr<InvalFileInfo>> records(1);
    size_t line = 0;
    std::string error;
    EXPECT_FALSE(SignatureTsv::Parse(c.text, &records, &line, &error));
    EXPECT_EQ(line, c.line);
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    EXPECT_EQ(records.size(), 1u);
  }

  // What other tools may write: a byte order mark, CR LF, upper-case hex, no final newline.
  std::vector<std::shared_ptr<InvalFileInfo>> records;
  size_t line = 0;
  std::string error;
  ASSERT_TRUE(SignatureTsv::Parse("\xEF\xBB\xBF" + std::string(SignatureTsv::kHeader) +
                                      "\r\nc\tn\tr\t-0\t1\ta\tAB\ts\r\nc\tm\t\tnan:7ff8000000000001\t0\t\t\t",
                                  &records, &line, &error))
      << error;
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0]->GetSearchText(), "ab");
  EXPECT_TRUE(std::signbit(records[0]->CreatedDate().days));
  EXPECT_EQ(records[0]->CreatedDate().status, 1);
  EXPECT_EQ(SignatureTsv::Line(*records[1]), "c\tm\t\tnan:7ff8000000000001\t0\t\t\t\n");
}

}  // namespace
