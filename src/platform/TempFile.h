// Files under construction. Every file the program writes whole (the data file, the
// settings, a log, a copy moved to another file system) is first written under a name of
// the form ".vorlet-tmp-" + 16 hex digits in the folder where it will live, locked (flock)
// by the writing process for as long as that name exists, and only then given its real
// name. A process killed midway thus leaves only such a name behind, never a truncated file
// under a real one; the next process that writes into the folder removes every such file
// that nobody holds locked any more.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

namespace platform {

inline constexpr char kTemporaryPrefix[] = ".vorlet-tmp-";

bool IsTemporaryName(std::string_view osName);

// A hit about to be processed is first given a name of the form ".vorlet-hit-" + 16 hex
// digits in its own folder (FolderHandle), so that the file checked is the file acted on.
// A sweep never takes such a name: a process killed in between leaves the file under it,
// where a search still finds it.
inline constexpr char kAsidePrefix[] = ".vorlet-hit-";
std::string NewAsideName();

// A new, empty temporary file in the folder dirFd (a descriptor, O_PATH is enough),
// created with O_EXCL and the given mode, open for writing and locked. Sweeps the folder
// first (see SweepTemporariesAt). -1 with errno on failure.
int CreateTemporaryAt(int dirFd, mode_t mode, std::string* osName);

// Removes the abandoned temporaries of the folder dirFd: those whose lock can be taken
// and which have not been touched for a few seconds (a writer locks its file an instant
// after creating it). Each folder is swept once per process.
void SweepTemporariesAt(int dirFd);

}  // namespace platform
