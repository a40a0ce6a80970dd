#include "util/FolderTree.h"

#include "platform/FileSystem.h"
#include "util/ShiftJis.h"

namespace {

bool IsRootPrefix(std::string_view prefix, PathStyle style) {
  if (prefix.find_first_not_of(style.separator) == std::string_view::npos) return true;
  // Ends with a separator (a doubled one, or the whole path's last): tried already.
  if (shiftjis::FindLastSeparator(prefix, style) == prefix.size() - 1) return true;
  if (!style.driveRoots) return false;
  if (prefix.back() == ':') return true;
  const char network[2] = {style.separator, style.separator};
  return prefix.substr(0, 2) == std::string_view(network, 2) &&
         shiftjis::FindLastSeparator(prefix, style) == 1;
}

}  // namespace

std::vector<std::string> FolderTreeSteps(std::string_view path, PathStyle style) {
  std::vector<std::string> steps;
  size_t i = 0;
  while (i < path.size()) {
    const size_t size = shiftjis::CharSize(path, i);
    if (size == 1 && path[i] == style.separator) {
      std::string_view prefix = path.substr(0, i);
      if (!IsRootPrefix(prefix, style)) steps.emplace_back(prefix);
    }
    i += size;
  }
  if (!path.empty() && !IsRootPrefix(path, style)) steps.emplace_back(path);
  return steps;
}

bool CreateFolderTree(std::string_view path, PathStyle style) {
  bool last = false;
  for (const std::string& folder : FolderTreeSteps(path, style)) last = platform::MakeDirectory(folder);
  return last;
}

void AddTrailingSeparator(std::string& text, PathStyle style) {
  if (text.empty()) return;
  const size_t sep = shiftjis::FindLastSeparator(text, style);
  if (sep != text.size() - 1) text.push_back(style.separator);
}
