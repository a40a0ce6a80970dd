// The file-system calls of the program. Paths are CP932 texts as the rest of the program
// keeps them; they are turned into the OS's bytes here and nowhere else. Errors come back
// as errno values.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/FileStamp.h"

namespace platform {

// Attribute bits as the enumeration reports them.
enum Attribute : uint32_t {
  kAttrReadOnly = 0x01,
  kAttrHidden = 0x02,
  kAttrSystem = 0x04,
  kAttrDirectory = 0x10,
  kAttrArchive = 0x20,
  kAttrDevice = 0x40,  // FIFOs, sockets and devices: never opened as files
  kAttrNormal = 0x80,
  kAttrReparsePoint = 0x400,  // a link to a folder or a dangling link: never entered, never read
};

// The native path style of this platform.
constexpr char kSeparator = '/';

struct FileStatus {
  bool isDirectory = false;
  bool isRegular = false;
  bool isLink = false;
  uint64_t size = 0;
  int64_t modifiedTime = 0;  // seconds since the epoch
  uint64_t device = 0;
  uint64_t inode = 0;
};

// Which file a status or a descriptor stands for, as the file system tells files apart.
// Unknown (known false) where nobody could tell.
struct FileIdentity {
  uint64_t device = 0;
  uint64_t inode = 0;
  bool known = false;
};
FileIdentity IdentityOf(const FileStatus& status);
// Known and the same file; an unknown identity is never the same as anything.
bool SameIdentity(const FileIdentity& a, const FileIdentity& b);

// Whether threads of this process can have descriptor tables of their own from which the
// folders thread listingThread lists can be reached (DirReader::OpenTicket, through /proc).
bool OwnDescriptorTablesPossible(long listingThread);
// Gives the calling thread a descriptor table of its own, with nothing open in it but the
// standard input, output and error (OwnDescriptorTablesPossible told that it can be had).
// A thread that opens and closes a file every few microseconds then no longer contends
// with the others for one table's lock. False when it keeps sharing the table.
bool UseOwnDescriptorTable();

// stat (following links) or lstat; false with *error set when the status cannot be read.
bool GetStatus(const std::string& path, FileStatus* status, int* error = nullptr);
bool GetLinkStatus(const std::string& path, FileStatus* status, int* error = nullptr);

// Errors that mean "no such file": the path leads nowhere (ENOENT; ENOTDIR when a part of
// it that should be a folder is not one). Every other error means the file may be there
// but could not be reached.
bool IsAbsentError(int error);

// Errors that mean "the drive or network is not there" rather than "this entry is bad".
bool IsUnreachableError(int error);

struct DirEntry {
  std::string name;  // CP932, mapped losslessly from the OS name
  uint32_t attributes = 0;
  uint64_t size = 0;
  int64_t modifiedTime = 0;
  // The OS's bytes of the name when they differ from name; empty when they are the same.
  std::string osName;
  // Listed as a regular file in its own right, not through a link.
  bool plainFile = false;
  // The inode the listing gives (the target's for a link that was looked at): a hint,
  // cheap to compare, that EntryIdentity confirms.
  uint64_t inode = 0;
  // The errno of an entry whose kind could not be told: a link whose target, or an entry
  // whose own status, could not be read for any reason other than its absence (EACCES,
  // ELOOP, EIO, ...). Such an entry comes with kAttrReparsePoint; it is there, but could
  // not be looked at. 0 otherwise, and for a dangling link.
  int error = 0;
};

// A folder a DirReader has open, as another thread may reach it (DirReader::Ticket).
struct FolderTicket {
  long thread = 0;
  int descriptor = -1;
  FileIdentity identity;
};

// Enumerates one folder (readdir). Links to folders and dangling links are reported with
// kAttrReparsePoint only, and so are entries that could not be looked at (with their
// error); links to files with their target's attributes.
class DirReader {
 public:
  DirReader() = default;
  ~DirReader();
  DirReader(const DirReader&) = delete;
  DirReader& operator=(const DirReader&) = delete;

