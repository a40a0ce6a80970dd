// A file kept as a record that grows one line at a time while work is being done, so that
// a process killed at any moment leaves behind every line it had finished. Each Append is
// handed to the kernel at once (no buffer of our own), and the file is locked (flock) for
// as long as it is open, so that two processes never write into one record together.
//
// Paths are CP932 texts, turned into the OS's bytes here.
#pragma once

#include <string>
#include <string_view>

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
  // is opened for reading, and every Append then fails with the error of the open.
  bool OpenExisting(const std::string& path, int* error = nullptr);
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

  int fd_ = -1;
  int readOnlyError_ = 0;  // why the file could be opened for reading only
};

}  // namespace platform
