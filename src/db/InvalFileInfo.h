// One signature record: a name unique within its category, the category, a risk level,
// a creation date, an author, a summary and the search bytes that identify a file's
// contents (typed and shown as hex text). Test compares the record with the file being
// searched; DataFileRecord gives its byte layout in the data file.
//
// The store keeps a record it loaded as bytes of the file and makes the object only when
// someone asks for it; from then on the object is the record. A record held by the store
// is changed only through the store's Modify.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class ContentMatcher;

// An OLE Automation date with its validity status (0 valid), as the data file keeps it.
struct OleDate {
  double days = 0.0;
  int32_t status = 0;

  friend bool operator==(const OleDate&, const OleDate&) = default;
};

class InvalFileInfo : public std::enable_shared_from_this<InvalFileInfo> {
 public:
  // The stored size of a creation date: the 8-byte float, then the 4-byte status.
  static constexpr uint32_t kDateSize = 12;

  InvalFileInfo() = default;
  InvalFileInfo(const InvalFileInfo&) = delete;
  InvalFileInfo& operator=(const InvalFileInfo&) = delete;

  // The editor's values; fails and changes nothing when searchText is not valid hex.
  bool SetFromText(const std::string& name, const std::string& category, const std::string& riskLevel,
                   const OleDate& createdDate, const std::string& author, const std::string& searchText,
                   const std::string& summary);
  // Registration's values; a length of 0 or less gives a record without search bytes.
  void SetFromBytes(const std::string& name, const std::string& category, const std::string& riskLevel,
                    const OleDate& createdDate, const std::string& author, const uint8_t* bytes,
                    int32_t length, const std::string& summary);
  // Every stored field (matched is run-time state and stays).
  void CopyFrom(const InvalFileInfo& other);

  // Two lower-case hex digits per search byte, no separator; empty without search bytes.
  std::string GetSearchText() const;
  // Even length, only 0-9 a-f A-F; the empty text gives no bytes.
  static bool HexToBytes(const std::string& text, std::vector<uint8_t>* bytes);

  // Clears matched, compares through the matcher (false: the search must stop) and, on a
  // match, reports the matcher's file to its sink with this record.
  bool Test(ContentMatcher& matcher);

  const std::string& Name() const { return name_; }
  const std::string& Category() const { return category_; }
  const std::string& RiskLevel() const { return riskLevel_; }
  const OleDate& CreatedDate() const { return createdDate_; }
  const std::string& Author() const { return author_; }
  const std::string& Summary() const { return summary_; }
  int32_t SearchLength() const { return static_cast<int32_t>(searchBytes_.size()); }
  // nullptr when the record has no search bytes.
  const uint8_t* SearchBytes() const { return searchBytes_.empty() ? nullptr : searchBytes_.data(); }
  bool Matched() const { return matched_; }

 private:
  // The store fills a record from the file's bytes and reports a match it found itself.
  friend class InvalFileDB;

  std::string name_;
  std::string category_;
  std::string riskLevel_;
  OleDate createdDate_;
  std::string author_;
  std::vector<uint8_t> searchBytes_;
  std::string summary_;
  bool matched_ = false;
};
