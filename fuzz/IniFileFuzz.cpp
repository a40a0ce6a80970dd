// The settings file reader and writer over any bytes, in any of its encodings (a UTF-8 or
// UTF-16 byte-order mark at the start). Input: an optional edit line "section NUL key NUL
// value LF" followed by the file text; without two NULs in the first line the whole input
// is the text and the edits are made up from what it holds. After a Set the text is read
// again: the value set must read back, and the keys that were readable before read the
// same (a sample of them each run); a Set of the value a key already has changes nothing.
// The index the program reads through must agree with Find.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "FuzzCheck.h"
#include "FuzzSample.h"
#include "settings/IniFile.h"
#include "settings/IniFileIndex.h"

namespace {

// A key line of a section and what the index gives for it (nothing for a key of a later
// section of the same name).
struct Key {
  std::string section, name;
  std::optional<std::string> value;
};

// The sampled key lines and the sampled keys; kept between runs so that a run allocates
// nothing for them once they have grown.
std::vector<size_t> keyLines;
std::vector<Key> keys;

// The input as read, and a text read again, with their indices: kept between runs, each
// reading reuses the memory of the one before (IniFile::Read, IniFileIndex::Rebuild).
IniFile parsed;
IniFileIndex parsedIndex(parsed);
IniFile reread;
IniFileIndex rereadIndex(reread);

bool IsKeyLine(const IniFile& ini, size_t line) {
  std::string_view name, value;
  return ini_text::SplitKeyLine(ini.Line(line), &name, &value);
}

// A sample of the key lines (lines SplitKeyLine takes, under a section head), in order;
// the first and the last key line are among them. Lines are picked (FuzzSample over the
// lines after the first head), each standing for the first key line from it on, so that
// the sample costs no walk over every line. Only a sample: a look-up costs the section
// name's length and Find walks the whole text, so with a long section name over many keys
// all of them would cost the square of the text's length. Find must agree with the index.
const std::vector<Key>& Keys(const IniFile& ini, IniFileIndex& index, uint64_t seed) {
  keyLines.clear();
  const std::vector<size_t>& heads = ini.HeadLines();
  if (!heads.empty()) {
    const size_t first = heads.front() + 1, end = ini.LineCount();
    size_t last = end;
    for (size_t i = end; i > first;) {
      if (IsKeyLine(ini, --i)) {
        last = i;
        break;
      }
    }
    // The picks come in order, and the search from one pick finds the key line for every
    // later pick up to it: the lines are walked at most once.
    for (size_t pick : FuzzSample(end - first, seed)) {
      size_t line = first + pick;
      if (last == end || line > last) break;
      if (!keyLines.empty() && line <= keyLines.back()) continue;
      while (!IsKeyLine(ini, line)) ++line;
      keyLines.push_back(line);
    }
    if (last != end && keyLines.back() != last) keyLines.push_back(last);
  }
  index.Rebuild();
  keys.clear();
  for (size_t line : keyLines) {
    std::string_view name, value;
    ini_text::SplitKeyLine(ini.Line(line), &name, &value);
    Key& key = keys.emplace_back();
    key.section = *ini_text::SectionName(ini.Line(*(std::upper_bound(heads.begin(), heads.end(), line) - 1)));
    key.name = name;
    key.value = index.Find(key.section, key.name);
    FUZZ_CHECK(ini.Find(key.section, key.name) == key.value);
  }
  return keys;
}

// The text before a Set, kept between runs likewise.
std::string before;

// keys are Keys(ini). Returns whether the Set changed the text (and the changed text was
// read again).
bool CheckSet(IniFile& ini, const std::vector<Key>& keys, std::string_view section, std::string_view key,
              std::string_view value) {
  before = ini.Text();
  const bool held = ini.Find(section, key) == value;
  bool changed = true;
  if (!ini.Set(section, key, value, &changed)) {
    FUZZ_CHECK(!changed);
    FUZZ_CHECK(ini.Text() == before);
    return false;
  }
  // A key that already reads as the value leaves the text alone.
  FUZZ_CHECK(changed == !held);
  const std::string& after = ini.Text();
  if (!changed) {
    FUZZ_CHECK(after == before);
    return false;
  }
  reread.Read(after);
  FUZZ_CHECK(reread.Text() == after);
  FUZZ_CHECK(reread.Find(section, key) == value);
  IniFileIndex& index = rereadIndex;
  index.Rebuild();
  FUZZ_CHECK(index.Find(section, key) == value);
  for (const Key& k : keys) {
    if (ini_text::SameName(k.section, ini_text::TrimBlanks(section)) &&
        ini_text::SameName(k.name, ini_text::TrimBlanks(key))) {
      continue;
    }
    FUZZ_CHECK(index.Find(k.section, k.name) == k.value);
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  const uint64_t seed = FuzzSample::Seed(input);
  std::string_view head = input.substr(0, input.find('\n'));
  const size_t nul1 = head.find('\0');
  const size_t nul2 = nul1 == std::string_view::npos ? nul1 : head.find('\0', nul1 + 1);

  if (nul2 != std::string_view::npos) {
    IniFile& ini = parsed;
    ini.Read(input.substr(head.size() == input.size() ? input.size() : head.size() + 1));
    CheckSet(ini, Keys(ini, parsedIndex, seed), head.substr(0, nul1), head.substr(nul1 + 1, nul2 - nul1 - 1), head.substr(nul2 + 1));
    return 0;
  }

  IniFile& ini = parsed;
  ini.Read(input);
  const std::vector<Key>& keys = Keys(ini, parsedIndex, seed);
  // One made-up edit per run, picked by the length, keeps a run to a few parses.
  bool edited = false;
  switch (keys.empty() ? 2 + size % 2 : size % 5) {
    case 0:  // replace the first key in place
      edited = CheckSet(ini, keys, keys.front().section, keys.front().name, " edited \"value\" ");
      break;
    case 1:  // add a key to the last section seen
      edited = CheckSet(ini, keys, keys.back().section, "FuzzAddedKey", "'1'");
      break;
    case 2:
      edited = CheckSet(ini, keys, "General", "FileOpe", "2");
      break;
    case 3:
      edited = CheckSet(ini, keys, "DB", "C0", "\x95\x5C\x8E\xA6");
      break;
    default:  // put back the value the first key reads as
      edited = CheckSet(ini, keys, keys.front().section, keys.front().name, keys.front().value.value_or(""));
      break;
  }
  // Reading is stable: the text as written reads back as the same lines. An edit's text,
  // which holds every line of this one but the line it replaced, was read back already.
  if (!edited) {
    const std::string& text = ini.Text();
    reread.Read(text);
    FUZZ_CHECK(reread.Text() == text);
  }
  return 0;
}
