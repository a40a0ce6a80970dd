#include "result/SignatureCheckFile.h"

#include <charconv>
#include <cstdio>
#include <memory>
#include <string_view>
#include <utility>

#include "db/InvalFileDB.h"
#include "engine/Md5.h"
#include "platform/Clock.h"
#include "platform/Encoding.h"
#include "platform/FileSystem.h"
#include "util/TabFields.h"
#include "settings/LogFormat.h"

namespace {

constexpr char kMagic[] = "vorlet-signature-check 1";
constexpr char kHex[] = "0123456789abcdef";

bool IsTrailByte(unsigned char c) { return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC); }

bool IsPair(std::string_view text, size_t i) {
  return platform::IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() &&
         IsTrailByte(static_cast<unsigned char>(text[i + 1]));
}

// Unlike the log's escaping, a lead byte without its second byte is escaped too.
std::string Escape(std::string_view text) { return EscapeControlCharacters(text, true, true); }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool Unescape(std::string_view text, std::string* out) {
  out->clear();
  for (size_t i = 0; i < text.size(); ++i) {
    if (IsPair(text, i)) {
      out->append(text.substr(i, 2));
      ++i;
      continue;
    }
    if (text[i] != '\\') {
      out->push_back(text[i]);
      continue;
    }
    if (++i == text.size()) return false;
    switch (text[i]) {
      case 't': out->push_back('\t'); break;
      case 'r': out->push_back('\r'); break;
      case 'n': out->push_back('\n'); break;
      case '\\': out->push_back('\\'); break;
      case 'x': {
        const int high = i + 1 < text.size() ? HexValue(text[i + 1]) : -1;
        const int low = i + 2 < text.size() ? HexValue(text[i + 2]) : -1;
        if (high < 0 || low < 0) return false;
        out->push_back(static_cast<char>(high << 4 | low));
        i += 2;
        break;
      }
      default: return false;
    }
  }
  return true;
}

bool ParseCount(std::string_view text, int64_t* value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *value);
  return error == std::errc() && end == text.data() + text.size() && *value >= 0;
}

bool IsHexText(std::string_view text) {
  for (const char c : text) {
    if (HexValue(c) < 0) return false;
  }
  return text.size() % 2 == 0;
}

}  // namespace

std::string SignatureCheckFile::Format() const {
  std::string text = kMagic;
  text += "\nchecked\t" + Escape(checked) + "\n";
  for (const std::string& folder : folders) text += "folder\t" + Escape(folder) + "\n";
  text += "signatures\t" + std::to_string(signatureCount) + "\t" + stamp + "\n";
  for (const Entry& entry : entries) {
    text += std::to_string(entry.count) + "\t" + entry.searchText + "\t" + Escape(entry.category) + "\t" +
            Escape(entry.name) + "\n";
  }
  return text;
}

bool SignatureCheckFile::Parse(const std::string& text, SignatureCheckFile* out) {
  *out = SignatureCheckFile();
  std::string_view rest = text;
  bool first = true;
  bool stamped = false;
  while (!rest.empty()) {
    const size_t end = rest.find('\n');
    // Every line ends with its LF: a file cut short is not taken for a shorter check.
    if (end == std::string_view::npos) return false;
    const std::string_view line = rest.substr(0, end);
    rest.remove_prefix(end + 1);
    if (std::exchange(first, false)) {
      if (line != kMagic) return false;
      continue;
    }
    const std::vector<std::string_view> fields = SplitTabFields(line);
    if (fields[0] == "checked" && fields.size() == 2) {
      if (!Unescape(fields[1], &out->checked)) return false;
    } else if (fields[0] == "folder" && fields.size() == 2) {
      if (!Unescape(fields[1], &out->folders.emplace_back())) return false;
    } else if (fields[0] == "signatures" && fields.size() == 3) {
      if (!ParseCount(fields[1], &out->signatureCount)) return false;
      out->stamp = fields[2];
      stamped = true;
    } else if (fields.size() == 4) {
      Entry& entry = out->entries.emplace_back();
      if (!ParseCount(fields[0], &entry.count) || !IsHexText(fields[1]) || !Unescape(fields[2], &entry.category) ||
          !Unescape(fields[3], &entry.name))
        return false;
      entry.searchText = fields[1];
    } else {
      return false;
    }
  }
  return !first && stamped;
}

bool SignatureCheckFile::Write(const std::string& path, int* error) const {
  return platform::WriteFileAtomic(path, Format(), error);
}

bool SignatureCheckFile::Read(const std::string& path, SignatureCheckFile* out) {
  std::string text;
  return platform::ReadWholeFile(path, &text) && Parse(text, out);
}

std::string SignatureCheckFile::SignatureStamp(const InvalFileDB& store) {
  Md5 md5;
  store.ForEachRecord([&](const std::shared_ptr<InvalFileInfo>& record) {
    // Each text with its terminating NUL, the bytes with their length: no two different
    // sets of records feed the same bytes.
    md5.Update(record->Category().c_str(), record->Category().size() + 1);
    md5.Update(record->Name().c_str(), record->Name().size() + 1);
    const uint32_t length = static_cast<uint32_t>(record->SearchLength());
    const uint8_t size[4] = {uint8_t(length), uint8_t(length >> 8), uint8_t(length >> 16), uint8_t(length >> 24)};
    md5.Update(size, sizeof size);
    if (length > 0) md5.Update(record->SearchBytes(), length);
  });
  uint8_t digest[Md5::kDigestSize];
  md5.Final(digest);
  std::string text;
  for (const uint8_t byte : digest) {
    text.push_back(kHex[byte >> 4]);
    text.push_back(kHex[byte & 0xF]);
  }
  return text;
}

std::string SignatureCheckFile::Now() {
  platform::LocalDateTime local{};
  if (!platform::OleDateToLocal(platform::LocalOleDateNow(), &local)) return std::string();
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", local.year, local.month, local.day, local.hour,
                local.minute, local.second);
  return text;
}

SignatureCheckMarks::SignatureCheckMarks(const SignatureCheckFile& file) {
  for (const SignatureCheckFile::Entry& entry : file.entries) {
    counts_[entry.category][entry.name] = {entry.searchText, entry.count};
  }
}

int64_t SignatureCheckMarks::CountOf(const InvalFileInfo& record) const {
  const auto category = counts_.find(record.Category());
  if (category == counts_.end()) return 0;
  const auto name = category->second.find(record.Name());
  if (name == category->second.end() || name->second.first != record.GetSearchText()) return 0;
  return name->second.second;
}
