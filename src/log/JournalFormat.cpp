#include "log/JournalFormat.h"

#include <charconv>
#include <cstdio>

#include "platform/Encoding.h"
#include "util/TabFields.h"

namespace {

constexpr std::string_view kMagic = "vorlet-journal";
constexpr std::string_view kVersion = "1";

constexpr struct {
  JournalEntry::Kind kind;
  std::string_view word;
} kKinds[] = {{JournalEntry::Kind::Delete, "delete"},
              {JournalEntry::Kind::Rename, "rename"},
              {JournalEntry::Kind::Move, "move"},
              {JournalEntry::Kind::Undone, "undone"}};

// The length of the well-formed UTF-8 sequence at text[i] (no overlong forms, no
// surrogates, nothing above U+10FFFF), 0 when there is none. C1 controls do not count: a
// terminal showing the journal would take them for commands.
size_t Utf8Sequence(std::string_view text, size_t i) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[i + k]); };
  const unsigned char c = byte(0);
  size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;
  if (c == 0xC2) {
    length = 2;
    low = 0xA0;
  } else if (c >= 0xC3 && c <= 0xDF) {
    length = 2;
  } else if (c == 0xE0) {
    length = 3;
    low = 0xA0;
  } else if (c == 0xED) {
    length = 3;
    high = 0x9F;
  } else if (c >= 0xE1 && c <= 0xEF) {
    length = 3;
  } else if (c == 0xF0) {
    length = 4;
    low = 0x90;
  } else if (c == 0xF4) {
    length = 4;
    high = 0x8F;
  } else if (c >= 0xF1 && c <= 0xF3) {
    length = 4;
  }
  if (length == 0 || i + length > text.size() || byte(1) < low || byte(1) > high) return 0;
  for (size_t k = 2; k < length; ++k) {
    if ((byte(k) & 0xC0) != 0x80) return 0;
  }
  return length;
}

template <typename Number>
bool ParseNumber(std::string_view text, Number* value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *value);
  return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

// Absolute: an undo acts on the very paths the run named, never on ones taken from the
// folder it is started in. A ".." component stays: a run given a target such as "../share"
// records it so, and the undo walks it through the folders themselves (JournalUndo.h).
bool ParsePath(std::string_view field, std::string* path) {
  std::string bytes;
  if (field.empty() || !UnescapeJournalField(field, &bytes) || bytes[0] != '/') return false;
  *path = platform::OsNameToCp932(bytes);
  return true;
}

// Every control byte a field holds is escaped and TAB is only a separator, so a line with
// any other control byte in it (kCutLineEnd's among them) is not one a writer finished.
bool HoldsControlByte(std::string_view line) {
  for (const char c : line) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if ((byte < 0x20 && byte != '\t') || byte == 0x7F) return true;
  }
  return false;
}

bool ParseEntry(std::string_view line, JournalEntry* entry) {
  if (HoldsControlByte(line)) return false;
  const std::vector<std::string_view> fields = SplitTabFields(line);
  bool known = false;
  for (const auto& kind : kKinds) {
    if (fields[0] == kind.word) {
      entry->kind = kind.kind;
      known = true;
    }
  }
  if (!known) return false;
  switch (entry->kind) {
    case JournalEntry::Kind::Undone:
      return fields.size() == 2 && ParseNumber(fields[1], &entry->undoneEntry) && entry->undoneEntry > 0;
    case JournalEntry::Kind::Delete:
      return fields.size() == 2 && ParsePath(fields[1], &entry->oldPath);
    case JournalEntry::Kind::Rename:
    case JournalEntry::Kind::Move:
      break;
  }
  if (fields.size() != 7 || !ParsePath(fields[1], &entry->oldPath) || !ParsePath(fields[2], &entry->newPath)) {
    return false;
  }
  if (fields[3].empty() && fields[4].empty() && fields[5].empty() && fields[6].empty()) return true;
  entry->stampKnown = ParseNumber(fields[3], &entry->stamp.device) && ParseNumber(fields[4], &entry->stamp.inode) &&
                      ParseNumber(fields[5], &entry->stamp.size) && ParseNumber(fields[6], &entry->stamp.modifiedNs);
  return entry->stampKnown;
}

}  // namespace

