// A file's state as precisely as the file system records it, for telling whether a file
// read before may have changed since: which file it is, its size, and the times of its last
// change of content (mtime) and of any change at all (ctime, which no program can set
// back), in nanoseconds.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

struct FileStamp {
  uint64_t device = 0;
  uint64_t inode = 0;
  uint64_t size = 0;
  int64_t modifiedNs = 0;
  int64_t changedNs = 0;

  bool operator==(const FileStamp&) const = default;
};

// stat, following links; false with *error when the status cannot be read.
bool GetFileStamp(const std::string& path, FileStamp* stamp, int* error = nullptr);

// The wall clock that file times are taken from, in nanoseconds since 1970-01-01 UTC.
int64_t FileClockNowNs();

}  // namespace platform
