// The byte layout of one record in the data file, read with a cursor over the file's bytes
// and written by appending to one buffer:
//
//   name, category, risk level     texts: a 4-byte length, then the bytes
//   creation date                  a block: the length 12, the 8-byte float, the 4-byte status
//   author                         text
//   search length                  4 bytes; when above 0 a block of that many bytes follows
//   summary                        text
//
// All integers little-endian. A record read is a set of views into the bytes it was read
// from, valid as long as they are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "db/InvalFileInfo.h"
#include "util/LittleEndian.h"

namespace db {

struct RecordView {
  std::string_view name;
  std::string_view category;
  std::string_view riskLevel;
  OleDate createdDate;
  std::string_view author;
  std::string_view searchBytes;  // empty: no search bytes
  std::string_view summary;
};

// The view of a record's own fields (valid while the record is unchanged).
RecordView ViewOf(const InvalFileInfo& record);

namespace detail {

inline uint32_t IntAt(const char* at) {
  return byte_order::GetLittleEndian32(reinterpret_cast<const unsigned char*>(at));
}

// Whether text holds a NUL. Texts are mostly a few dozen bytes: eight at a time inline
// costs less than a call to memchr.
inline bool HasNul(const char* text, size_t size) {
  constexpr uint64_t kOnes = 0x0101010101010101u, kHighs = 0x8080808080808080u;
  const auto zeroIn = [](uint64_t word) { return ((word - kOnes) & ~word & kHighs) != 0; };
  if (size >= 8) {
    if (size > 64) return std::memchr(text, 0, size) != nullptr;
    uint64_t word;
    for (size_t at = 0; at + 8 <= size; at += 8) {
      std::memcpy(&word, text + at, 8);
      if (zeroIn(word)) return true;
    }
    std::memcpy(&word, text + size - 8, 8);  // the last bytes again: the loads stay inside
    return zeroIn(word);
  }
  for (size_t at = 0; at < size; ++at) {
    if (text[at] == 0) return true;
  }
  return false;
}

// The reading cursor: every read checks the bounds before it moves.
class Cursor {
 public:
  Cursor(std::string_view bytes, uint32_t fileLength, size_t offset)
      : bytes_(bytes), fileLength_(fileLength), at_(offset) {}

  size_t Offset() const { return at_; }
  bool Int(uint32_t* value) {
    if (bytes_.size() - at_ < 4) return false;
    *value = IntAt(bytes_.data() + at_);
    at_ += 4;
    return true;
  }
  bool Bytes(uint32_t length, std::string_view* out) {
    if (length > fileLength_ || length > bytes_.size() - at_) return false;
    *out = bytes_.substr(at_, length);
    at_ += length;
    return true;
  }
  // A text as stored; *exact becomes false when it holds a NUL (it is the text up to that).
  bool Text(std::string_view* stored, bool* exact) {
    uint32_t length = 0;
    if (!Int(&length) || !Bytes(length, stored)) return false;
    if (HasNul(stored->data(), stored->size())) *exact = false;
    return true;
  }
  // A block whose stored length must be size. The cursor moves by size, not by the length
  // read: the reads after it need not wait for that one (a load is a chain of such reads).
  bool Block(uint32_t size, std::string_view* out) {
    uint32_t length = 0;
    return Int(&length) && length == size && Bytes(size, out);
  }

 private:
  std::string_view bytes_;
  uint32_t fileLength_;
  size_t at_;
};

}  // namespace detail

// A record's fields as stored (texts not cut at a NUL, the date as its raw bytes), where
// they are in the bytes read.
struct StoredRecord {
  std::string_view name;
  std::string_view category;
  std::string_view riskLevel;
  std::string_view date;
  std::string_view author;
  std::string_view searchBytes;  // empty: no search bytes
  std::string_view summary;
};

// Finds the fields of the record at bytes[*offset], with the bounds and rules of ReadRecord
// below (which gives them as a RecordView); inline for a load's loop, which keeps only
// name, category and search bytes.
inline bool ScanRecord(std::string_view bytes, uint32_t fileLength, size_t* offset, StoredRecord* record,
                       bool* exact) {
  detail::Cursor cursor(bytes, fileLength, *offset);
  bool same = true;
  StoredRecord read;
  uint32_t length = 0;
  if (!cursor.Text(&read.name, &same) || !cursor.Text(&read.category, &same) ||
      !cursor.Text(&read.riskLevel, &same) || !cursor.Block(InvalFileInfo::kDateSize, &read.date) ||
      !cursor.Text(&read.author, &same) || !cursor.Int(&length)) {
    return false;
  }
  // The layout lets a length of 0 or less stand for "no search bytes": nothing follows it.
  if (static_cast<int32_t>(length) < 0) {
    length = 0;
    same = false;
  }
  if (length > 0 && !cursor.Block(length, &read.searchBytes)) return false;
  if (!cursor.Text(&read.summary, &same)) return false;
  *record = read;
  *exact = same;
  *offset = cursor.Offset();
  return true;
}

// Reads the record at bytes[*offset]. No text or block length may exceed fileLength (the
// low 32 bits of the file's length) nor what is left of bytes; a text ends at its first NUL
// (as it is written back); a search length below 0 gives no search bytes. On success
// *offset moves past the record and *exact tells whether AppendRecord writes the very bytes
// read (no NUL cut a text short and the search length was not negative). On failure
// nothing is changed.
bool ReadRecord(std::string_view bytes, uint32_t fileLength, size_t* offset, RecordView* view, bool* exact);

// Fields of a record ReadRecord took as exact, found by its lengths alone (they were
// checked when it was read): no bounds, no search for NULs.
std::string_view NameAt(const char* record);
std::string_view CategoryAt(const char* record);
std::string_view SearchBytesAt(const char* record);
size_t RecordSizeAt(const char* record);

// Appends the record's bytes; false (out unchanged) when a text is longer than the layout
// can hold.
bool AppendRecord(const RecordView& view, std::string* out);
void AppendInt(int32_t value, std::string* out);

}  // namespace db
