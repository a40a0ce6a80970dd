// Enumerates the entries of one folder that pass a wildcard name and attribute masks:
// files matching the caller's filter patterns, or subfolders. "." and ".." are never
// returned (hidden names are), and neither are links to folders or devices in files mode
// (their attributes are outside the file mask), so a walk never loops and never opens a FIFO.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/FileSystem.h"
#include "util/CPatternList.h"

class CFileFinder {
 public:
  enum class Mode { Files, Folders };

  // read-only, hidden, system, archive, normal, temporary, compressed, offline
  static constexpr uint32_t kFileAttributes = 0x19A7;
  static constexpr uint32_t kFolderAttributes = platform::kAttrDirectory;

  CFileFinder() = default;
  CFileFinder(const CFileFinder&) = delete;
  CFileFinder& operator=(const CFileFinder&) = delete;

  // Closes an open enumeration and copies the list's text into the filter.
  void SetFilter(const CPatternList& patterns);
  const CPatternList& Filter() const { return filter_; }

  // path: a folder with its separator, then a wildcard name ("/data/*.htm", "/data/*.*").
  // True with the first accepted entry. False when there is none; LastError() then holds
  // the errno of a folder that could not be opened or read (0 when it just had no entry).
  bool FindFirst(std::string_view path, Mode mode);
  // True with the next accepted entry; false at the end (the enumeration is then closed).
  bool FindNext();
  void Close();
  bool IsOpen() const { return reader_.IsOpen(); }

  // Whether an entry passes the name rule, the masks and (files mode) the filter.
  bool Accept(const platform::DirEntry& entry) const;
  // The name and attribute rules of each mode, the filter aside; the search walk applies
  // them to its own listing. Never "." or ".."; files have an attribute of the file mask
  // and are not folders; folders are real folders, not links to one.
  static bool IsFileEntry(const platform::DirEntry& entry);
  static bool IsFolderEntry(const platform::DirEntry& entry);

  // The current entry, valid after a true result.
  const platform::DirEntry& Entry() const { return entry_; }
  const std::string& Name() const { return entry_.name; }
  uint32_t Attributes() const { return entry_.attributes; }
  bool IsDirectory() const { return (entry_.attributes & platform::kAttrDirectory) != 0; }
  uint64_t Size() const { return entry_.size; }  // 0 when the listing does not give it
  int64_t ModifiedTime() const { return entry_.modifiedTime; }
  int LastError() const { return lastError_; }

 private:
  bool Advance();

  platform::DirReader reader_;
  platform::DirEntry entry_;
  CPatternList namePattern_;
  CPatternList filter_;
  Mode mode_ = Mode::Files;
  int lastError_ = 0;
};
