#include "settings/IniFile.h"

#include <algorithm>
#include <initializer_list>

#include "platform/Encoding.h"
#include "util/ShiftJis.h"

namespace ini_text {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Joins texts; also keeps GCC 12 from a false -Wrestrict on "literal" + std::string.
std::string Join(std::initializer_list<std::string_view> parts) {
  std::string text;
  for (std::string_view part : parts) text.append(part);
  return text;
}

bool HasLineBreaker(std::string_view text) { return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos; }

}  // namespace

namespace {

std::string_view TrimLeadingBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  return text;
}

}  // namespace

std::string_view TrimBlanks(std::string_view text) {
  text = TrimLeadingBlanks(text);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool SameName(std::string_view a, std::string_view b) { return shiftjis::EqualIgnoringAsciiCase(a, b); }

namespace {

// Where the head's "]" is in a line trimmed of blanks, or npos when it is no head.
size_t HeadClose(std::string_view trimmed) {
  if (trimmed.empty() || trimmed.front() != '[') return std::string_view::npos;
  return shiftjis::FindLastChar(trimmed.substr(1), ']');
}

}  // namespace

std::optional<std::string_view> SectionName(std::string_view line) {
  // Only the start is trimmed: blanks at the end are neither the head's "[" nor its "]",
  // nor do they decide where a character starts before them.
  line = TrimLeadingBlanks(line);
  const size_t close = HeadClose(line);
  if (close == std::string_view::npos) return std::nullopt;
  return TrimBlanks(line.substr(1, close));
}

bool SplitKeyLine(std::string_view line, std::string_view* name, std::string_view* value) {
  // The end is trimmed with the value: blanks there are no "=" and no head's "]" either.
  line = TrimLeadingBlanks(line);
  if (line.empty() || line.front() == ';' || HeadClose(line) != std::string_view::npos) return false;
  // '=' is never a trail byte, so a plain search is safe.
  size_t equals = line.find('=');
  if (equals == std::string_view::npos) return false;
  *name = TrimBlanks(line.substr(0, equals));
  std::string_view v = TrimBlanks(line.substr(equals + 1));
  if (v.size() > 1 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) v = v.substr(1, v.size() - 2);
  *value = v;
  return true;
}

namespace {

// What IniFile::Set accepts.
bool NameFits(std::string_view name) { return !TrimBlanks(name).empty() && !HasLineBreaker(name); }

// A last lead byte with nothing after it: written before "]", it would take the bracket as
// its second byte and the head would no longer read as one.
bool EndsInCutCharacter(std::string_view text) {
  size_t i = 0, last = 0;
  for (; i < text.size(); i += shiftjis::CharSize(text, i)) last = i;
  return !text.empty() && shiftjis::CharSize(text, last) == 1 && platform::IsLeadByte(static_cast<unsigned char>(text[last]));
}

bool SectionFits(std::string_view section) {
  return NameFits(section) && shiftjis::FindLastChar(section, ']') == std::string_view::npos &&
         !EndsInCutCharacter(TrimBlanks(section));
}

bool KeyFits(std::string_view key) {
  std::string_view trimmed = TrimBlanks(key);
  return NameFits(key) && key.find('=') == std::string_view::npos && trimmed.front() != ';' && trimmed.front() != '[';
}

// The value as it goes into the file so that reading gives it back unchanged.
std::string EncodeValue(std::string_view value) {
  bool edgeBlank = !value.empty() && (IsBlank(value.front()) || IsBlank(value.back()));
  bool quoted = value.size() > 1 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front();
  if (edgeBlank || quoted) return Join({"\"", value, "\""});
  return std::string(value);
}

bool ValueFits(std::string_view value) { return !HasLineBreaker(value); }

}  // namespace

}  // namespace ini_text

using namespace ini_text;

namespace {

// Puts line in place of line index of a text laid out as IniFile keeps it (starts: where
// each line starts, then the text's size; every line followed by end), or before it.
void Splice(std::string& text, std::vector<size_t>& starts, size_t index, std::string_view line,
            std::string_view end, bool insert) {
  const size_t at = starts[index];
  size_t removed = 0;
  if (insert) {
    text.insert(at, Join({line, end}));
    starts.insert(starts.begin() + static_cast<std::ptrdiff_t>(index), at);
  } else {
    removed = starts[index + 1] - at - end.size();
    text.replace(at, removed, line);
  }
  // Unsigned wrap-around makes this a subtraction when the line got shorter.
  const size_t added = (insert ? line.size() + end.size() : line.size()) - removed;
  for (size_t i = index + 1; i < starts.size(); ++i) starts[i] += added;
}

}  // namespace

IniFile::IniFile(std::string_view text) { Read(text); }

