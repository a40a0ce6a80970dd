// A Shift_JIS text whose positions and counts are characters, not bytes: a lead byte and
// the byte after it count as one character. Paths are taken apart with it so that no
// double-byte character is ever split. The bytes are a std::string, reachable without a
// copy; a text that cannot be built throws CDStringException (never std::bad_alloc).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "util/CDStringException.h"

class CDString {
 public:
  // Character positions are ints (-1 means "none"), so a text holds at most this many bytes.
  static constexpr size_t kMaxBytes = 0x7FFFFFFE;

  CDString() = default;
  CDString(const char* text);  // null gives the empty text
  CDString(const char* bytes, size_t count);
  CDString(std::string_view text);
  CDString(const std::string& text) : CDString(std::string_view(text)) {}
  CDString(std::string&& text);  // takes the bytes over without a copy
  CDString(const CDString& other);
  CDString(CDString&& other) noexcept = default;
  CDString& operator=(const CDString& other);
  CDString& operator=(CDString&& other) noexcept = default;
  CDString& operator=(const char* text);
  CDString& operator=(std::string_view text);

  void Assign(const char* text);
  void Assign(const char* bytes, size_t count);
  void Assign(std::string_view text);
  void Assign(const CDString& other) { *this = other; }
  void Append(std::string_view text);
  void Append(const char* text);
  void Append(char byte);
  void Append(const CDString& other) { Append(other.view()); }
  void Clear() { bytes_.clear(); }

  // The bytes.
  const std::string& str() const { return bytes_; }
  std::string_view view() const { return bytes_; }
  const char* c_str() const { return bytes_.c_str(); }
  size_t ByteLength() const { return bytes_.size(); }
  bool IsEmpty() const { return bytes_.empty(); }
  std::string TakeBytes() { return std::move(bytes_); }

  // Number of characters.
  int Length() const;

  // Searches for a character (a byte value, or lead byte * 256 + second byte) from the byte
  // position *bytePos on. Returns its character position and moves *bytePos past it, or -1
  // (with *bytePos unchanged). A match never starts on a second byte.
  int Find(unsigned int ch, size_t* bytePos) const;
  int FindFirst(unsigned int ch) const;
  int FindLast(unsigned int ch) const;

  // The character value at a position; 0 beyond the end.
  unsigned int CharAt(int pos) const;
  // Byte offset of a character position (the byte length for positions beyond the end).
  size_t ByteOffset(int pos) const;

  // Counts beyond the text are cut to it; negative positions and counts count as 0.
  CDString Left(int count) const;
  CDString Right(int count) const;
  CDString Mid(int start, int count) const;
  CDString MidFrom(int start) const;

  // Compares the first (last) as many characters as the probe has with the probe.
  bool StartsWith(std::string_view probe) const;
  bool EndsWith(std::string_view probe) const;

  // Replaces the character at pos; a double-byte value over a single-byte character shifts
  // the rest right by one byte and the reverse shifts it left. The value 0 ends the text
  // at pos. False (nothing changed) when pos is not a character of the text.
  bool SetCharAt(int pos, unsigned int value);

  friend bool operator==(const CDString& a, const CDString& b) { return a.bytes_ == b.bytes_; }
  friend bool operator==(const CDString& a, std::string_view b) { return a.view() == b; }
  friend bool operator==(const CDString& a, const char* b) { return a.view() == std::string_view(b ? b : ""); }

 private:
  std::string bytes_;
};
