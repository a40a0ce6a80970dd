#include "util/CFileFinder.h"

#include "util/ShiftJis.h"

void CFileFinder::SetFilter(const CPatternList& patterns) {
  Close();
  filter_.SetText(patterns.Text());
}

void CFileFinder::Close() { reader_.Close(); }

bool CFileFinder::FindFirst(std::string_view path, Mode mode) {
  Close();
  lastError_ = 0;
  mode_ = mode;
  const size_t nameStart = shiftjis::NameStartByte(path, kNativePathStyle);
  namePattern_.SetText(path.substr(nameStart));
  if (!reader_.Open(std::string(path.substr(0, nameStart)), &lastError_)) return false;
  return Advance();
}

bool CFileFinder::FindNext() { return reader_.IsOpen() && Advance(); }

bool CFileFinder::Advance() {
  const bool everything = namePattern_.Text() == "*.*";
  while (reader_.Next(&entry_, &lastError_)) {
    if (!everything && namePattern_.MatchName(entry_.name) == CPatternList::kNoMatch) continue;
    if (Accept(entry_)) return true;
  }
  Close();
  return false;
}

bool CFileFinder::Accept(const platform::DirEntry& entry) const {
  if (mode_ == Mode::Folders) return IsFolderEntry(entry);
  return IsFileEntry(entry) && filter_.MatchName(entry.name) != CPatternList::kNoMatch;
}

namespace {
// Only the folder itself and its parent are passed over. Names that merely begin with a
// full stop are hidden files and folders, which is where unwanted files like to sit.
bool IsSelfOrParent(const platform::DirEntry& entry) {
  return entry.name.empty() || entry.name == "." || entry.name == "..";
}
}  // namespace

bool CFileFinder::IsFileEntry(const platform::DirEntry& entry) {
  return !IsSelfOrParent(entry) && (entry.attributes & platform::kAttrDirectory) == 0 &&
         (entry.attributes & kFileAttributes) != 0;
}

bool CFileFinder::IsFolderEntry(const platform::DirEntry& entry) {
  // A link to a folder comes as a reparse point, without the folder bit or with it.
  return !IsSelfOrParent(entry) && (entry.attributes & kFolderAttributes) != 0 &&
         (entry.attributes & platform::kAttrReparsePoint) == 0;
}