  bool Open(const std::string& folder, int* error = nullptr);
  // How a thread with a descriptor table of its own (UseOwnDescriptorTable) reaches the
  // folder open here, on thread (this reader's thread): false when none is open.
  bool Ticket(long thread, FolderTicket* ticket) const;
  // Opens, on a thread with a descriptor table of its own, the folder a ticket names,
  // through its thread's entry in /proc (no path is looked up again): for opening its
  // entries (ReadFile::OpenEntry, OpenPlainEntry), not for listing. ESTALE when the entry
  // no longer holds that folder (the reader closed it, and the number went to another).
  bool OpenTicket(const FolderTicket& ticket, int* error = nullptr);
  // The next entry other than "." and ".."; false at the end or on a read error.
  bool Next(DirEntry* entry, int* error = nullptr);
  void Close();
  bool IsOpen() const { return dir_ != nullptr; }
  // The folder being listed (fstat of its descriptor); false when none is open.
  bool Identity(FileIdentity* identity, int* error = nullptr) const;
  // The folder being listed as precisely as the file system records it (fstat of its
  // descriptor): any entry added, removed or renamed in it since changes its times.
  bool Stamp(FileStamp* stamp) const;
  // The folder being listed hangs directly below parent (its ".." is that folder; across a
  // mount point too). A folder reached by a path in which a link was swapped for one of the
  // components does not (*error ELOOP); when ".." cannot be looked at, *error says why (a
  // folder that may be read but not entered gives EACCES).
  bool ParentIs(const FileIdentity& parent, int* error = nullptr) const;
  // The file an entry of the open folder stands for, links followed; false when it cannot
  // be told.
  bool EntryIdentity(const DirEntry& entry, FileIdentity* identity) const;
  // The entry still leads to the file identified, as ReadFile::OpenEntry would reach it
  // now: without following a link for an entry listed as a plain file.
  bool EntryStillIs(const DirEntry& entry, const FileIdentity& identity) const;

 private:
  friend class ReadFile;

  void* dir_ = nullptr;  // DIR*
  int dirFd_ = -1;
};

// A file opened for reading: O_RDONLY | O_NONBLOCK | O_CLOEXEC, and only a regular file:
// anything else is refused before it is opened, so a FIFO or a device is never opened,
// let alone blocks a search.
class ReadFile {
 public:
  ReadFile() = default;
  ~ReadFile();
  ReadFile(const ReadFile&) = delete;
  ReadFile& operator=(const ReadFile&) = delete;

  bool Open(const std::string& path, int* error = nullptr);
  // Opens an entry that reader listed, relative to the folder it still has open, so the
  // kernel looks up one name instead of the whole path. An entry listed as a plain regular
  // file is opened without following a link and taken for the regular file it was listed
  // as, without a further status call: had it been swapped for a link in between, the open
  // fails (ELOOP); for a FIFO, it reads nothing (ESPIPE, and never blocks). status() then
  // says regular and gives size 0. Any other entry (a link) is looked at before it is
  // opened, and only a regular file is opened at all: a device behind a link is never
  // opened (EINVAL), a folder is refused with EISDIR. EBADF when reader is not open.
  bool OpenEntry(const DirReader& reader, const DirEntry& entry, int* error = nullptr);
  // OpenEntry for an entry listed as a plain regular file, by its OS name.
  bool OpenPlainEntry(const DirReader& reader, const char* osName, int* error = nullptr);
  // Tells the kernel that the reads of this open file need nothing beyond the bytes they ask
  // for: a block at the start of a file that is not cached then costs the disk that block,
  // not the read-ahead window of the whole file.
  void ReadOnlyWhatIsAsked();
  // Asks the disk for the bytes at offset without waiting for them: a later read of them
  // finds them come, or waits only for what is still under way.
  void WillRead(uint64_t offset, size_t count);
  // How many of count bytes at offset a read can give by the size the open found: count
  // where that size says nothing (0: an entry opened as listed, or a file system that does
  // not know its sizes), 0 from the end on. Asking for no more keeps a short file to one
  // read call.
  size_t ReadableAt(uint64_t offset, size_t count) const {
    const uint64_t size = status_.size;
    if (size == 0) return count;
    return offset >= size ? 0 : static_cast<size_t>(std::min<uint64_t>(count, size - offset));
  }
  // pread; the number of bytes read (short only at the end of the file), or -1 with *error.
  int64_t ReadAt(uint64_t offset, void* buffer, size_t count, int* error = nullptr);
  // Reads everything from the current length on (for small files such as the settings).
  bool ReadAll(std::string* content, int* error = nullptr);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }
  const FileStatus& status() const { return status_; }
  // The open file (fstat of its descriptor, also for an entry opened as listed); false
  // when none is open.
  bool Identity(FileIdentity* identity, int* error = nullptr) const;
  // Trades open files (descriptor and status) with other: a file opened and read on one
  // thread is handed to another as the very same open file.
  void Swap(ReadFile& other) noexcept;

