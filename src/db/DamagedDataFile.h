// Keeps a copy of a data file that could not be read completely before the first save
// replaces it, so that records the program could not read are never silently lost. The
// copy goes to path + ".bad", or ".bad2", ".bad3" ... when earlier copies are there: an
// existing copy is never replaced.
#pragma once

#include <string>

namespace db {

// true when the file is kept (*keptAs names the copy) or there is no file to keep
// (*keptAs empty); false when it could not be kept, and the caller must not replace it.
bool KeepDamagedDataFile(const std::string& path, std::string* keptAs);

}  // namespace db
