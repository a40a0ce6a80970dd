#include "db/InvalFileInfo.h"

#include <bit>

#include "util/LittleEndian.h"
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

bool InvalFileInfo::Serialize(ProfileFile::Direction direction, ProfileFile& file) {
  using Direction = ProfileFile::Direction;
  unsigned char date[kDateSize];
  if (direction == Direction::Store) {
    byte_order::PutLittleEndian64(std::bit_cast<uint64_t>(createdDate_.days), date);
    byte_order::PutLittleEndian32(static_cast<uint32_t>(createdDate_.status), date + 8);
    int32_t length = SearchLength();
    return file.TransferText(direction, name_) && file.TransferText(direction, category_) &&
           file.TransferText(direction, riskLevel_) && file.TransferBlock(direction, date, kDateSize) &&
           file.TransferText(direction, author_) && file.TransferInt(direction, length) &&
           (length == 0 || file.TransferBlock(direction, searchBytes_.data(), static_cast<uint32_t>(length))) &&
           file.TransferText(direction, summary_);
  }

  // Read into locals so that a record cut short by a damaged file keeps its old values.
  std::string name, category, riskLevel, author, summary;
  int32_t length = 0;
  if (!file.TransferText(direction, name) || !file.TransferText(direction, category) ||
      !file.TransferText(direction, riskLevel) || !file.TransferBlock(direction, date, kDateSize) ||
      !file.TransferText(direction, author) || !file.TransferInt(direction, length)) {
    return false;
  }
  // The layout lets a length of 0 or less stand for "no search bytes": nothing follows it.
  // Such a record is written back with length 0, the length of a record without them.
  if (length < 0) length = 0;
  // Checked before the buffer is made: a damaged length must not cost gigabytes.
  if (static_cast<uint32_t>(length) > file.FileLength()) return false;
  std::vector<uint8_t> bytes(static_cast<size_t>(length));
  if (length > 0 && !file.TransferBlock(direction, bytes.data(), static_cast<uint32_t>(length))) return false;
  if (!file.TransferText(direction, summary)) return false;

  name_ = std::move(name);
  category_ = std::move(category);
  riskLevel_ = std::move(riskLevel);
  createdDate_.days = std::bit_cast<double>(byte_order::GetLittleEndian64(date));
  createdDate_.status = static_cast<int32_t>(byte_order::GetLittleEndian32(date + 8));
  author_ = std::move(author);
  searchBytes_ = std::move(bytes);
  summary_ = std::move(summary);
  return true;
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
