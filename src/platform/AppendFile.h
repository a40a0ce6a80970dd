// A file kept as a record that grows one line at a time while work is being done, so that
// a process killed at any moment leaves behind every line it had finished. Each Append is
// handed to the kernel at once (no buffer of our own), and the file is locked (flock) for
// as long as it is open, so that two processes never write into one record together.
//
// Paths are CP932 texts, turned into the OS's bytes here.
#pragma once

#include <sys/stat.h>

#include <string>
#include <string_view>

#include "platform/FileSystem.h"

namespace platform {

class AppendFile {
 public:
  AppendFile() = default;
  ~AppendFile() { Close(); }
  AppendFile(const AppendFile&) = delete;
  AppendFile& operator=(const AppendFile&) = delete;

  // Creates path as a new file for appending, never replacing anything (EEXIST when the
  // name is taken, by anything, a dangling link included).
  bool CreateNew(const std::string& path, int* error = nullptr);
  // Opens the existing regular file path for reading and appending; EWOULDBLOCK when
  // another process holds it open through this class. A file this process may only read
  // is opened for reading, and every Append then fails with the error of the open. What
  // the name leads to is looked at before anything is opened, and only a regular file is
  // opened, that very one: a link at path fails with ELOOP (never followed: it may have been
  // planted to lead a record into another file), anything else with EISDIR or EINVAL (a
  // FIFO or a device is never opened, which could act on it). With expected known, only
  // that file is opened, ESTALE for any other: a record taken up again by its path is the
  // one made.
  bool OpenExisting(const std::string& path, int* error = nullptr, const FileIdentity& expected = FileIdentity{});
  // The open file.
  FileIdentity Identity() const { return identity_; }
  // The open file belongs to the effective user or to root, and only its owner may write
  // it: nobody else can have put in what it holds.
  bool OwnersAlone() const;
  // Everything the file holds now.
  bool ReadAll(std::string* content, int* error = nullptr) const;
  // Writes text at the end of the file as a whole; a failure may leave part of it there.
  bool Append(std::string_view text, int* error = nullptr);
  // fsync, so that what was appended outlives a crash of the machine.
  bool Sync(int* error = nullptr);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }

 private:
  bool Lock(int fd, int* error);
  // What OwnersAlone and Identity tell, from the file's status.
  void Remember(const struct stat& st);

  int fd_ = -1;
  int readOnlyError_ = 0;  // why the file could be opened for reading only
  FileIdentity identity_;
  unsigned owner_ = 0;
  unsigned mode_ = 0;
};

}  // namespace platform
