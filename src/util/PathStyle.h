// How paths are spelled: the separator, and whether "X:" drive prefixes and "\\server"
// network starts exist. The path helpers take the style as a value so that the same
// double-byte-safe scanning serves the native "/" paths of this platform and the backslash
// paths with drive roots of a Windows build (and the tests of both).
#pragma once

#include "platform/FileSystem.h"

struct PathStyle {
  char separator;
  bool driveRoots;  // "C:\" is a root and "\\" starts a network path

  bool operator==(const PathStyle&) const = default;
};

inline constexpr PathStyle kNativePathStyle{platform::kSeparator, platform::kSeparator == '\\'};
inline constexpr PathStyle kBackslashPathStyle{'\\', true};