 private:
  bool Adopt(int fd, int* error);
  // name relative to dirFd (or AT_FDCWD), followed, opened only when it is a regular file.
  bool OpenRegularOnly(int dirFd, const char* osName, int* error);

  int fd_ = -1;
  FileStatus status_;
};

// Makes bytes size bytes long, to be overwritten at once (with a file's content): the pages
// of a large buffer are made present in one call, not one fault each as the zeros go in.
// Throws std::bad_alloc as resize does.
void ResizeForFill(std::string* bytes, size_t size);

// How often the program tries to open one of its own files in all, with one round of the
// caller's retry pump between two attempts: long enough for another program to let go of
// the file, short enough not to hold up the start or the end of the program.
inline constexpr int kOpenAttempts = 5;

// Reads one of the program's own files whole, for loading it: a missing one is first made
// empty when createIfMissing (never over one another process has just put there), and
// opening is tried kOpenAttempts times. room(size) gives memory for size bytes; null when
// there is none, and then no later attempt would do better, so the reading ends. On
// success *got bytes were read (fewer only when the file shrank since it was opened) and
// *length is the file's length when opened.
bool ReadForLoad(const std::string& path, bool createIfMissing, const std::function<void()>& retryPump,
                 const std::function<char*(size_t)>& room, size_t* got, uint64_t* length);

// Reads a whole file; false with *error when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string* content, int* error = nullptr);

// Replaces path with content atomically: a temporary file in the same folder (TempFile.h),
// written, fsynced, renamed over the old one, and the folder fsynced. A failure leaves the
// old file as it was and no temporary file behind.
bool WriteFileAtomic(const std::string& path, std::string_view content, int* error = nullptr);
// Creates path with content, never replacing anything: written and fsynced under a
// temporary name as above, then linked to its name (EEXIST when the name is taken: the
// file there is untouched and nothing of ours is left). Never a partial file under path.
bool WriteFileNoReplace(const std::string& path, std::string_view content, int* error = nullptr);
// Whether a file can be created in folder (ending with its separator; empty: the current
// folder), tried by creating and removing a temporary file there: a process killed in
// between leaves only a temporary name, which the next writer there sweeps away.
bool CanCreateFileIn(const std::string& folder, int* error = nullptr);

// mkdir; false with *error (EEXIST when it is there already).
bool MakeDirectory(const std::string& path, int* error = nullptr);

// unlink of the entry itself (a link is removed, never its target).
bool RemoveFile(const std::string& path, int* error = nullptr);

// Renames without ever replacing an existing entry (renameat2 RENAME_NOREPLACE). Across
// file systems the file is copied as FolderHandle::MoveEntryNoReplace copies it (under a
// temporary name, owner, mode and times kept as a rename keeps them, then named without
// replacing), and the source removed; a partial copy is removed on failure and the source
// is never lost.
bool MoveNoReplace(const std::string& from, const std::string& to, int* error = nullptr);

// The folder of the running executable, ending in the separator; empty when unknown.
std::string ExecutableFolder();

}  // namespace platform
