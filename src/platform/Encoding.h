// Conversion between the CP932 (Shift_JIS) texts the program keeps everywhere and the
// UTF-8 of the operating system and of Qt. Nothing else in the program converts text.
//
// File names get a lossless pair: a name byte sequence that CP932 cannot hold (invalid
// UTF-8, a character outside CP932, one that does not come back unchanged) is carried
// byte by byte in the CP932 user-defined area, so every file stays visible, and
// Cp932ToOsName gives the original bytes back.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Display and typed text. Bytes that do not convert become U+FFFD / "?".
std::string Cp932ToUtf8(std::string_view cp932);
std::string Utf8ToCp932(std::string_view utf8);

// File names and paths, lossless both ways (Cp932ToOsName(OsNameToCp932(x)) == x).
std::string OsNameToCp932(std::string_view osBytes);
std::string Cp932ToOsName(std::string_view cp932);

// Well-formed UTF-8 throughout (no overlong form, surrogate or code above U+10FFFF).
bool IsValidUtf8(std::string_view text);

// Only bytes below 0x80: such a text is the same in CP932 and UTF-8.
inline bool IsPlainAscii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// A name of the file system that OsNameToCp932 gives back as it is: ASCII without a
// backslash. A backslash of a name travels as a double-byte code, so that in the log a
// single-byte backslash is only ever the start of an escape ("\t" is never a name's own).
inline bool IsPlainOsName(std::string_view name) {
  for (char c : name) {
    if (static_cast<unsigned char>(c) >= 0x80 || c == '\\') return false;
  }
  return true;
}

// The Shift_JIS lead-byte ranges 0x81-0x9F and 0xE0-0xFC.
inline bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

}  // namespace platform
