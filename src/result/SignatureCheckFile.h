// What a check of the signatures against folders of known-good files found, kept beside
// the data file (its path + ".check") so that the database editor can mark the records
// that would hit innocent files without the data file itself ever being changed.
//
// The file is small CP932 text, one item a line, LF line ends:
//
//   vorlet-signature-check 1
//   checked<TAB>2026-12-08 07:30:12
//   folder<TAB>/usr
//   signatures<TAB>1000<TAB><stamp: 32 hex digits>
//   <count><TAB><search text><TAB><category><TAB><name>
//
// one "folder" line per folder checked, one count line per record that matched. Texts
// have TAB, CR, LF, backslash, the other controls and a lead byte without its second byte
// escaped (\t \r \n \\ \xHH), so every line splits at its TABs and reads back byte for byte.
//
// A record is marked only while it still has the category, name and search text it was
// checked with: a record changed or removed since simply loses its mark. The stamp covers
// what a check compares (every record's category, name and search bytes), so the editor
// can tell whether records were added or changed after the check, whatever the data
// file's time says (every exit of the desktop program saves it again).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

class InvalFileDB;
class InvalFileInfo;

struct SignatureCheckFile {
  static constexpr const char* kSuffix = ".check";

  struct Entry {
    int64_t count = 0;
    std::string searchText;  // lower-case hex, as InvalFileInfo::GetSearchText
    std::string category;
    std::string name;
  };

  std::string checked;  // local time of the check, "YYYY-MM-DD HH:MM:SS"
  std::vector<std::string> folders;
  int64_t signatureCount = 0;
  std::string stamp;  // SignatureStamp of the store checked
  std::vector<Entry> entries;

  std::string Format() const;
  // false (and *out left partly filled) when text is not such a file.
  static bool Parse(const std::string& text, SignatureCheckFile* out);

  // Written atomically (a temporary file beside it, then renamed); false with *error.
  bool Write(const std::string& path, int* error = nullptr) const;
  // false when the file is missing or not a check file.
  static bool Read(const std::string& path, SignatureCheckFile* out);

  // The 32 hex digits of an MD5 over every record's category, name and search bytes, in
  // the store's order.
  static std::string SignatureStamp(const InvalFileDB& store);
  // The local time now, as "checked" holds it.
  static std::string Now();
};

// The counts of a check file by record, for marking a list of records.
class SignatureCheckMarks {
 public:
  SignatureCheckMarks() = default;
  explicit SignatureCheckMarks(const SignatureCheckFile& file);

  // How many reference files the record matched; 0 when it is not marked.
  int64_t CountOf(const InvalFileInfo& record) const;
  bool Empty() const { return counts_.empty(); }

 private:
  // By category, then name: the search text checked and the count. Looked up without
  // building a key, since a list of 100,000 records asks once per record.
  using Names = std::map<std::string, std::pair<std::string, int64_t>, std::less<>>;
  std::map<std::string, Names, std::less<>> counts_;
};
