#include "db/InvalFileInfo.h"

#include "db/ContentMatcher.h"
#include "db/DetectionSink.h"

namespace {

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool InvalFileInfo::HexToBytes(const std::string& text, std::vector<uint8_t>* bytes) {
  if (text.size() % 2 != 0) return false;
  std::vector<uint8_t> converted;
  converted.reserve(text.size() / 2);
  for (size_t i = 0; i < text.size(); i += 2) {
    int high = HexDigitValue(text[i]);
    int low = HexDigitValue(text[i + 1]);
    if (high < 0 || low < 0) return false;
    converted.push_back(static_cast<uint8_t>(high * 16 + low));
  }
  bytes->swap(converted);
  return true;
}

bool InvalFileInfo::SetFromText(const std::string& name, const std::string& category, const std::string& riskLevel,
                                const OleDate& createdDate, const std::string& author,
                                const std::string& searchText, const std::string& summary) {
  std::vector<uint8_t> bytes;
  if (!HexToBytes(searchText, &bytes)) return false;
  SetFromBytes(name, category, riskLevel, createdDate, author, bytes.data(), static_cast<int32_t>(bytes.size()),
               summary);
  return true;
}

void InvalFileInfo::SetFromBytes(const std::string& name, const std::string& category, const std::string& riskLevel,
                                 const OleDate& createdDate, const std::string& author, const uint8_t* bytes,
                                 int32_t length, const std::string& summary) {
  // The store keys a record by a view of its name: an unchanged name keeps its bytes.
  if (name_ != name) name_ = name;
  if (category_ != category) category_ = category;
  riskLevel_ = riskLevel;
  createdDate_ = createdDate;
  author_ = author;
  if (length > 0 && bytes != nullptr) {
    searchBytes_.assign(bytes, bytes + length);
  } else {
    searchBytes_.clear();
  }
  searchBytes_.shrink_to_fit();
  summary_ = summary;
}

void InvalFileInfo::CopyFrom(const InvalFileInfo& other) {
  if (&other == this) return;
  SetFromBytes(other.name_, other.category_, other.riskLevel_, other.createdDate_, other.author_,
               other.SearchBytes(), other.SearchLength(), other.summary_);
}

std::string InvalFileInfo::GetSearchText() const {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(searchBytes_.size() * 2);
  for (uint8_t byte : searchBytes_) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0x0F];
  }
  return text;
}

bool InvalFileInfo::Test(ContentMatcher& matcher) {
  matched_ = false;
  if (!matcher.Compare(SearchBytes(), SearchLength())) return false;
  matched_ = matcher.matched;
  if (matched_ && matcher.sink != nullptr) {
    // A record outside any shared owner (a test's local one) reports without itself.
    matcher.sink->AddDetectedFile(matcher.FilePath(), matcher.position, weak_from_this().lock());
  }
  return true;
}
