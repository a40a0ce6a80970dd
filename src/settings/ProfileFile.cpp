#include "settings/ProfileFile.h"

#include <cerrno>
#include <cstring>
#include <new>
#include <utility>

#include "util/LittleEndian.h"
#include "platform/FileSystem.h"

// The open archive. Loading: the whole file, read at opening, and a read position.
// Storing: the content built so far, committed by CloseArchive. The path is taken at
// opening, so a SetPath while the archive is open cannot redirect it.
struct ProfileFile::Archive {
  Direction direction = Direction::Load;
  Commit commit = Commit::Replace;
  std::string path;
  std::string bytes;
  size_t position = 0;
  bool failed = false;
  bool inMemory = false;

  size_t Remaining() const { return bytes.size() - position; }
};

ProfileFile::Archive* ProfileFile::ReadyArchive(Direction direction) {
  if (!archive_ || archive_->failed) return nullptr;
  // A transfer the other way is a caller's mistake; the content is not to be trusted.
  if (archive_->direction != direction) {
    archive_->failed = true;
    return nullptr;
  }
  return archive_.get();
}

ProfileFile::ProfileFile() = default;

ProfileFile::~ProfileFile() {
  // Nothing reaches the file unless its writer closed the archive: an abandoned store
  // (an exception on the way, say) must not replace the old file with half a content.
  archive_.reset();
}

bool ProfileFile::SetPath(const std::string& baseName, const std::string& folder, const char* ext, bool raw) {
  baseName_ = baseName;
  raw_ = raw;
  fullPath_ = folder + baseName;
  if (ext != nullptr) {
    fullPath_ += '.';
    fullPath_ += ext;
  }
  return !fullPath_.empty();
}

bool ProfileFile::IsArchiveOpen() const { return archive_ != nullptr; }

bool ProfileFile::OpenArchive(Direction direction, bool createIfMissing, Commit commit) {
  CloseArchive();
  storeError_ = 0;
  if (fullPath_.empty()) return false;

  auto archive = std::make_unique<Archive>();
  archive->direction = direction;
  archive->commit = commit;
  archive->path = fullPath_;

  if (direction == Direction::Load) {
    // Loading with creation asked for leaves an empty file behind, as on a first start; a
    // store creates its file when it commits.
    std::string& bytes = archive->bytes;
    const auto room = [&bytes](size_t size) -> char* {
      try {
        platform::ResizeForFill(&bytes, size);
      } catch (const std::exception&) {
        return nullptr;  // larger than memory
      }
      return bytes.data();
    };
    size_t got = 0;
    uint64_t length = 0;
    if (!platform::ReadForLoad(fullPath_, createIfMissing, retryPump_, room, &got, &length)) return false;
    bytes.resize(got);
    fileLength_ = static_cast<uint32_t>(length);
    archive_ = std::move(archive);
    return true;
  }

  platform::FileStatus status;
  bool exists = platform::GetStatus(fullPath_, &status);
  // A name that is taken stays taken however often we try.
  if (commit == Commit::CreateNew &&
      (exists || platform::GetLinkStatus(fullPath_, &status))) {
    storeError_ = EEXIST;
    return false;
  }

  for (int attempt = 1; attempt <= platform::kOpenAttempts; ++attempt) {
    // Nothing is written before the commit; a folder standing where the file should go
    // would make it fail, so it counts as a failed opening now.
    exists = platform::GetStatus(fullPath_, &status);
    if (!exists || !status.isDirectory) {
      fileLength_ = exists ? static_cast<uint32_t>(status.size) : 0;
      archive_ = std::move(archive);
      return true;
    }
    if (attempt < platform::kOpenAttempts && retryPump_) retryPump_();
  }
  return false;
}

bool ProfileFile::OpenMemoryArchive(Direction direction, std::string content) {
  CloseArchive();
  auto archive = std::make_unique<Archive>();
  archive->direction = direction;
  archive->inMemory = true;
  if (direction == Direction::Load) archive->bytes = std::move(content);
  fileLength_ = static_cast<uint32_t>(archive->bytes.size());
  archive_ = std::move(archive);
  return true;
}

bool ProfileFile::CloseMemoryArchive(std::string* stored) {
  if (!archive_ || !archive_->inMemory || archive_->direction == Direction::Load) return CloseArchive();
  std::unique_ptr<Archive> archive = std::move(archive_);
  if (archive->failed) return false;
  *stored = std::move(archive->bytes);
  return true;
}

