#include "settings/IniFileIndex.h"

#include <algorithm>

#include "util/ShiftJis.h"

namespace {

// Every byte is folded, second bytes of double-byte characters too: two names that
// ini_text::SameName matches have the same bytes there, so they still hash alike, and the
// few other names that meet on a hash are told apart by SameName.
uint64_t FoldedHash(std::string_view name) {
  uint64_t hash = 14695981039346656037u;
  for (char c : name) hash = (hash ^ static_cast<unsigned char>(shiftjis::LowerAscii(c))) * 1099511628211u;
  return hash;
}

bool Before(uint64_t hash, size_t line, uint64_t otherHash, size_t otherLine) {
  return hash != otherHash ? hash < otherHash : line < otherLine;
}

}  // namespace

IniFileIndex::IniFileIndex(const IniFile& file) : file_(file) { Rebuild(); }

void IniFileIndex::Rebuild() {
  heads_.clear();
  keys_.clear();
  heads_.reserve(file_.HeadLines().size());
  for (size_t line : file_.HeadLines()) {
    heads_.push_back(Head{Name{FoldedHash(*ini_text::SectionName(file_.Line(line))), line}});
  }
  std::sort(heads_.begin(), heads_.end(), [](const Head& a, const Head& b) {
    return Before(a.name.hash, a.name.line, b.name.hash, b.name.line);
  });
}

std::optional<std::string> IniFileIndex::Find(std::string_view section, std::string_view key) {
  section = ini_text::TrimBlanks(section);
  const uint64_t sectionHash = FoldedHash(section);
  auto head = std::lower_bound(heads_.begin(), heads_.end(), sectionHash,
                               [](const Head& h, uint64_t hash) { return h.name.hash < hash; });
  for (; head != heads_.end() && head->name.hash == sectionHash; ++head) {
    if (ini_text::SameName(*ini_text::SectionName(file_.Line(head->name.line)), section)) break;
  }
  if (head == heads_.end() || head->name.hash != sectionHash) return std::nullopt;

  if (!head->indexed) {
    head->indexed = true;
    head->keysBegin = keys_.size();
    const std::vector<size_t>& heads = file_.HeadLines();
    const auto next = std::upper_bound(heads.begin(), heads.end(), head->name.line);
    const size_t sectionEnd = next == heads.end() ? file_.LineCount() : *next;
    for (size_t i = head->name.line + 1; i < sectionEnd; ++i) {
      std::string_view name, value;
      if (ini_text::SplitKeyLine(file_.Line(i), &name, &value)) keys_.push_back(Name{FoldedHash(name), i});
    }
    head->keysEnd = keys_.size();
    std::sort(keys_.begin() + static_cast<std::ptrdiff_t>(head->keysBegin), keys_.end(),
              [](const Name& a, const Name& b) { return Before(a.hash, a.line, b.hash, b.line); });
  }

  key = ini_text::TrimBlanks(key);
  const uint64_t keyHash = FoldedHash(key);
  const auto end = keys_.begin() + static_cast<std::ptrdiff_t>(head->keysEnd);
  auto found = std::lower_bound(keys_.begin() + static_cast<std::ptrdiff_t>(head->keysBegin), end, keyHash,
                                [](const Name& n, uint64_t hash) { return n.hash < hash; });
  for (; found != end && found->hash == keyHash; ++found) {
    std::string_view name, value;
    ini_text::SplitKeyLine(file_.Line(found->line), &name, &value);
    if (ini_text::SameName(name, key)) return std::string(value);
  }
  return std::nullopt;
}
