#include "util/TextList.h"

#include <algorithm>

bool TextList::Add(std::string_view text, bool unique) { return Insert(entries_.size(), text, unique); }

bool TextList::Add(const char* text, bool unique) {
  return text != nullptr && Add(std::string_view(text), unique);
}

bool TextList::Insert(size_t index, std::string_view text, bool unique) {
  if (index > entries_.size()) return false;
  if (unique && Find(text) != end()) return false;
  entries_.emplace(entries_.begin() + static_cast<std::ptrdiff_t>(index), text);
  return true;
}

TextList::const_iterator TextList::Find(std::string_view text) const {
  return std::find(entries_.begin(), entries_.end(), text);
}

int TextList::IndexOf(std::string_view text) const {
  const_iterator it = Find(text);
  return it == end() ? -1 : static_cast<int>(it - begin());
}

TextList::const_iterator TextList::At(size_t index) const {
  return index < entries_.size() ? entries_.begin() + static_cast<std::ptrdiff_t>(index) : entries_.end();
}

bool TextList::RemoveAt(size_t index) {
  if (index >= entries_.size()) return false;
  entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(index));
  return true;
}
