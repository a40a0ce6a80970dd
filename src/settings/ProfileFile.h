// One named file of the program: the settings file, the data file or a search log.
// SetPath binds folder + base name + "." + extension; the archive half reads and writes
// length-prefixed integers, texts and blocks (data file) or raw text (logs); the settings
// half reads and writes keys of an INI file the way the private-profile functions do.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class ProfileFile {
 public:
  enum class Direction { Load, Store };

  ProfileFile();
  ~ProfileFile();
  ProfileFile(const ProfileFile&) = delete;
  ProfileFile& operator=(const ProfileFile&) = delete;

  // folder is used as given (with its trailing separator); ext may be null.
  bool SetPath(const std::string& baseName, const std::string& folder, const char* ext, bool raw);
  const std::string& FullPath() const { return fullPath_; }
  const std::string& BaseName() const { return baseName_; }
  bool IsRaw() const { return raw_; }

  // ---- archive half ----
  // Loading reads the whole file into memory; storing builds the content in memory and
  // CloseArchive puts it in place atomically. Opening is tried five times; between two
  // attempts the retry pump (when set) lets the program handle one round of its events.
  void SetRetryPump(std::function<void()> pump) { retryPump_ = std::move(pump); }
  // How a store puts its file in place: replacing the file of that name, or only as a new
  // file, never over anything that exists (the opening or the commit then fails, with
  // EEXIST).
  enum class Commit { Replace, CreateNew };
  bool OpenArchive(Direction direction, bool createIfMissing, Commit commit = Commit::Replace);
  // Loading: closes the file. Storing: commits what was written (atomic replacement, or
  // creation as a new file); returns false when the commit failed or a transfer had
  // failed, in which case the old file is untouched. Closing when nothing is open does
  // nothing and returns true.
  bool CloseArchive();
  // The errno of the last failed opening for storing or commit; 0 when there was none.
  int StoreError() const { return storeError_; }
  bool IsArchiveOpen() const;
  // The same archive over bytes in memory instead of the file, so that the data file's
  // reader can be driven without touching a disk: loading reads content; storing keeps what
  // was written, handed over by CloseMemoryArchive (CloseArchive drops it).
  bool OpenMemoryArchive(Direction direction, std::string content = std::string());
  // Closes the archive like CloseArchive; a memory store puts its bytes in *stored.
  bool CloseMemoryArchive(std::string* stored);
  // Each returns false on a read or write error (end of file, a length the file cannot
  // hold, a direction other than the archive's); after the first failure every further
  // transfer fails too. Texts are written up to their first NUL byte; in raw mode without
  // a length (storing only: a raw text cannot be read back).
  bool TransferInt(Direction direction, int32_t& value);
  bool TransferText(Direction direction, std::string& text);
  // Loading: the length in the file must equal size, else the transfer fails (nothing is
  // ever written past the caller's buffer).
  bool TransferBlock(Direction direction, void* buffer, uint32_t size);
  // Loading: hands over the whole file's bytes and closes the archive, so that a reader
  // with its own cursor keeps them without a copy. Storing: appends bytes built elsewhere
  // as they are. Both fail like a transfer (no archive, the other direction, a failure).
  bool TakeLoadedBytes(std::string* bytes);
  bool PutBytes(std::string bytes);
  // The low 32 bits of the file's length when it was opened: no text or block length
  // read from the file may exceed it.
  uint32_t FileLength() const { return fileLength_; }

  // ---- settings half ----
  int GetSettingInt(const std::string& section, const std::string& key, int defaultValue) const;
  std::string GetSettingText(const std::string& section, const std::string& key,
                             const std::string& defaultValue = std::string()) const;
  bool PutSettingInt(const std::string& section, const std::string& key, int value) const;
  bool PutSettingText(const std::string& section, const std::string& key, const std::string& value) const;

 private:
  struct Archive;
  Archive* ReadyArchive(Direction direction);
  std::string baseName_;
  std::string fullPath_;
  bool raw_ = false;
  uint32_t fileLength_ = 0;
  int storeError_ = 0;
  std::unique_ptr<Archive> archive_;
  std::function<void()> retryPump_;
};
