// The encodings a settings file may come in. The program keeps CP932 texts, and a file
// without a byte-order mark is taken as CP932 bytes; an editor may however save the file
// as UTF-8 or UTF-16 with a byte-order mark, and such a file is read in its encoding and
// written back in it, mark included.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace ini_encoding {

enum class Encoding { kCp932, kUtf8, kUtf16Le, kUtf16Be };

// The encoding the text's byte-order mark names (CP932 without one), and the mark's size.
Encoding Detect(std::string_view bytes, size_t* markSize);
// The byte-order mark that starts a file in that encoding; empty for CP932.
std::string_view Mark(Encoding encoding);

// Calls line(std::string_view) for each line of the text after its mark, in the file's
// own bytes and without their endings: LF, CR LF and a CR not followed by LF each end a
// line (in code units of the encoding); a last line without an ending counts as a line.
// The last byte of a UTF-16 text of odd length, half a code unit, is no part of any line.
template <typename F>
void ForEachLine(std::string_view text, Encoding encoding, F&& line);
// How many lines ForEachLine gives.
size_t CountLines(std::string_view text, Encoding encoding);

// One line of the file as the program reads it: CP932, characters CP932 lacks as "?".
std::string ToCp932(std::string_view line, Encoding encoding);
// The same, appended to out.
void AppendCp932(std::string_view line, Encoding encoding, std::string* out);
// One CP932 line in the file's encoding; false when a byte of it is no CP932 character
// or would not come back unchanged, so the line cannot be stored in that encoding.
bool FromCp932(std::string_view line, Encoding encoding, std::string* out);
// The line ending CR LF in that encoding.
std::string_view LineEnd(Encoding encoding);

namespace detail {

// The code unit at byte offset i of a UTF-16 text.
uint32_t Utf16UnitAt(std::string_view text, size_t i, Encoding encoding);

}  // namespace detail

template <typename F>
void ForEachLine(std::string_view text, Encoding encoding, F&& line) {
  size_t start = 0;
  if (encoding == Encoding::kCp932 || encoding == Encoding::kUtf8) {
    // Neither CR nor LF is ever the second byte of a CP932 character, so CP932 and UTF-8
    // are split byte by byte; each kind of ending is searched for once over the text.
    size_t cr = text.find('\r');
    size_t lf = text.find('\n');
    while (cr != std::string_view::npos || lf != std::string_view::npos) {
      const size_t end = cr < lf ? cr : lf;
      line(text.substr(start, end - start));
      start = end + (end == cr && lf == end + 1 ? 2 : 1);
      if (cr < start) cr = text.find('\r', start);
      if (lf < start) lf = text.find('\n', start);
    }
  } else {
    text.remove_suffix(text.size() % 2);
    for (size_t i = 0; i + 2 <= text.size();) {
      const uint32_t c = detail::Utf16UnitAt(text, i, encoding);
      i += 2;
      if (c != '\r' && c != '\n') continue;
      line(text.substr(start, i - 2 - start));
      if (c == '\r' && i + 2 <= text.size() && detail::Utf16UnitAt(text, i, encoding) == '\n') i += 2;
      start = i;
    }
  }
  if (start < text.size()) line(text.substr(start));
}

}  // namespace ini_encoding
