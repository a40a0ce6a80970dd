// Quick checks on a path before it is used: does it exist, can it be read, is it a usable
// file or an existing folder. Each answers from the file's status and, where needed, one
// open that is closed again at once.
#pragma once

#include <string>

// The status of the path can be read (links followed).
bool PathExists(const std::string& path);
// The path opens read-only as a regular file (closed again at once).
bool CanOpenForReading(const std::string& path);
// Exists, is not a folder, and has content or can be opened.
bool IsUsableFile(const std::string& path);
// Exists and is a folder (links followed).
bool IsExistingFolder(const std::string& path);
