#include "settings/IniFileIndex.h"

#include <vector>

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
  const std::vector<std::string>& lines = file.Lines();
  for (size_t i = 0; i < lines.size(); ++i) {
    if (std::optional<std::string_view> name = ini_text::SectionName(lines[i])) heads_.emplace(Folded(*name), i);
  }
}

std::optional<std::string> IniFileIndex::Find(std::string_view section, std::string_view key) {
  auto head = heads_.find(Folded(ini_text::TrimBlanks(section)));
  if (head == heads_.end()) return std::nullopt;
  auto [keys, added] = keys_.try_emplace(head->second);
  if (added) {
    const std::vector<std::string>& lines = file_.Lines();
    for (size_t i = head->second + 1; i < lines.size() && !ini_text::SectionName(lines[i]); ++i) {
      std::string_view name, value;
      if (ini_text::SplitKeyLine(lines[i], &name, &value)) keys->second.emplace(Folded(name), value);
    }
  }
  auto found = keys->second.find(Folded(ini_text::TrimBlanks(key)));
  if (found == keys->second.end()) return std::nullopt;
  return std::string(found->second);
}
