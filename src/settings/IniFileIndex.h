// Look-ups into one settings text without walking it for every key: the program reads
// some hundred keys at start, and walking a large file once per key made the start take
// most of a minute. Section heads are indexed at once, the keys of a section the first
// time one of them is asked for. Answers are those of IniFile::Find.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "settings/IniFile.h"

class IniFileIndex {
 public:
  // file must outlive the index and stay unchanged.
  explicit IniFileIndex(const IniFile& file);

  // Not safe to call from two threads at once: it fills the index of a section.
  std::optional<std::string> Find(std::string_view section, std::string_view key);

 private:
  using Keys = std::unordered_map<std::string, std::string_view>;

  const IniFile& file_;
  // Folded section name to the index of its first head.
  std::unordered_map<std::string, size_t> heads_;
  // Head index to the section's keys (folded name to the first value).
  std::unordered_map<size_t, Keys> keys_;
};
