#include "platform/FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <utility>

#include "platform/ByteBuffer.h"
#include "platform/Encoding.h"
#include "platform/FolderHandle.h"
#include "platform/StatusHelpers.h"
#include "platform/SysCalls.h"
#include "platform/TempFile.h"

namespace platform {
namespace {

uint32_t AttributesOf(const struct stat& st) {
  const bool writable = (st.st_mode & 0222) != 0;
  if (S_ISDIR(st.st_mode)) return writable ? uint32_t{kAttrDirectory} : uint32_t{kAttrDirectory | kAttrReadOnly};
  if (S_ISREG(st.st_mode)) return writable ? uint32_t{kAttrNormal} : uint32_t{kAttrReadOnly};
  return kAttrDevice;
}

// The folder part of a path, "." for a bare name. A "/" is never the second byte of a
// double-byte character, so this serves CP932 paths as well as OS names.
std::string ParentOf(const std::string& osPath) {
  size_t slash = osPath.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return osPath.substr(0, slash);
}

// The last component of a CP932 path (see ParentOf).
std::string LastComponent(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Never blocks on a FIFO, never takes a terminal as the controlling one.
constexpr int kReadFlags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

// Plain ASCII names are the same in CP932: copied into the entry's own buffer, so listing
// a folder costs no allocation per name. Other names keep their OS bytes as well.
void AssignName(DirEntry* entry, const char* name) {
  const std::string_view os(name, std::strlen(name));
  if (IsPlainOsName(os)) {
    entry->name.assign(os.data(), os.size());
    entry->osName.clear();
  } else {
    entry->name = OsNameToCp932(os);
    entry->osName.assign(os.data(), os.size());
  }
}

}  // namespace

bool GetStatus(const std::string& path, FileStatus* status, int* error) {
  struct stat st;
  if (sys::Stat(Cp932ToOsName(path).c_str(), &st) != 0) {
    SetError(error, errno);
    return false;
  }
  FillStatus(st, status);
  return true;
}

bool GetLinkStatus(const std::string& path, FileStatus* status, int* error) {
  struct stat st;
  if (sys::Lstat(Cp932ToOsName(path).c_str(), &st) != 0) {
    SetError(error, errno);
    return false;
  }
  FillStatus(st, status);
  return true;
}

bool IsAbsentError(int error) { return error == ENOENT || error == ENOTDIR; }

bool IsUnreachableError(int error) {
  switch (error) {
    case EIO: case ENODEV: case ENXIO: case ESTALE: case ENOTCONN: case EHOSTDOWN: case ETIMEDOUT:
      return true;
    default:
      return false;
  }
}

DirReader::~DirReader() { Close(); }

int OpenInPieces(const std::string& os, int flags) {
  // Room for the terminating NUL.
  constexpr size_t kLongest = PATH_MAX - 1;
  int at = AT_FDCWD;
  size_t start = 0;
  for (;;) {
    const bool last = os.size() - start <= kLongest;
    size_t end = os.size();
    if (!last) {
      end = os.rfind('/', start + kLongest);
      // No component is that long (NAME_MAX): only a path that is not one gets here.
      if (end == std::string::npos || end <= start) {
        if (at != AT_FDCWD) sys::Close(at);
        errno = ENAMETOOLONG;
        return -1;
      }
    }
    // Whatever trails the last separator is the folder itself.
    const std::string piece = start == end ? std::string(".") : os.substr(start, end - start);
    const int fd = sys::OpenAt(at, piece.c_str(), last ? flags : O_PATH | O_DIRECTORY | O_CLOEXEC);
    const int saved = errno;
    if (at != AT_FDCWD) sys::Close(at);
    if (fd < 0 || last) {
      errno = saved;
      return fd;
    }
    at = fd;
    start = end;
    while (start < os.size() && os[start] == '/') ++start;
  }
}

bool DirReader::Open(const std::string& folder, int* error) {
  Close();
  const std::string os = folder.empty() ? std::string(".") : Cp932ToOsName(folder);
  int fd = OpenAnyLength(os, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC,
                         [](const char* path, int flags) { return sys::OpenFolderForListing(path, flags); });
  if (fd < 0) {
    SetError(error, errno);
    return false;
  }
  DIR* dir = ::fdopendir(fd);
  if (dir == nullptr) {
    SetError(error, errno);
    sys::Close(fd);
    return false;
  }
  dir_ = dir;
  dirFd_ = fd;
  return true;
}

bool DirReader::Next(DirEntry* entry, int* error) {
  if (dir_ == nullptr) return false;
  DIR* dir = static_cast<DIR*>(dir_);
  for (;;) {
    errno = 0;
    struct dirent* d = sys::ReadDir(dir, dirFd_);
    if (d == nullptr) {
      SetError(error, errno);
      return false;
    }
    const char* n = d->d_name;
    if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
    AssignName(entry, n);
    entry->size = 0;
    entry->modifiedTime = 0;
    entry->plainFile = d->d_type == DT_REG;
    entry->inode = d->d_ino;
    entry->error = 0;
    // d_type spares a stat for the common cases; links and unknown types are looked at.
    struct stat st;
    switch (d->d_type) {
      case DT_REG:
        entry->attributes = kAttrNormal;
        return true;
      case DT_DIR:
        entry->attributes = kAttrDirectory;
        return true;
      case DT_FIFO: case DT_SOCK: case DT_CHR: case DT_BLK:
        entry->attributes = kAttrDevice;
        return true;
      default:
        break;
    }
    if (sys::FstatAt(dirFd_, n, &st, AT_SYMLINK_NOFOLLOW) != 0) {
      // Vanished since it was listed: nothing there. Any other failure leaves an entry
      // that is there but could not be looked at.
      entry->attributes = kAttrReparsePoint;
      entry->error = IsAbsentError(errno) ? 0 : errno;
      return true;
    }
    entry->plainFile = S_ISREG(st.st_mode);
    if (S_ISLNK(st.st_mode)) {
      struct stat target;
      if (sys::FstatAt(dirFd_, n, &target, 0) != 0) {
        // A dangling link leads nowhere; a link whose target cannot be reached (a loop, a
        // folder we may not enter, a failing disk) may well lead to a file.
        entry->attributes = kAttrReparsePoint;
        entry->error = IsAbsentError(errno) ? 0 : errno;
        return true;
      }
      if (S_ISDIR(target.st_mode)) {
        entry->attributes = kAttrReparsePoint;
        return true;
      }
      st = target;
      entry->inode = static_cast<uint64_t>(st.st_ino);
    }
    entry->attributes = AttributesOf(st);
    entry->size = static_cast<uint64_t>(st.st_size);
    entry->modifiedTime = st.st_mtime;
    return true;
  }
}

void DirReader::Close() {
  if (dir_ != nullptr) {
    sys::Forget(dirFd_);
    ::closedir(static_cast<DIR*>(dir_));
  } else if (dirFd_ >= 0) {
    sys::Close(dirFd_);
  }
  dir_ = nullptr;
  dirFd_ = -1;
}

namespace {

// The folder of /proc where thread's descriptors are.
std::string DescriptorsOf(long thread) { return "/proc/self/task/" + std::to_string(thread) + "/fd/"; }

}  // namespace

bool DirReader::Ticket(long thread, FolderTicket* ticket) const {
  if (dirFd_ < 0 || !IdentityOfFd(dirFd_, &ticket->identity, nullptr)) return false;
  ticket->thread = thread;
  ticket->descriptor = dirFd_;
  return true;
}

bool DirReader::OpenTicket(const FolderTicket& ticket, int* error) {
  Close();
  // The entry is a link to the open folder itself, followed whatever its name says.
  const std::string entry = DescriptorsOf(ticket.thread) + std::to_string(ticket.descriptor);
  const int fd = sys::Open(entry.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    SetError(error, errno);
    return false;
  }
  FileIdentity identity;
  if (!IdentityOfFd(fd, &identity, nullptr) || !SameIdentity(identity, ticket.identity)) {
    sys::Close(fd);
    SetError(error, ESTALE);
    return false;
  }
  dirFd_ = fd;
  return true;
}

bool OwnDescriptorTablesPossible(long listingThread) {
  const int look = sys::Open(DescriptorsOf(listingThread).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (look < 0) return false;
  sys::Close(look);
  return sys::CloseRangeWorks();
}

bool UseOwnDescriptorTable() { return sys::UnshareEmptyDescriptorTable() == 0; }

bool DirReader::Identity(FileIdentity* identity, int* error) const {
  return IdentityOfFd(dirFd_, identity, error);
}

bool DirReader::Stamp(FileStamp* stamp) const {
  struct stat st;
  if (dirFd_ < 0 || ::fstat(dirFd_, &st) != 0) return false;
  FillStamp(st, stamp);
  return true;
}

bool DirReader::ParentIs(const FileIdentity& parent, int* error) const {
  const int fd = dirFd_ < 0 ? -1 : sys::OpenAt(dirFd_, "..", O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    SetError(error, dirFd_ < 0 ? EBADF : errno);
    return false;
  }
  FileIdentity identity;
  const bool known = IdentityOfFd(fd, &identity, error);
  sys::Close(fd);
  const bool same = known && SameIdentity(identity, parent);
  if (known && !same) SetError(error, ELOOP);
  return same;
}

bool DirReader::EntryIdentity(const DirEntry& entry, FileIdentity* identity) const {
  if (dirFd_ < 0) return false;
  const char* osName = entry.osName.empty() ? entry.name.c_str() : entry.osName.c_str();
  struct stat st;
  if (sys::FstatAt(dirFd_, osName, &st, 0) != 0) return false;
  *identity = IdentityOfStat(st);
  return true;
}

bool DirReader::EntryStillIs(const DirEntry& entry, const FileIdentity& identity) const {
  if (dirFd_ < 0 || !identity.known) return false;
  const char* osName = entry.osName.empty() ? entry.name.c_str() : entry.osName.c_str();
  struct stat st;
  if (sys::FstatAt(dirFd_, osName, &st, entry.plainFile ? AT_SYMLINK_NOFOLLOW : 0) != 0) return false;
  return S_ISREG(st.st_mode) && SameIdentity(IdentityOfStat(st), identity);
}

ReadFile::~ReadFile() { Close(); }

bool ReadFile::Open(const std::string& path, int* error) {
  Close();
  return OpenRegularOnly(AT_FDCWD, Cp932ToOsName(path).c_str(), error);
}

bool ReadFile::OpenEntry(const DirReader& reader, const DirEntry& entry, int* error) {
  Close();
  if (reader.dirFd_ < 0) {
    SetError(error, EBADF);
    return false;
  }
  const char* osName = entry.osName.empty() ? entry.name.c_str() : entry.osName.c_str();
  if (!entry.plainFile) return OpenRegularOnly(reader.dirFd_, osName, error);
  return OpenPlainEntry(reader, osName, error);
}

bool ReadFile::OpenPlainEntry(const DirReader& reader, const char* osName, int* error) {
  Close();
  int fd = sys::OpenAt(reader.dirFd_, osName, kReadFlags | O_NOFOLLOW);
  if (fd < 0) {
    SetError(error, reader.dirFd_ < 0 ? EBADF : errno);
    return false;
  }
  status_ = FileStatus{};
  status_.isRegular = true;
  fd_ = fd;
  return true;
}

void ReadFile::Swap(ReadFile& other) noexcept {
  std::swap(fd_, other.fd_);
  std::swap(status_, other.status_);
}

int LookAt(int dirFd, const char* osName, bool followLink, struct stat* st) {
  const int look = sys::OpenAt(dirFd, osName, O_PATH | O_CLOEXEC | (followLink ? 0 : O_NOFOLLOW));
  if (look < 0) return -1;
  if (::fstat(look, st) != 0) {
    const int saved = errno;
    sys::Close(look);
    errno = saved;
    return -1;
  }
  return look;
}

int ReopenLookedAt(int look, const struct stat& st, int dirFd, const char* osName, bool followLink, int flags) {
  int fd = sys::Reopen(look, flags, dirFd, osName);
  // Any failure is tried again by name: /proc may be missing (ENOENT) or closed to this
  // process by a security policy (EACCES), and a file it may not read fails there again.
  if (fd >= 0) return fd;
  fd = sys::OpenAt(dirFd, osName, flags | O_NONBLOCK | (followLink ? 0 : O_NOFOLLOW));
  struct stat again;
  if (fd >= 0 && (::fstat(fd, &again) != 0 || !SameIdentity(IdentityOfStat(again), IdentityOfStat(st)))) {
    sys::Close(fd);
    fd = -1;
    errno = ESTALE;
  }
  return fd;
}

bool ReadFile::OpenRegularOnly(int dirFd, const char* osName, int* error) {
  // What a name leads to is looked at before it is opened: opening a device can act on the
  // device (a watchdog starts counting down, a tape rewinds), and a link listed as leading
  // to a file may have been turned towards one since. Only a regular file is then opened,
  // through the descriptor it was looked at by, so it is the very file looked at.
  struct stat st;
  const int look = LookAt(dirFd, osName, true, &st);
  if (look < 0) {
    SetError(error, errno);
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    sys::Close(look);
    SetError(error, S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
    return false;
  }
  const int fd = ReopenLookedAt(look, st, dirFd, osName, true, kReadFlags);
  const int saved = errno;
  sys::Close(look);
  if (fd < 0) {
    SetError(error, saved);
    return false;
  }
  // The very file looked at: its status is the one already taken.
  FillStatus(st, &status_);
  fd_ = fd;
  return true;
}

// Takes over fd (the result of an open) when it is a regular file.
bool ReadFile::Adopt(int fd, int* error) {
  if (fd < 0) {
    SetError(error, errno);
    return false;
  }
  struct stat st;
  if (::fstat(fd, &st) != 0) {
    SetError(error, errno);
    sys::Close(fd);
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    SetError(error, S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
    sys::Close(fd);
    return false;
  }
  FillStatus(st, &status_);
  fd_ = fd;
  return true;
}

void ResizeForFill(std::string* bytes, size_t size) {
  if (bytes->capacity() < size) {
    bytes->reserve(size);
    PrefaultForWrite(bytes->data(), size);
  }
  bytes->resize(size);
}

bool ReadForLoad(const std::string& path, bool createIfMissing, const std::function<void()>& retryPump,
                 const std::function<char*(size_t)>& room, size_t* got, uint64_t* length) {
  FileStatus status;
  if (createIfMissing && !GetStatus(path, &status)) WriteFileNoReplace(path, std::string_view());
  for (int attempt = 1; attempt <= kOpenAttempts; ++attempt) {
    ReadFile file;
    if (file.Open(path)) {
      char* at = room(static_cast<size_t>(file.status().size));
      if (at == nullptr) return false;
      const int64_t read = file.ReadAt(0, at, static_cast<size_t>(file.status().size));
      if (read >= 0) {
        *got = static_cast<size_t>(read);
        *length = file.status().size;
        return true;
      }
    }
    if (attempt < kOpenAttempts && retryPump) retryPump();
  }
  return false;
}

void ReadFile::ReadOnlyWhatIsAsked() {
  // Only advice: a file system that does not take it reads as it would.
  if (fd_ >= 0) posix_fadvise(fd_, 0, 0, POSIX_FADV_RANDOM);
}

void ReadFile::WillRead(uint64_t offset, size_t count) {
  // Only advice, as above. A count of 0 would ask for the whole rest of the file.
  if (fd_ >= 0 && count > 0 && offset <= static_cast<uint64_t>(LLONG_MAX))
    posix_fadvise(fd_, static_cast<off_t>(offset), static_cast<off_t>(count), POSIX_FADV_WILLNEED);
}

int64_t ReadFile::ReadAt(uint64_t offset, void* buffer, size_t count, int* error) {
  if (fd_ < 0) {
    SetError(error, EBADF);
    return -1;
  }
  if (offset > static_cast<uint64_t>(LLONG_MAX)) return 0;
  size_t done = 0;
  char* out = static_cast<char*>(buffer);
  while (done < count) {
    ssize_t n = sys::Pread(fd_, out + done, count - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      SetError(error, errno);
      return -1;
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return static_cast<int64_t>(done);
}

bool ReadFile::ReadAll(std::string* content, int* error) {
  content->clear();
  char buffer[1 << 16];
  uint64_t offset = 0;
  for (;;) {
    int64_t n = ReadAt(offset, buffer, sizeof buffer, error);
    if (n < 0) return false;
    if (n == 0) return true;
    content->append(buffer, static_cast<size_t>(n));
    offset += static_cast<uint64_t>(n);
  }
}

void ReadFile::Close() {
  if (fd_ >= 0) sys::Close(fd_);
  fd_ = -1;
}

bool ReadFile::Identity(FileIdentity* identity, int* error) const {
  return IdentityOfFd(fd_, identity, error);
}

bool ReadWholeFile(const std::string& path, std::string* content, int* error) {
  ReadFile file;
  return file.Open(path, error) && file.ReadAll(content, error);
}

namespace {

// Writes content into a new temporary file of the folder of osPath and hands it to
// publish(folderFd, temporaryName), which gives it its real name. On any failure the
// temporary is removed and the real name is untouched.
template <typename Publish>
bool WriteThroughTemporary(const std::string& osPath, std::string_view content, mode_t mode, int* error,
                           Publish publish) {
  const int folder = sys::Open(ParentOf(osPath).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (folder < 0) {
    SetError(error, errno);
    return false;
  }
  std::string temp;
  const int fd = CreateTemporaryAt(folder, mode, &temp);
  if (fd < 0) {
    SetError(error, errno);
    sys::Close(folder);
    return false;
  }
  bool ok = WriteFully(sys::Write, fd, content.data(), content.size()) && sys::Fsync(fd) == 0 &&
            publish(folder, temp.c_str());
  int saved = errno;
  if (!ok) {
    // Not through the fault switch: the clean-up must happen whatever the test broke.
    ::unlinkat(folder, temp.c_str(), 0);
  }
  // The lock goes with the descriptor, after the temporary name is gone.
  if (sys::Close(fd) != 0 && ok) {
    ok = false;
    saved = errno;
  }
  if (ok) {
    const int sync = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (sync >= 0) {
      sys::Fsync(sync);
      sys::Close(sync);
    }
  }
  sys::Close(folder);
  if (!ok) SetError(error, saved);
  return ok;
}

}  // namespace

bool WriteFileAtomic(const std::string& path, std::string_view content, int* error) {
  const std::string os = Cp932ToOsName(path);
  // Keep the permissions of the file being replaced: of a regular file at the name, never
  // of what a link there leads to, and without set-user-ID, set-group-ID or sticky bits.
  // Root replacing a link planted towards a set-user-ID program, or a file an ordinary user
  // made set-user-ID, must not leave a set-user-ID file of its own.
  mode_t mode = 0644;
  struct stat old;
  if (::lstat(os.c_str(), &old) == 0 && S_ISREG(old.st_mode)) mode = old.st_mode & 0777;
  const std::string name = LastComponent(os);
  const std::string folderPath = ParentOf(os) + "/";
  return WriteThroughTemporary(os, content, mode, error, [&](int, const char* temp) {
    return sys::Rename((folderPath + temp).c_str(), os.c_str()) == 0;
  });
}

bool CanCreateFileIn(const std::string& folder, int* error) {
  const std::string os = folder.empty() ? std::string(".") : Cp932ToOsName(folder);
  const int dir = sys::Open(os.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) {
    SetError(error, errno);
    return false;
  }
  std::string temp;
  const int fd = CreateTemporaryAt(dir, 0600, &temp);
  const int saved = errno;
  if (fd >= 0) {
    ::unlinkat(dir, temp.c_str(), 0);
    sys::Close(fd);
  }
  sys::Close(dir);
  if (fd < 0) SetError(error, saved);
  return fd >= 0;
}

bool WriteFileNoReplace(const std::string& path, std::string_view content, int* error) {
  const std::string os = Cp932ToOsName(path);
  const std::string name = LastComponent(os);
  return WriteThroughTemporary(os, content, 0644, error, [&](int folder, const char* temp) {
    // A second name for the finished file; EEXIST leaves whatever holds the name alone.
    if (::linkat(folder, temp, folder, name.c_str(), 0) == 0) {
      ::unlinkat(folder, temp, 0);
      return true;
    }
    if (errno != EPERM && errno != EOPNOTSUPP) return false;
    // File systems without hard links.
    return sys::RenameAt2(folder, temp, folder, name.c_str(), RENAME_NOREPLACE) == 0;
  });
}

bool MakeDirectory(const std::string& path, int* error) {
  if (::mkdir(Cp932ToOsName(path).c_str(), 0777) != 0) {
    SetError(error, errno);
    return false;
  }
  return true;
}

bool RemoveFile(const std::string& path, int* error) {
  if (sys::Unlink(Cp932ToOsName(path).c_str()) != 0) {
    SetError(error, errno);
    return false;
  }
  return true;
}

bool MoveNoReplace(const std::string& from, const std::string& to, int* error) {
  // The paths are taken as given (links in them followed); only the last step goes by
  // name relative to the two folders.
  FolderHandle fromFolder;
  FolderHandle toFolder;
  if (!fromFolder.Open(ParentOf(from), error) || !toFolder.Open(ParentOf(to), error)) return false;
  return fromFolder.MoveEntryNoReplace(LastComponent(from), toFolder, LastComponent(to), FileIdentity{}, error);
}


FileIdentity IdentityOf(const FileStatus& status) { return FileIdentity{status.device, status.inode, true}; }

bool SameIdentity(const FileIdentity& a, const FileIdentity& b) {
  return a.known && b.known && a.device == b.device && a.inode == b.inode;
}

std::string ExecutableFolder() {
  char buffer[4096];
  ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return std::string();
  std::string os(buffer, static_cast<size_t>(n));
  size_t slash = os.rfind('/');
  if (slash == std::string::npos) return std::string();
  return OsNameToCp932(os.substr(0, slash + 1));
}

}  // namespace platform
