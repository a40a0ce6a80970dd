// The encodings a settings file may come in. The program keeps CP932 texts, and a file
// without a byte-order mark is taken as CP932 bytes; an editor may however save the file
// as UTF-8 or UTF-16 with a byte-order mark, and such a file is read in its encoding and
// written back in it, mark included.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ini_encoding {

enum class Encoding { kCp932, kUtf8, kUtf16Le, kUtf16Be };

// The encoding the text's byte-order mark names (CP932 without one), and the mark's size.
Encoding Detect(std::string_view bytes, size_t* markSize);
// The byte-order mark that starts a file in that encoding; empty for CP932.
std::string_view Mark(Encoding encoding);

// The lines of the text after its mark, in the file's own bytes and without their endings:
// LF, CR LF and a CR not followed by LF each end a line (in code units of the encoding); a
// last line without an ending counts as a line. The last byte of a UTF-16 text of odd
// length, half a code unit, is no part of any line.
std::vector<std::string_view> SplitLines(std::string_view text, Encoding encoding);

// One line of the file as the program reads it: CP932, characters CP932 lacks as "?".
std::string ToCp932(std::string_view line, Encoding encoding);
// One CP932 line in the file's encoding; false when a byte of it is no CP932 character
// or would not come back unchanged, so the line cannot be stored in that encoding.
bool FromCp932(std::string_view line, Encoding encoding, std::string* out);
// The line ending CR LF in that encoding.
std::string_view LineEnd(Encoding encoding);

}  // namespace ini_encoding
