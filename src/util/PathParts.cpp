#include "util/PathParts.h"

#include "platform/Encoding.h"
#include "platform/FileSystem.h"

namespace {

constexpr size_t kNone = std::string_view::npos;

// The lead bytes of the forward scans, 0xF0-0xFC included (the user-defined area, which
// carries the escaped bytes of file names), so both scans split a path alike.
bool InLeadRun(unsigned char c) { return platform::IsLeadByte(c); }

// A separator byte at i is the second byte of a double-byte character when the run of
// lead-range bytes directly before it has odd length (the text is scanned backwards, so
// the start of its character is not known).
bool IsSecondByte(std::string_view path, size_t i) {
  size_t run = 0;
  while (run < i && InLeadRun(static_cast<unsigned char>(path[i - run - 1]))) ++run;
  return run % 2 == 1;
}

size_t NameStart(std::string_view path, PathStyle style) {
  // Second bytes start at 0x40, so "/" never needs the check.
  const bool canBeSecondByte = static_cast<unsigned char>(style.separator) >= 0x40;
  size_t last = kNone;
  for (size_t i = path.size(); i-- > 0;) {
    if (path[i] == style.separator && !(canBeSecondByte && IsSecondByte(path, i))) {
      last = i;
      break;
    }
  }
  if (style.driveRoots) {
    const size_t colon = path.rfind(':');
    if (colon != kNone && (last == kNone || colon > last)) last = colon;
  }
  return last == kNone ? 0 : last + 1;
}

}  // namespace

std::string GetFileNamePart(std::string_view path, PathStyle style) {
  return std::string(path.substr(NameStart(path, style)));
}

std::string GetFolderPart(std::string_view path, PathStyle style) {
  return std::string(path.substr(0, NameStart(path, style)));
}

std::string GetModuleFolder() { return platform::ExecutableFolder(); }
