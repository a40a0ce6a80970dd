// Look-ups into one settings text without walking it for every key: the program reads
// some hundred keys at start, and walking a large file once per key made the start take
// most of a minute. Section heads are indexed at once, the keys of a section the first
// time one of them is asked for. Answers are those of IniFile::Find.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/IniFile.h"

class IniFileIndex {
 public:
  // file must outlive the index and stay unchanged, or be indexed again (Rebuild).
  explicit IniFileIndex(const IniFile& file);

  // Indexes the file again after it changed (a Set, a Read), keeping the memory it holds.
  void Rebuild();

  // Not safe to call from two threads at once: it fills the index of a section.
  std::optional<std::string> Find(std::string_view section, std::string_view key);

 private:
  // A name of the text by the hash of its case-folded bytes and the line that holds it.
  // Runs of these are sorted by hash, then line, so that the first line of a name is the
  // first of its hash that really matches. No name is copied: the index costs a few
  // allocations however many lines the text has.
  struct Name {
    uint64_t hash;
    size_t line;
  };
  struct Head {
    Name name;
    // The section's keys in keys_, once asked for.
    bool indexed = false;
    size_t keysBegin = 0;
    size_t keysEnd = 0;
  };

  const IniFile& file_;
  std::vector<Head> heads_;
  std::vector<Name> keys_;
};