bool SameRecordedState(const platform::FileStamp& recorded, const platform::FileStamp& now) {
  return recorded.device == now.device && recorded.inode == now.inode && recorded.size == now.size &&
         recorded.modifiedNs == now.modifiedNs;
}

std::string JournalHeader() { return std::string(kMagic) + "\t" + std::string(kVersion) + "\n"; }

std::string FormatJournalEntry(const JournalEntry& entry) {
  std::string line;
  for (const auto& kind : kKinds) {
    if (kind.kind == entry.kind) line = kind.word;
  }
  if (entry.kind == JournalEntry::Kind::Undone) return line + "\t" + std::to_string(entry.undoneEntry) + "\n";
  line += '\t';
  line += EscapeJournalField(platform::Cp932ToOsName(entry.oldPath));
  if (entry.kind == JournalEntry::Kind::Delete) return line + "\n";
  line += '\t';
  line += EscapeJournalField(platform::Cp932ToOsName(entry.newPath));
  if (!entry.stampKnown) return line + "\t\t\t\t\n";
  const platform::FileStamp& s = entry.stamp;
  return line + "\t" + std::to_string(s.device) + "\t" + std::to_string(s.inode) + "\t" + std::to_string(s.size) +
         "\t" + std::to_string(s.modifiedNs) + "\n";
}

bool ParseJournal(std::string_view content, ParsedJournal* out) {
  *out = ParsedJournal();
  const std::string header = JournalHeader();
  if (!content.starts_with(header)) return false;
  size_t number = 1;
  for (size_t start = header.size(); start < content.size();) {
    ++number;
    const size_t end = content.find('\n', start);
    // A line without its LF is one a killed writer did not finish.
    if (end == std::string_view::npos) {
      out->damagedLines.push_back(number);
      break;
    }
    JournalEntry entry;
    if (ParseEntry(content.substr(start, end - start), &entry)) {
      out->entries.push_back(std::move(entry));
    } else {
      out->damagedLines.push_back(number);
    }
    start = end + 1;
  }
  return true;
}

std::string EscapeJournalField(std::string_view bytes) {
  std::string field;
  field.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size();) {
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c >= 0x80) {
      if (const size_t length = Utf8Sequence(bytes, i)) {
        field.append(bytes.substr(i, length));
        i += length;
        continue;
      }
    }
    ++i;
    switch (c) {
      case '\t': field += "\\t"; continue;
      case '\n': field += "\\n"; continue;
      case '\r': field += "\\r"; continue;
      case '\\': field += "\\\\"; continue;
      default: break;
    }
    if (c < 0x20 || c >= 0x7F) {
      char escape[5];
      std::snprintf(escape, sizeof escape, "\\x%02X", c);
      field += escape;
    } else {
      field.push_back(static_cast<char>(c));
    }
  }
  return field;
}

bool UnescapeJournalField(std::string_view field, std::string* bytes) {
  bytes->clear();
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] != '\\') {
      bytes->push_back(field[i]);
      continue;
    }
    if (++i >= field.size()) return false;
    switch (field[i]) {
      case 't': bytes->push_back('\t'); break;
      case 'n': bytes->push_back('\n'); break;
      case 'r': bytes->push_back('\r'); break;
      case '\\': bytes->push_back('\\'); break;
      case 'x': {
        unsigned value = 0;
        if (i + 2 >= field.size()) return false;
        const auto [end, error] = std::from_chars(field.data() + i + 1, field.data() + i + 3, value, 16);
        if (error != std::errc() || end != field.data() + i + 3) return false;
        bytes->push_back(static_cast<char>(value));
        i += 2;
        break;
      }
      default: return false;
    }
  }
  return true;
}
