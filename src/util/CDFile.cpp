#include "util/CDFile.h"

#include "util/FileChecks.h"
#include "util/ShiftJis.h"

size_t CDFile::NameStartByte() const { return shiftjis::NameStartByte(path_.view(), style_); }

int CDFile::NameStart() const { return shiftjis::CountChars(path_.view().substr(0, NameStartByte())); }

CDString CDFile::FolderPart() const { return CDString(path_.view().substr(0, NameStartByte())); }

CDString CDFile::FolderPartTrimmed() const {
  std::string_view folder = path_.view().substr(0, NameStartByte());
  if (folder.empty()) return CDString();
  const bool singleSeparator = folder.size() == 1;
  const bool driveRoot = style_.driveRoots && folder.size() == 3 && folder[1] == ':' &&
                         !platform::IsLeadByte(static_cast<unsigned char>(folder[0]));
  if (singleSeparator || driveRoot) return CDString(folder);
  folder.remove_suffix(1);  // the separator is a single byte
  return CDString(folder);
}

CDString CDFile::FileNamePart() const { return CDString(path_.view().substr(NameStartByte())); }

// The separators are searched for as bytes (shiftjis::FindChar), not found by a walk over
// every character.
int CDFile::SeparatorCount() const {
  std::string_view p = path_.view();
  int count = 0;
  for (size_t i = shiftjis::FindChar(p, style_.separator, 0); i != std::string_view::npos;
       i = shiftjis::FindChar(p, style_.separator, i + shiftjis::CharSize(p, i))) {
    ++count;
  }
  return count;
}

CDString CDFile::FolderComponent(int k) const {
  // The components lie before the last separator, so the search needs no folder part
  // first: only a k past the last component costs the look for it.
  std::string_view path = path_.view();
  size_t begin = 0;
  int index = 0;
  for (size_t i = shiftjis::FindChar(path, style_.separator, 0); i != std::string_view::npos;
       i = shiftjis::FindChar(path, style_.separator, i + shiftjis::CharSize(path, i))) {
    if (index == k) {
      // Component 0 keeps its separator so that a root stays a root.
      const size_t end = k == 0 ? i + 1 : i;
      return CDString(path.substr(begin, end - begin));
    }
    ++index;
    begin = i + 1;
  }
  return FolderPart();
}

void CDFile::ReplaceFolder(std::string_view folder) {
  CDString path(folder);
  const char sep[2] = {style_.separator, 0};
  if (!path.IsEmpty() && !path.EndsWith(sep)) path.Append(style_.separator);
  path.Append(path_.view().substr(NameStartByte()));
  path_ = std::move(path);
}

void CDFile::ReplaceFileName(std::string_view name) {
  CDString path(path_.view().substr(0, NameStartByte()));
  path.Append(name);
  path_ = std::move(path);
}

bool CDFile::Exists() const { return PathExists(path_.str()); }

bool CDFile::OpenPath(int* error) { return file_.Open(path_.str(), error); }
