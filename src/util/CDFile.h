// A file object that carries its path: the path is taken apart by characters (folder part,
// file-name part, folder components), put together again, and the file can be opened for
// reading. For a folder the path is the folder with its trailing separator. The path style
// is fixed at construction: native by default, backslash with drive roots for Windows paths.
#pragma once

#include <string>
#include <string_view>

#include "platform/FileSystem.h"
#include "util/CDString.h"
#include "util/PathStyle.h"

class CDFile {
 public:
  explicit CDFile(PathStyle style = kNativePathStyle) : style_(style) {}
  CDFile(const CDFile&) = delete;
  CDFile& operator=(const CDFile&) = delete;

  void AssignPath(std::string_view path) { path_.Assign(path); }
  // folder (with its separator) followed by name.
  void AssignPath(std::string_view folder, std::string_view name) {
    path_.Assign(folder);
    path_.Append(name);
  }
  const CDString& Path() const { return path_; }
  const std::string& PathText() const { return path_.str(); }
  PathStyle Style() const { return style_; }

  // Character position after the last separator; 0 without one.
  int NameStart() const;
  // The folder with its trailing separator; empty when the path has no separator.
  CDString FolderPart() const;
  // FolderPart without its trailing separator, except for a root ("/", "\", "C:\").
  CDString FolderPartTrimmed() const;
  CDString FileNamePart() const;
  int SeparatorCount() const;
  // Component k (from 0) of the folder part split at its separators; component 0 keeps its
  // separator ("/", "C:\", "a/"). k out of range gives the whole folder part.
  CDString FolderComponent(int k) const;
  // path = folder + a separator unless folder is empty or ends with one + FileNamePart.
  void ReplaceFolder(std::string_view folder);
  // path = FolderPart + name.
  void ReplaceFileName(std::string_view name);

  // The file system can report the status of the path (links followed).
  bool Exists() const;

  // Opens the file of the path read-only (regular files only; never blocks on a FIFO).
  bool OpenPath(int* error = nullptr);
  bool IsOpen() const { return file_.IsOpen(); }
  void Close() { file_.Close(); }
  platform::ReadFile& File() { return file_; }
  const platform::ReadFile& File() const { return file_; }

 private:
  size_t NameStartByte() const;

  CDString path_;
  PathStyle style_;
  platform::ReadFile file_;
};
