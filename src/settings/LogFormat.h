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

// The hits section up to and including its column heads, for hitCount hits.
std::string LogDetectionsHead(size_t hitCount);
// One hit's line, CR LF included; resultText is what was done to the file.
std::string LogHitLine(std::string_view fileName, std::string_view folder, std::string_view name,
                       std::string_view category, int32_t position, std::string_view resultText);

// Writes the header of a search (with Store; Load does nothing and succeeds). False when
// the archive refused a text.
bool WriteLogHeader(ProfileFile::Direction direction, ProfileFile& file, const SearchRunInfo& run);
