// The search log's format: a CP932 text file, TAB-separated fields, CR LF lines, no
// byte-order mark, recording one search. A header (times, file type, subfolder flag,
// whether the search ran to its end, the target folders) is followed by the hits section
// (their count, a rule, column heads and one line per hit with its file name, folder,
// signature name, category, position in hex and what was done to the file). Every text
// here is the file's bytes. The engine and the hit list write their parts through these;
// the writer of whole log files sits above them (log/SearchLog.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "settings/ProfileFile.h"
#include "settings/SearchRunInfo.h"

// "log": every log file, automatic or saved by hand, carries it.
inline constexpr char kLogExtension[] = "log";

// "2003 03/10 09:05:07" followed by a TAB; a TAB alone for a date that is not valid, so
// the line keeps its fields.
std::string FormatLogTime(const LogDateTime& time);
// "20030310090507": the base name of an automatic log. A date that is not valid is
// replaced by the clock's current time, so every log still gets a time-stamp name.
std::string LogFileStamp(const LogDateTime& time);
// The position as an unsigned 32-bit number in lower-case hex without leading zeros.
std::string FormatLogPosition(int32_t position);

// text with its control characters (0x00-0x1F and DEL) written as escapes: TAB, CR and
// LF as \t \r \n, the others as \xHH (upper-case hex); with escapeBackslash a backslash
// as \\ too. Scanned by CP932 character: the second byte of a double-byte character (0x5C
// for 表 and ソ) is never taken for one, and a lead byte without a valid second byte is a
// character of its own, so it never hides the control character after it. A text without
// control characters (and, with escapeBackslash, without backslashes) comes back as it is.
// With escapeLoneLeadBytes a lead byte without its second byte is written as \xHH too:
// left as it is, it would pair up with the backslash of an escape after it.
std::string EscapeControlCharacters(std::string_view text, bool escapeBackslash = false,
                                    bool escapeLoneLeadBytes = false);

// The hits section up to and including its column heads, for hitCount hits.
std::string LogDetectionsHead(size_t hitCount);
// One hit's line, CR LF included; resultText is what was done to the file. Control
// characters in the file name, the folder, the signature's name and its category (a
// registered sample gives its file name) are escaped (EscapeControlCharacters), so a name
// can never start another line or field of its own; a name without them is written as
// it is, so every line a name the other platform allows gives stays byte for byte the
// same. A lone backslash needs no escape of its own: the names of this platform carry
// theirs mapped to a double-byte code, so here it only ever starts an escape.
std::string LogHitLine(std::string_view fileName, std::string_view folder, std::string_view name,
                       std::string_view category, int32_t position, std::string_view resultText);

// Writes the header of a search (with Store; Load does nothing and succeeds). False when
// the archive refused a text. Control characters in the file type and the target folders
// are escaped as in LogHitLine.
bool WriteLogHeader(ProfileFile::Direction direction, ProfileFile& file, const SearchRunInfo& run);
