// The settings file reader and writer over any bytes. Input: an optional edit line
// "section NUL key NUL value LF" followed by the file text; without two NULs in the first
// line the whole input is the text and the edits are made up from what it holds. After a
// Set the text is read again: the value set must read back, and every key that was
// readable before reads the same.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "settings/IniFile.h"

namespace {

struct Key {
  std::string section, name;
  std::optional<std::string> value;
};

// The lines as IniFile splits them: at LF, one CR before it dropped.
std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

// Every key line under a section head, with what Find gives for it.
std::vector<Key> Keys(const IniFile& ini) {
  std::vector<Key> keys;
  const std::string text = ini.Text();
  std::optional<std::string_view> section;
  for (std::string_view line : Lines(text)) {
    if (auto head = ini_text::SectionName(line)) {
      section = head;
      continue;
    }
    std::string_view name, value;
    if (section && ini_text::SplitKeyLine(line, &name, &value)) {
      keys.push_back({std::string(*section), std::string(name), std::nullopt});
    }
  }
  for (Key& key : keys) key.value = ini.Find(key.section, key.name);
  return keys;
}

void CheckSet(IniFile& ini, std::string_view section, std::string_view key, std::string_view value) {
  const std::string before = ini.Text();
  const std::vector<Key> keys = Keys(ini);
  if (!ini.Set(section, key, value)) {
    FUZZ_CHECK(ini.Text() == before);
    return;
  }
  const std::string after = ini.Text();
  const IniFile reread(after);
  FUZZ_CHECK(reread.Text() == after);
  const std::optional<std::string> readBack = reread.Find(section, key);
  FUZZ_CHECK(readBack.has_value());
  FUZZ_CHECK(*readBack == value);
  for (const Key& k : keys) {
    if (ini_text::SameName(k.section, ini_text::TrimBlanks(section)) &&
        ini_text::SameName(k.name, ini_text::TrimBlanks(key))) {
      continue;
    }
    FUZZ_CHECK(reread.Find(k.section, k.name) == k.value);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::string_view head = input.substr(0, input.find('\n'));
  const size_t nul1 = head.find('\0');
  const size_t nul2 = nul1 == std::string_view::npos ? nul1 : head.find('\0', nul1 + 1);

  if (nul2 != std::string_view::npos) {
    IniFile ini(input.substr(head.size() == input.size() ? input.size() : head.size() + 1));
    CheckSet(ini, head.substr(0, nul1), head.substr(nul1 + 1, nul2 - nul1 - 1), head.substr(nul2 + 1));
    return 0;
  }

  IniFile ini(input);
  // Reading is stable: the text as written reads back as the same lines.
  const std::string text = ini.Text();
  FUZZ_CHECK(IniFile(text).Text() == text);
  const std::vector<Key> keys = Keys(ini);
  if (!keys.empty()) {
    // Replace the first key in place, and add a key to the last section seen.
    CheckSet(ini, keys.front().section, keys.front().name, " edited \"value\" ");
    CheckSet(ini, keys.back().section, "FuzzAddedKey", "'1'");
  }
  CheckSet(ini, "General", "FileOpe", "2");
  CheckSet(ini, "DB", "C0", "\x95\x5C\x8E\xA6");
  return 0;
}
