#include "settings/IniFileIndex.h"

#include "util/ShiftJis.h"

namespace {

// Two names are the same for ini_text::SameName exactly when their folded forms are equal.
std::string Folded(std::string_view name) {
  std::string folded(name.size(), '\0');
  shiftjis::LowerSingleByteLetters(name, folded.data());
  return folded;
}

}  // namespace

IniFileIndex::IniFileIndex(const IniFile& file) : file_(file) {
  for (size_t i = 0; i < file.LineCount(); ++i) {
    if (std::optional<std::string_view> name = ini_text::SectionName(file.Line(i))) heads_.emplace(Folded(*name), i);
  }
}

std::optional<std::string> IniFileIndex::Find(std::string_view section, std::string_view key) {
  auto head = heads_.find(Folded(ini_text::TrimBlanks(section)));
  if (head == heads_.end()) return std::nullopt;
  auto [keys, added] = keys_.try_emplace(head->second);
  if (added) {
    for (size_t i = head->second + 1; i < file_.LineCount() && !ini_text::SectionName(file_.Line(i)); ++i) {
      std::string_view name, value;
      if (ini_text::SplitKeyLine(file_.Line(i), &name, &value)) keys->second.emplace(Folded(name), value);
    }
  }
  auto found = keys->second.find(Folded(ini_text::TrimBlanks(key)));
  if (found == keys->second.end()) return std::nullopt;
  return std::string(found->second);
}
