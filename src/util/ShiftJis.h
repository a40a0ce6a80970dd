// Scanning Shift_JIS bytes one character at a time. Every path and pattern helper walks
// texts through these so that the second byte of a double-byte character (which may be
// 0x5C, the backslash, or an ASCII letter) is never taken for a character of its own.
#pragma once

#include <cstddef>
#include <string_view>

#include "platform/Encoding.h"
#include "util/PathStyle.h"

namespace shiftjis {

// Bytes taken by the character starting at i: 2 for a lead byte with a byte after it.
// A lead byte at the very end (a cut text) counts as a character of its own.
inline size_t CharSize(std::string_view text, size_t i) {
  return platform::IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
}

inline int CountChars(std::string_view text) {
  int count = 0;
  for (size_t i = 0; i < text.size(); i += CharSize(text, i)) ++count;
  return count;
}

inline char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }

// Copies text to out (text.size() bytes) with the single-byte letters made lower case;
// second bytes of double-byte characters are copied unchanged.
inline void LowerSingleByteLetters(std::string_view text, char* out) {
  for (size_t i = 0; i < text.size();) {
    if (CharSize(text, i) == 2) {
      out[i] = text[i];
      out[i + 1] = text[i + 1];
      i += 2;
    } else {
      out[i] = LowerAscii(text[i]);
      ++i;
    }
  }
}

// Equal but for the case of ASCII letters; a double-byte character is compared as it is,
// since its second byte may look like a letter.
inline bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  // Names found through a hash or typed alike mostly match byte for byte: one compare.
  if (a == b) return true;
  for (size_t i = 0; i < a.size();) {
    if (CharSize(a, i) == 2) {
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
      i += 2;
    } else {
      if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
      ++i;
    }
  }
  return true;
}

// Whether byte offset b starts a character of text (or is its end), told by the bytes
// before it instead of a walk from the start: the byte after one that is no lead byte
// always starts a character (CharSize pairs a lead byte with any byte after it), so the
// lead bytes directly before b pair up from there, and b starts a character when they are
// even in number. The end is always one: a cut lead byte at the end is a character.
inline bool IsCharStart(std::string_view text, size_t b) {
  if (b >= text.size()) return true;
  size_t run = 0;
  while (run < b && platform::IsLeadByte(static_cast<unsigned char>(text[b - run - 1]))) ++run;
  return run % 2 == 0;
}

// Byte offset of the last single-byte character c in text, or npos; second bytes never count.
inline size_t FindLastChar(std::string_view text, char c) {
  if (platform::IsLeadByte(static_cast<unsigned char>(c))) {
    size_t found = std::string_view::npos;
    for (size_t i = 0; i < text.size(); i += CharSize(text, i)) {
      if (text[i] == c) found = i;
    }
    return found;
  }
  // Searched from the end instead of walking every character from the start. The lead
  // bytes IsCharStart reads before a match never reach back past the c before it (no lead
  // byte), so the text is read at most twice.
  for (size_t i = text.rfind(c); i != std::string_view::npos;
       i = i == 0 ? std::string_view::npos : text.rfind(c, i - 1)) {
    if (IsCharStart(text, i)) return i;
  }
  return std::string_view::npos;
}

// Byte offset of the first single-byte character c at or after byte from (a character's
// start), or npos; second bytes never count.
inline size_t FindChar(std::string_view text, char c, size_t from) {
  if (platform::IsLeadByte(static_cast<unsigned char>(c))) {
    for (size_t i = from; i < text.size(); i += CharSize(text, i)) {
      if (text[i] == c) return i;
    }
    return std::string_view::npos;
  }
  // Searched for as a byte, each match checked as FindLastChar checks it (even a "/" may be
  // a second byte here). The lead bytes before a match never reach back past the match
  // before it, so the text is read at most twice.
  for (size_t i = text.find(c, from); i != std::string_view::npos; i = text.find(c, i + 1)) {
    if (IsCharStart(text, i)) return i;
  }
  return std::string_view::npos;
}

// Byte offset of the last separator character of the path, or npos.
inline size_t FindLastSeparator(std::string_view path, PathStyle style) {
  // Second bytes start at 0x40, so a byte below it is always a character of its own.
  if (static_cast<unsigned char>(style.separator) < 0x40) return path.rfind(style.separator);
  return FindLastChar(path, style.separator);
}

// Byte offset where the file-name part starts: after the last separator, 0 without one.
inline size_t NameStartByte(std::string_view path, PathStyle style) {
  size_t sep = FindLastSeparator(path, style);
  return sep == std::string_view::npos ? 0 : sep + 1;
}

}  // namespace shiftjis
