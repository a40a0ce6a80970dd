#include "db/DataFileRecord.h"

#include <bit>
#include <cstring>

#include "util/LittleEndian.h"

namespace db {

namespace {

using detail::IntAt;

std::string_view UpToNul(std::string_view text) {
  if (!detail::HasNul(text.data(), text.size())) return text;
  return text.substr(0, text.find('\0'));
}

void AppendText(std::string_view text, std::string* out) {
  AppendInt(static_cast<int32_t>(text.size()), out);
  out->append(text);
}

}  // namespace

RecordView ViewOf(const InvalFileInfo& record) {
  RecordView view;
  view.name = record.Name();
  view.category = record.Category();
  view.riskLevel = record.RiskLevel();
  view.createdDate = record.CreatedDate();
  view.author = record.Author();
  if (record.SearchLength() > 0) {
    view.searchBytes = {reinterpret_cast<const char*>(record.SearchBytes()), static_cast<size_t>(record.SearchLength())};
  }
  view.summary = record.Summary();
  return view;
}

bool ReadRecord(std::string_view bytes, uint32_t fileLength, size_t* offset, RecordView* view, bool* exact) {
  StoredRecord stored;
  if (!ScanRecord(bytes, fileLength, offset, &stored, exact)) return false;
  RecordView read;
  read.name = UpToNul(stored.name);
  read.category = UpToNul(stored.category);
  read.riskLevel = UpToNul(stored.riskLevel);
  read.author = UpToNul(stored.author);
  read.searchBytes = stored.searchBytes;
  read.summary = UpToNul(stored.summary);
  const auto* raw = reinterpret_cast<const unsigned char*>(stored.date.data());
  read.createdDate.days = std::bit_cast<double>(byte_order::GetLittleEndian64(raw));
  read.createdDate.status = static_cast<int32_t>(byte_order::GetLittleEndian32(raw + 8));
  *view = read;
  return true;
}

namespace {

// Past one text (or block) at at.
const char* Skip(const char* at) { return at + 4 + IntAt(at); }

// The search length of an exact record, and where its search part begins.
const char* SearchPartAt(const char* record) {
  return Skip(Skip(Skip(Skip(Skip(record)))));  // name, category, risk level, date, author
}

}  // namespace

std::string_view NameAt(const char* record) { return {record + 4, IntAt(record)}; }

std::string_view CategoryAt(const char* record) {
  const char* category = Skip(record);
  return {category + 4, IntAt(category)};
}

std::string_view SearchBytesAt(const char* record) {
  const char* part = SearchPartAt(record);
  const uint32_t length = IntAt(part);
  if (length == 0) return {};
  return {part + 8, length};
}

size_t RecordSizeAt(const char* record) {
  const char* part = SearchPartAt(record);
  const uint32_t length = IntAt(part);
  const char* summary = part + 4 + (length == 0 ? 0 : 4 + length);
  return static_cast<size_t>(Skip(summary) - record);
}

void AppendInt(int32_t value, std::string* out) {
  unsigned char raw[4];
  byte_order::PutLittleEndian32(static_cast<uint32_t>(value), raw);
  out->append(reinterpret_cast<const char*>(raw), sizeof raw);
}

bool AppendRecord(const RecordView& view, std::string* out) {
  // Texts are written up to their first NUL, as they are read.
  const std::string_view texts[] = {UpToNul(view.name), UpToNul(view.category), UpToNul(view.riskLevel),
                                    UpToNul(view.author), UpToNul(view.summary)};
  for (std::string_view text : texts) {
    if (text.size() > 0x7FFFFFFFu) return false;
  }
  if (view.searchBytes.size() > 0x7FFFFFFFu) return false;
  unsigned char date[InvalFileInfo::kDateSize];
  byte_order::PutLittleEndian64(std::bit_cast<uint64_t>(view.createdDate.days), date);
  byte_order::PutLittleEndian32(static_cast<uint32_t>(view.createdDate.status), date + 8);

  AppendText(texts[0], out);
  AppendText(texts[1], out);
  AppendText(texts[2], out);
  AppendText({reinterpret_cast<const char*>(date), sizeof date}, out);
  AppendText(texts[3], out);
  const auto length = static_cast<int32_t>(view.searchBytes.size());
  AppendInt(length, out);
  if (length > 0) AppendText(view.searchBytes, out);
  AppendText(texts[4], out);
  return true;
}

}  // namespace db