bool ProfileFile::CloseArchive() {
  if (!archive_) return true;
  std::unique_ptr<Archive> archive = std::move(archive_);
  if (archive->direction == Direction::Load) return true;
  storeError_ = 0;
  if (archive->failed) return false;
  if (archive->inMemory) return true;
  const bool committed = archive->commit == Commit::CreateNew
                             ? platform::WriteFileNoReplace(archive->path, archive->bytes, &storeError_)
                             : platform::WriteFileAtomic(archive->path, archive->bytes, &storeError_);
  if (committed) storeError_ = 0;
  return committed;
}

bool ProfileFile::TransferInt(Direction direction, int32_t& value) {
  Archive* ready = ReadyArchive(direction);
  if (ready == nullptr) return false;
  Archive& a = *ready;
  unsigned char raw[4];
  if (direction == Direction::Load) {
    if (a.Remaining() < sizeof raw) {
      a.failed = true;
      return false;
    }
    std::memcpy(raw, a.bytes.data() + a.position, sizeof raw);
    a.position += sizeof raw;
    value = static_cast<int32_t>(byte_order::GetLittleEndian32(raw));
    return true;
  }
  byte_order::PutLittleEndian32(static_cast<uint32_t>(value), raw);
  try {
    a.bytes.append(reinterpret_cast<const char*>(raw), sizeof raw);
  } catch (const std::exception&) {
    a.failed = true;
    return false;
  }
  return true;
}

bool ProfileFile::TransferText(Direction direction, std::string& text) {
  Archive* ready = ReadyArchive(direction);
  if (ready == nullptr) return false;
  Archive& a = *ready;
  if (direction == Direction::Load) {
    int32_t stored = 0;
    if (raw_ || !TransferInt(direction, stored)) {
      a.failed = true;
      return false;
    }
    uint32_t length = static_cast<uint32_t>(stored);
    // Both bounds are checked before anything is allocated for the text.
    if (length > fileLength_ || length > a.Remaining()) {
      a.failed = true;
      return false;
    }
    const char* begin = a.bytes.data() + a.position;
    a.position += length;
    // A text ends at its first NUL, as it would when written back.
    const void* nul = std::memchr(begin, '\0', length);
    size_t kept = nul != nullptr ? static_cast<size_t>(static_cast<const char*>(nul) - begin) : length;
    try {
      text.assign(begin, kept);
    } catch (const std::exception&) {
      a.failed = true;
      return false;
    }
    return true;
  }
  size_t length = text.find('\0');
  if (length == std::string::npos) length = text.size();
  if (length > 0x7FFFFFFFu) {
    a.failed = true;
    return false;
  }
  if (!raw_) {
    int32_t prefix = static_cast<int32_t>(length);
    if (!TransferInt(direction, prefix)) return false;
  }
  try {
    a.bytes.append(text.data(), length);
  } catch (const std::exception&) {
    a.failed = true;
    return false;
  }
  return true;
}

bool ProfileFile::TransferBlock(Direction direction, void* buffer, uint32_t size) {
  Archive* ready = ReadyArchive(direction);
  if (ready == nullptr) return false;
  Archive& a = *ready;
  int32_t stored = static_cast<int32_t>(size);
  if (!TransferInt(direction, stored)) return false;
  if (direction == Direction::Load) {
    uint32_t length = static_cast<uint32_t>(stored);
    if (length > fileLength_ || length != size || length > a.Remaining()) {
      a.failed = true;
      return false;
    }
    if (length > 0) std::memcpy(buffer, a.bytes.data() + a.position, length);
    a.position += length;
    return true;
  }
  try {
    if (size > 0) a.bytes.append(static_cast<const char*>(buffer), size);
  } catch (const std::exception&) {
    a.failed = true;
    return false;
  }
  return true;
}

bool ProfileFile::TakeLoadedBytes(std::string* bytes) {
  if (ReadyArchive(Direction::Load) == nullptr) return false;
  *bytes = std::move(archive_->bytes);
  archive_.reset();
  return true;
}

bool ProfileFile::PutBytes(std::string bytes) {
  Archive* ready = ReadyArchive(Direction::Store);
  if (ready == nullptr) return false;
  if (ready->bytes.empty()) {
    ready->bytes = std::move(bytes);
    return true;
  }
  try {
    ready->bytes.append(bytes);
  } catch (const std::exception&) {
    ready->failed = true;
    return false;
  }
  return true;
}
