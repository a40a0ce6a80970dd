// Search registration: every file below a folder becomes a signature record whose search
// bytes are the fingerprint a search would compute for it, filed under the name of the
// folder that holds it. Records the store refuses (a name already in that category) are
// passed over; a stopped registration keeps what it added.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/SignatureQuality.h"

class CDFile;
class CScanEngine;
class InvalFileDB;
class InvalFileInfo;
class SearchHost;

// The folder a registration walks for folder: absolute (a relative one is taken from the
// current folder), without "." and empty steps and with ".." taking back the step before
// it, so that the files directly in it are filed under its own name however it was
// written ("top", "top/", "./top", "top/sub/..", or "." inside top). A final separator,
// "." or ".." is kept as one separator. folder itself when it is relative and
// the current folder is unknown.
std::string RegistrationRoot(const std::string& folder);

// Runs the engine in registration mode over folder and its subfolders, all files, with
// the standard buffer; running and registering are set only for the run. host (may be
// null) gets "検索登録終了" or "検索登録を中止しました", followed by the count and first
// names of the new signatures that would hit innocent files (SignatureQuality::Summary);
// warnings (when given) receives each of those with its findings. Returns whether the
// walk completed.
bool RegisterFolder(CScanEngine& engine, InvalFileDB& store, const std::string& folder, SearchHost* host,
                    std::vector<QualityWarning>* warnings = nullptr);

// The record registration makes of one file: named after the file, filed under the name
// of the folder that holds it (for a file in a root folder, the root itself, "/" or
// "C:\"), created now, with the 16 fingerprint bytes as its search bytes.
std::shared_ptr<InvalFileInfo> RegisteredRecord(const CDFile& file, const uint8_t* fingerprint);
