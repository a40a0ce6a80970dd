// Reading and writing single keys of a settings file by its path, with the results the
// Windows private-profile functions give: a missing file, section or key yields the default;
// a text comes back in a 1024-byte buffer; an integer is read as GetPrivateProfileInt reads
// it; a write rewrites the whole file atomically and is on disk when it returns.
//
// Every call looks at the file anew, so what another program or an earlier call wrote is
// always seen. The text last read is kept parsed, though, and used again while the file is
// the same file with the same size and times, so reading all the keys at start parses the
// file once, not once per key. A file changed within one tick of the file system's clock
// could keep all of them, so until its change time lies well behind a reading, its bytes
// are read and compared each time.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The size of the read buffer, terminating NUL included: texts come back cut to 4095 bytes.
// A path here may be as long as the kernel takes in one call (PATH_MAX); a buffer sized for
// Windows paths (1024) cut a longer move or log folder to one of its parents, where hits
// and logs then went without a word.
constexpr size_t kProfileTextBufferSize = 4096;

// The value (up to a NUL byte in the file), or defaultValue when the file, section or key
// is missing; cut to 4095 bytes without splitting a double-byte character.
std::string ReadProfileText(const std::string& path, std::string_view section, std::string_view key,
                            std::string_view defaultValue);

// The value read as an integer (ProfileTextToInt); defaultValue when the file, section or
// key is missing or the value is empty.
int ReadProfileInt(const std::string& path, std::string_view section, std::string_view key, int defaultValue);

// Sets the key, creating the file and the section as needed. The file is replaced
// atomically, so a failure (missing or read-only folder, full disk, a file that exists but
// cannot be read, a text that cannot be stored) leaves it exactly as it was. A key that
// already reads as the value, however its line is spelled, does not rewrite the file.
bool WriteProfileText(const std::string& path, std::string_view section, std::string_view key,
                      std::string_view value);

// Whether the settings file at path can be read: true when it can, and when it is not
// there at all (every key then reads as its default); false with *error when it is there
// but cannot be read (no permission, a folder, a FIFO), which every read above would take
// for a file without keys.
bool CanReadProfile(const std::string& path, int* error);

// How many times a settings text has been parsed so far (for tests).
size_t ProfileTextParses();

// The integer rule of GetPrivateProfileInt: leading bytes up to the blank skipped, an
// optional '+' or '-', then decimal digits up to the first other byte, taken modulo 2^32.
// So "-5" gives -5, "42abc" gives 42, "yes" and "0x10" give 0, "4294967297" gives 1.
int ProfileTextToInt(std::string_view text);

// text cut to at most limit bytes, never in the middle of a double-byte character.
std::string CutText(std::string_view text, size_t limit);
