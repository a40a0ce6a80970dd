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
#include <string>
#include <string_view>

#include "db/InvalFileInfo.h"

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
