// The text of one settings (INI) file, read and edited the way the Windows private-profile
// functions treat it: "[Section]" heads and "key=value" lines, names matched without regard
// to ASCII case, blanks (space, TAB) around names and values ignored, one pair of matching
// quotes around a value removed. Texts are CP932 bytes; scanning never splits a double-byte
// character, whose second byte may look like ']' or a letter.
//
// Editing keeps everything else as it was: comments, lines it does not understand, other
// sections and keys, their order and spelling. Only the line endings change: the text is
// always produced with CR LF, as Windows writes these files.
//
// A text that starts with a UTF-8 or UTF-16 byte-order mark is read in that encoding: its
// lines are seen as CP932 and come out again in their own bytes unless a Set replaced
// them, so characters CP932 lacks are never lost; the text is produced in the same
// encoding, mark included.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/IniFileEncoding.h"

class IniFile {
 public:
  IniFile() = default;
  // Lines end with LF, CR LF or a CR not followed by LF; a last line without an ending
  // counts as a line.
  explicit IniFile(std::string_view text);
  // Reads text in place of what the object holds, as if constructed from it, keeping the
  // memory it holds: a reader of many texts in turn allocates only when one outgrows it.
  void Read(std::string_view text);

  // The value of the first key of that name in the first section of that name, trimmed and
  // unquoted; nullopt when the section or the key is missing.
  std::optional<std::string> Find(std::string_view section, std::string_view key) const;

  // Replaces the key's line in place, or adds the key after the last non-blank line of its
  // section, or adds the section with the key at the end of the text. A value that would not
  // come back unchanged (blanks at its ends, matching quotes around it) is written in
  // quotes. Returns false, changing nothing, when a name is empty or any text holds CR, LF
  // or NUL (it would break the line structure), when the section name holds ']' or ends in
  // a lead byte without its second byte, or the key name holds '=' or starts with ';' or '[',
  // or a line to write cannot be stored in the text's encoding. When the key already reads
  // as value nothing changes and *changed (when given) is false.
  bool Set(std::string_view section, std::string_view key, std::string_view value, bool* changed = nullptr);
  // Whether the names and the value are ones Set takes (the encoding aside).
  static bool CanSet(std::string_view section, std::string_view key, std::string_view value);

  // The whole text, every line ended with CR LF, in the text's encoding.
  const std::string& Text() const { return encoding_ == ini_encoding::Encoding::kCp932 ? text_ : stored_; }

  // The lines as CP932, without their endings; a line's view lasts until the next Set.
  size_t LineCount() const { return starts_.size() - 1; }
  std::string_view Line(size_t index) const {
    return std::string_view(text_).substr(starts_[index], starts_[index + 1] - starts_[index] - 2);
  }
  // The indices of the lines that are section heads, in order.
  const std::vector<size_t>& HeadLines() const { return heads_; }

 private:
  // Index of the first section head of that name, or npos.
  size_t FindSection(std::string_view section) const;
  // One past the last line of the section whose head is at index head.
  size_t SectionEnd(size_t head) const;

  // Replaces or inserts line index with text; false, changing nothing, when the text
  // cannot be stored in the encoding.
  bool StoreLine(size_t index, std::string_view text, bool insert);

  ini_encoding::Encoding encoding_ = ini_encoding::Encoding::kCp932;
  // The text is kept whole, not as a string per line: a large file is read with a few
  // allocations, and an edit moves bytes instead of rebuilding it. These are the lines as
  // CP932, each followed by CR LF, so for a CP932 file the text as it is written.
  std::string text_;
  // Where each line starts in text_, and text_'s size after the last.
  std::vector<size_t> starts_{0};
  // Found once, so that looking for a section reads only the heads.
  std::vector<size_t> heads_;
  // For a text with a byte-order mark, the text in its encoding, mark included, laid out
  // like text_: each line in its own bytes (or, for a line a Set wrote, converted) and the
  // encoding's CR LF; storedStarts_ like starts_.
  std::string stored_;
  std::vector<size_t> storedStarts_;
};

namespace ini_text {

// Blanks are space and TAB.
std::string_view TrimBlanks(std::string_view text);
// ASCII letters compared without case; double-byte characters compared as they are.
bool SameName(std::string_view a, std::string_view b);
// The name of a section head ("  [Name] ; note" gives "Name"), or nullopt for other lines.
std::optional<std::string_view> SectionName(std::string_view line);
// A "name=value" line (not a comment, not a section head): the trimmed name and the value as
// the read functions return it. False for other lines.
bool SplitKeyLine(std::string_view line, std::string_view* name, std::string_view* value);

}  // namespace ini_text
