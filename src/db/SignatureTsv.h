// The signature exchange file: every record of a store as one line of UTF-8 TSV after a
// header line, so that one machine's signatures can be carried to another and read by
// other tools, and read back into a data file that is the same byte for byte.
//
// Columns, in this order (the header line names them):
//   category, name, risk_level  texts
//   created                     the creation date in OLE days, decimal, the shortest text
//                               that reads back to the same double ("-0", "inf" and "-inf"
//                               as such; a NaN as "nan:" and its 16 hex digits of bits)
//   created_status              the date's validity status, decimal (0 valid)
//   author                      text
//   search_bytes                two lower-case hex digits per byte (the digest), empty for none
//   summary                     text
// A text is the record's CP932 converted to UTF-8 character by character; a character
// that does not convert, or does not come back to the same bytes, is written as \xHH per
// byte, and TAB, CR, LF, the other C0 controls, DEL and the backslash are escaped (\t \r
// \n \xHH \\), so a field never holds a separator and every byte comes back. Lines end in
// LF; reading also takes CR LF and a leading byte order mark, hex digits in either case,
// and any UTF-8 character CP932 holds as itself (not one it holds only as another, which
// would not come back). The data file's texts cannot hold NUL: a text that would is
// refused.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class InvalFileDB;
class InvalFileInfo;

class SignatureTsv {
 public:
  static constexpr char kHeader[] =
      "category\tname\trisk_level\tcreated\tcreated_status\tauthor\tsearch_bytes\tsummary";

  // The header line and one line per record, in the store's order (categories, then names).
  static std::string Export(const InvalFileDB& store);
  // One record's line, LF included.
  static std::string Line(const InvalFileInfo& record);

  // Reads a whole exchange file into records in file order. On a line that is not one of
  // the format (the header included), false with *errorLine (1-based) and *error (English)
  // set, and *records untouched: a file is taken whole or not at all.
  static bool Parse(std::string_view text, std::vector<std::shared_ptr<InvalFileInfo>>* records,
                    size_t* errorLine, std::string* error);

  // One text field each way. DecodeText fails on a broken escape, UTF-8 that is not valid
  // or holds a character CP932 has no code for or holds only as another character (the
  // text would not come back as it was), and on NUL.
  static std::string EncodeText(std::string_view cp932);
  static bool DecodeText(std::string_view field, std::string* cp932, std::string* error);

  // Every field equal, the date's bits included (a NaN date equals its own copy).
  static bool SameContents(const InvalFileInfo& a, const InvalFileInfo& b);
};
