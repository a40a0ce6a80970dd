// Creating a folder together with its missing parents, and giving a folder text its
// trailing separator. Both scan by characters, so a folder name ending in a double-byte
// character whose second byte is 0x5C is never taken for one ending in a backslash.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "util/PathStyle.h"

// The folders CreateFolderTree creates, in order: the path up to each separator, and the
// whole path when it does not end with one. Roots are left out: "/" (and "\"), "C:" of a
// drive root, and the "\\" and "\\server" starts of a network path.
std::vector<std::string> FolderTreeSteps(std::string_view path, PathStyle style = kNativePathStyle);

// Creates every folder of FolderTreeSteps. Returns whether the last creation succeeded,
// so false when the final folder existed already.
bool CreateFolderTree(std::string_view path, PathStyle style = kNativePathStyle);

// A non-empty text whose last character is not the separator gets one appended.
void AddTrailingSeparator(std::string& text, PathStyle style = kNativePathStyle);
