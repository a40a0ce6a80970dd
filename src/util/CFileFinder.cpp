#include "util/CFileFinder.h"

#include "util/ShiftJis.h"

void CFileFinder::SetFilter(const CPatternList& patterns) {
  Close();
  filter_.SetText(patterns.Text());
  include_ = kFileAttributes;
  exclude_ = 0;
}

void CFileFinder::Close() { reader_.Close(); }

bool CFileFinder::FindFirst(std::string_view path, Mode mode) {
  Close();
  lastError_ = 0;
  if (mode == Mode::Files) {
    include_ = kFileAttributes;
    exclude_ = platform::kAttrDirectory;
  } else {
    include_ = kFolderAttributes;
    exclude_ = 0;
  }
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
  if (!entry.name.empty() && entry.name[0] == '.') return false;
  const uint32_t attributes = entry.attributes;
  if (attributes != 0 && (attributes & include_) == 0) return false;
  if ((attributes & exclude_) != 0) return false;
  if (include_ == kFolderAttributes) return true;
  return filter_.MatchName(entry.name) != CPatternList::kNoMatch;
}
