// An ordered list of texts (target folders, recent patterns) in which the forms keep
// entries unique by exact, case-sensitive comparison. Adding, inserting or removing may
// move the entries: hold indexes, not references, across such changes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class TextList {
 public:
  using const_iterator = std::vector<std::string>::const_iterator;

  // With unique set and an equal text present: false, nothing added. A null text: false.
  bool Add(std::string_view text, bool unique);
  bool Add(const char* text, bool unique);
  // Inserts at index (0..size()); false when out of range or (unique) already present.
  bool Insert(size_t index, std::string_view text, bool unique);
  // The first entry equal to the text, or end().
  const_iterator Find(std::string_view text) const;
  // Index of the first entry equal to the text, or -1.
  int IndexOf(std::string_view text) const;
  // The entry at index, or end().
  const_iterator At(size_t index) const;
  // False when the index is out of range.
  bool RemoveAt(size_t index);
  void Clear() { entries_.clear(); }

  size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }
  const std::string& operator[](size_t index) const { return entries_[index]; }
  const_iterator begin() const { return entries_.begin(); }
  const_iterator end() const { return entries_.end(); }

 private:
  std::vector<std::string> entries_;
};
