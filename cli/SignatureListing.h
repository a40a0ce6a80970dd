// --list: every signature of the store in the store's order (categories, then names), one
// TSV line each: category, name, risk level, date (YYYY-MM-DD HH:MM:SS, empty when not
// valid), author, search text, summary. A TAB, CR, LF or backslash inside a field is
// written as \t, \r, \n or \\ and any other control character as \xHH, so every record
// is one line with seven fields and sends the terminal nothing; a lead byte without its
// second byte is written as \xHH too, so that it never pairs with such an escape.
#pragma once

#include <string>
#include <string_view>

class CliConsole;
class InvalFileDB;
class InvalFileInfo;

class SignatureListing {
 public:
  explicit SignatureListing(CliConsole& console) : console_(console) {}

  // Prints every record; returns how many.
  size_t Print(const InvalFileDB& store);
  // One record's line, converted for the console, newline included.
  std::string Line(const InvalFileInfo& record) const;

  // field with its control characters and backslashes escaped; CP932 in and out (the
  // second byte of a double-byte character is never taken for a backslash).
  static std::string Escape(std::string_view field);
  // "2003-03-10 09:05:07"; empty for a date that is not valid.
  static std::string FormatDate(double oleDate, int status);

 private:
  CliConsole& console_;
};
