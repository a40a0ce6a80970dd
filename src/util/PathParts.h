// Splitting a path text into its folder part and file-name part, and the program's own
// folder. In the backslash style a drive prefix ("C:a.txt") also ends the folder part, and
// a backslash byte that is the second byte of a double-byte character is not a separator.
#pragma once

#include <string>
#include <string_view>

#include "util/PathStyle.h"

// The text after the last separator (the whole path without one; empty when the path
// ends with one).
std::string GetFileNamePart(std::string_view path, PathStyle style = kNativePathStyle);
// Everything up to and including the last separator; empty when there is none.
std::string GetFolderPart(std::string_view path, PathStyle style = kNativePathStyle);
// The folder of the running program, ending in the separator; empty when unknown.
std::string GetModuleFolder();
