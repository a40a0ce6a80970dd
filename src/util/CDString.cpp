#include "util/CDString.h"

#include <algorithm>
#include <new>
#include <stdexcept>
#include <utility>

#include "util/ShiftJis.h"

namespace {

// Every allocation of a text goes through here so that std::bad_alloc leaves as the
// program's own exception.
template <typename F>
void Build(F&& f) {
  try {
    f();
  } catch (const std::bad_alloc&) {
    throw CDStringException(CDStringException::kNoMemory);
  } catch (const std::length_error&) {
    throw CDStringException(CDStringException::kLengthOverflow);
  }
}

void CheckLength(size_t a, size_t b) {
  if (a > CDString::kMaxBytes || b > CDString::kMaxBytes - a) {
    throw CDStringException(CDStringException::kLengthOverflow);
  }
}

unsigned int ValueAt(std::string_view s, size_t i, size_t size) {
  unsigned int v = static_cast<unsigned char>(s[i]);
  return size == 2 ? v * 256 + static_cast<unsigned char>(s[i + 1]) : v;
}

bool IsAt(std::string_view s, size_t i, size_t size, unsigned int ch) { return ValueAt(s, i, size) == ch; }

}  // namespace

CDString::CDString(const char* text) { Assign(text); }
CDString::CDString(const char* bytes, size_t count) { Assign(bytes, count); }
CDString::CDString(std::string_view text) { Assign(text); }
CDString::CDString(std::string&& text) {
  CheckLength(text.size(), 0);
  bytes_ = std::move(text);
}
CDString::CDString(const CDString& other) { Assign(other.view()); }

CDString& CDString::operator=(const CDString& other) {
  if (this != &other) Assign(other.view());
  return *this;
}
CDString& CDString::operator=(const char* text) {
  Assign(text);
  return *this;
}
CDString& CDString::operator=(std::string_view text) {
  Assign(text);
  return *this;
}

void CDString::Assign(const char* text) { Assign(std::string_view(text != nullptr ? text : "")); }
void CDString::Assign(const char* bytes, size_t count) {
  Assign(bytes != nullptr ? std::string_view(bytes, count) : std::string_view());
}
void CDString::Assign(std::string_view text) {
  CheckLength(text.size(), 0);
  Build([&] { bytes_.assign(text.data(), text.size()); });
}

void CDString::Append(std::string_view text) {
  CheckLength(bytes_.size(), text.size());
  Build([&] { bytes_.append(text.data(), text.size()); });
}
void CDString::Append(const char* text) { Append(std::string_view(text != nullptr ? text : "")); }
void CDString::Append(char byte) {
  CheckLength(bytes_.size(), 1);
  Build([&] { bytes_.push_back(byte); });
}

int CDString::Length() const { return shiftjis::CountChars(bytes_); }

int CDString::Find(unsigned int ch, size_t* bytePos) const {
  const size_t from = bytePos != nullptr ? *bytePos : 0;
  int pos = 0;
  size_t i = 0;
  // The characters before from are only counted.
  for (const size_t counted = std::min(from, bytes_.size()); i < counted; ++pos) {
    i += shiftjis::CharSize(bytes_, i);
  }
  for (; i < bytes_.size(); ++pos) {
    const size_t size = shiftjis::CharSize(bytes_, i);
    if (IsAt(bytes_, i, size, ch)) {
      if (bytePos != nullptr) *bytePos = i + size;
      return pos;
    }
    i += size;
  }
  return -1;
}

int CDString::FindFirst(unsigned int ch) const {
  size_t from = 0;
  return Find(ch, &from);
}

int CDString::FindLast(unsigned int ch) const {
  int found = -1;
  int pos = 0;
  for (size_t i = 0; i < bytes_.size(); ++pos) {
    const size_t size = shiftjis::CharSize(bytes_, i);
    if (IsAt(bytes_, i, size, ch)) found = pos;
    i += size;
  }
  return found;
}

unsigned int CDString::CharAt(int pos) const {
  const size_t i = ByteOffset(pos);
  if (pos < 0 || i >= bytes_.size()) return 0;
  return ValueAt(bytes_, i, shiftjis::CharSize(bytes_, i));
}

size_t CDString::ByteOffset(int pos) const {
  size_t i = 0;
  for (int n = 0; n < pos && i < bytes_.size(); ++n) i += shiftjis::CharSize(bytes_, i);
  return i;
}

CDString CDString::Left(int count) const {
  return CDString(std::string_view(bytes_).substr(0, ByteOffset(count)));
}

CDString CDString::Right(int count) const {
  const int length = Length();
  if (count >= length) return *this;
  return CDString(std::string_view(bytes_).substr(ByteOffset(length - (count < 0 ? 0 : count))));
}

CDString CDString::Mid(int start, int count) const {
  const size_t begin = ByteOffset(start);
  size_t end = begin;
  for (int n = 0; n < count && end < bytes_.size(); ++n) end += shiftjis::CharSize(bytes_, end);
  return CDString(std::string_view(bytes_).substr(begin, end - begin));
}

CDString CDString::MidFrom(int start) const { return CDString(std::string_view(bytes_).substr(ByteOffset(start))); }

// The first (last) characters equal the probe exactly when the bytes do and a character
// starts where they end (begin): the text splits into characters there as the probe does.
// So neither walks the text; the check keeps a double-byte character ending in 0x5C from
// passing for a trailing backslash.
bool CDString::StartsWith(std::string_view probe) const {
  return view().starts_with(probe) && shiftjis::IsCharStart(bytes_, probe.size());
}

bool CDString::EndsWith(std::string_view probe) const {
  return view().ends_with(probe) && shiftjis::IsCharStart(bytes_, bytes_.size() - probe.size());
}

bool CDString::SetCharAt(int pos, unsigned int value) {
  if (pos < 0) return false;
  const size_t i = ByteOffset(pos);
  if (i >= bytes_.size()) return false;
  const size_t oldSize = shiftjis::CharSize(bytes_, i);
  if (value == 0) {
    bytes_.resize(i);
    return true;
  }
  char repl[2] = {static_cast<char>(value >> 8), static_cast<char>(value & 0xFF)};
  const bool wide = value > 0xFF;
  if (wide && oldSize == 1) CheckLength(bytes_.size(), 1);
  Build([&] { bytes_.replace(i, oldSize, wide ? repl : repl + 1, wide ? 2 : 1); });
  return true;
}
