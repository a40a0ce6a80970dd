// The writer of whole search logs (the format is settings/LogFormat.h). The writers of
// the header and the hits hand their texts to a ProfileFile bound in raw text mode;
// WriteLogFile runs them for one file. A store is committed when the file is closed, by
// replacing any file of that name as a whole, so an older longer log never leaves its
// tail behind, or (CreateLogFile) only as a new file beside it.
#pragma once

#include <string>

#include "settings/AppFiles.h"
#include "settings/LogFormat.h"
#include "settings/ProfileFile.h"

class DetectedFileList;

// Whether a whole file of ours (a log, an export) may take the place of what is at path:
// nothing, or a regular file that holds no journal. Anything else is kept: a device node,
// a FIFO or a socket would be gone for every program that uses it, a link would no longer
// lead where it did, and a journal is what --undo needs to take its run back. False with
// *reason (a phrase, ASCII) when it may not; an entry whose status cannot be read is left
// to the writer, whose own failure then tells why.
bool MayBeReplaced(const std::string& path, std::string* reason);

// Writes a whole log to path: header, then the hits section (no hits for a null list).
// The file object is bound anew (raw text) and closed again. True when the log was put in
// place; false when the file could not be opened or written, or what is at path may not be
// replaced (MayBeReplaced), and then an old file of that name is as it was.
bool WriteLogFile(const std::string& path, const SearchRunInfo& run, const DetectedFileList* hits,
                  ProfileFile& file = ScanLogFile());
// The same, but only as a new file: a name that is taken (by anything) is left alone and
// *error is EEXIST. *error is the errno of any other failure (0 when not known).
bool CreateLogFile(const std::string& path, const SearchRunInfo& run, const DetectedFileList* hits, int* error,
                   ProfileFile& file = ScanLogFile());