void IniFile::Read(std::string_view text) {
  text_.clear();
  starts_.assign(1, 0);
  heads_.clear();
  stored_.clear();
  storedStarts_.clear();
  size_t markSize = 0;
  encoding_ = ini_encoding::Detect(text, &markSize);
  text.remove_prefix(markSize);
  // Each line gains at most two bytes of ending: the text takes one allocation, its
  // line starts another.
  const size_t lines = ini_encoding::CountLines(text, encoding_);
  starts_.reserve(lines + 1);
  if (encoding_ == ini_encoding::Encoding::kCp932) {
    text_.reserve(text.size() + 2 * lines);
    ini_encoding::ForEachLine(text, encoding_, [this](std::string_view line) {
      if (SectionName(line)) heads_.push_back(LineCount());
      text_.append(line);
      text_.append("\r\n");
      starts_.push_back(text_.size());
    });
    return;
  }
  // A character never takes more bytes in CP932 than in UTF-8 or UTF-16; an odd last byte
  // of UTF-16 reads as one more.
  text_.reserve(text.size() + 1 + 2 * lines);
  const std::string_view lineEnd = ini_encoding::LineEnd(encoding_);
  stored_.reserve(markSize + text.size() + lineEnd.size() * lines);
  stored_.append(ini_encoding::Mark(encoding_));
  storedStarts_.reserve(lines + 1);
  storedStarts_.push_back(stored_.size());
  ini_encoding::ForEachLine(text, encoding_, [this, lineEnd](std::string_view line) {
    ini_encoding::AppendCp932(line, encoding_, &text_);
    text_.append("\r\n");
    starts_.push_back(text_.size());
    if (SectionName(Line(LineCount() - 1))) heads_.push_back(LineCount() - 1);
    stored_.append(line);
    stored_.append(lineEnd);
    storedStarts_.push_back(stored_.size());
  });
}

bool IniFile::StoreLine(size_t index, std::string_view text, bool insert) {
  if (encoding_ != ini_encoding::Encoding::kCp932) {
    std::string stored;
    if (!ini_encoding::FromCp932(text, encoding_, &stored)) return false;
    Splice(stored_, storedStarts_, index, stored, ini_encoding::LineEnd(encoding_), insert);
  }
  Splice(text_, starts_, index, text, "\r\n", insert);
  const bool head = SectionName(text).has_value();
  auto at = std::lower_bound(heads_.begin(), heads_.end(), index);
  if (insert) {
    for (auto later = at; later != heads_.end(); ++later) ++*later;
  } else if (at != heads_.end() && *at == index) {
    if (!head) heads_.erase(at);
    return true;
  }
  if (head) heads_.insert(at, index);
  return true;
}

size_t IniFile::FindSection(std::string_view section) const {
  section = TrimBlanks(section);
  for (size_t head : heads_) {
    if (SameName(*SectionName(Line(head)), section)) return head;
  }
  return std::string::npos;
}

size_t IniFile::SectionEnd(size_t head) const {
  auto next = std::upper_bound(heads_.begin(), heads_.end(), head);
  return next == heads_.end() ? LineCount() : *next;
}

std::optional<std::string> IniFile::Find(std::string_view section, std::string_view key) const {
  size_t head = FindSection(section);
  if (head == std::string::npos) return std::nullopt;
  key = TrimBlanks(key);
  size_t end = SectionEnd(head);
  for (size_t i = head + 1; i < end; ++i) {
    std::string_view name, value;
    if (SplitKeyLine(Line(i), &name, &value) && SameName(name, key)) return std::string(value);
  }
  return std::nullopt;
}

bool IniFile::CanSet(std::string_view section, std::string_view key, std::string_view value) {
  return SectionFits(section) && KeyFits(key) && ValueFits(value);
}

bool IniFile::Set(std::string_view section, std::string_view key, std::string_view value, bool* changed) {
  if (changed != nullptr) *changed = false;
  if (!CanSet(section, key, value)) return false;
  section = TrimBlanks(section);
  key = TrimBlanks(key);
  std::string encoded = EncodeValue(value);

  size_t head = FindSection(section);
  if (head == std::string::npos) {
    std::string headLine = Join({"[", section, "]"});
    std::string keyLine = Join({key, "=", encoded});
    std::string unused;
    if (!ini_encoding::FromCp932(keyLine, encoding_, &unused)) return false;
    if (!StoreLine(LineCount(), headLine, true)) return false;
    StoreLine(LineCount(), keyLine, true);
    if (changed != nullptr) *changed = true;
    return true;
  }
  size_t end = SectionEnd(head);
  size_t lastFilled = head;
  for (size_t i = head + 1; i < end; ++i) {
    std::string_view name, old;
    if (SplitKeyLine(Line(i), &name, &old) && SameName(name, key)) {
      // The line Find reads: however it is spelled, a key that already reads as the value
      // is left alone.
      if (old == value) return true;
      // The name keeps the spelling the file has.
      if (!StoreLine(i, Join({name, "=", encoded}), false)) return false;
      if (changed != nullptr) *changed = true;
      return true;
    }
    if (!TrimBlanks(Line(i)).empty()) lastFilled = i;
  }
  // Blank lines that separate the section from the next stay after the new key.
  if (!StoreLine(lastFilled + 1, Join({key, "=", encoded}), true)) return false;
  if (changed != nullptr) *changed = true;
  return true;
}
