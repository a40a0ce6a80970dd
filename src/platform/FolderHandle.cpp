#include "platform/FolderHandle.h"

#include <sys/xattr.h>

#include <climits>
#include <vector>

#include "platform/Encoding.h"
#include "platform/StatusHelpers.h"
#include "platform/SysCalls.h"
#include "platform/TempFile.h"

namespace platform {
namespace {

constexpr int kHandleFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;

// Removes the entry only while it is still the file made by us: a copy is never taken
// back by a name somebody else has reused in the meantime. Not through the fault switch:
// the clean-up must happen whatever a test broke.
void RemoveOwnCopy(int dirFd, const char* name, const struct stat& copy) {
  struct stat now;
  if (::fstatat(dirFd, name, &now, AT_SYMLINK_NOFOLLOW) == 0 && SameIdentity(IdentityOfStat(now), IdentityOfStat(copy)))
    ::unlinkat(dirFd, name, 0);
}

// Copies in to out from the start; false with errno on a read or write error.
bool CopyContent(int in, int out) {
  char buffer[1 << 16];
  for (;;) {
    const ssize_t n = sys::Read(in, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return true;
    if (!WriteFully(sys::CopyWrite, out, buffer, static_cast<size_t>(n))) return false;
  }
}

// Gives the copy the source's extended attributes (a user's own notes, access control
// lists, security labels), as far as the target file system and this process may hold
// them: a rename keeps them all, and a copy that cannot keep one is still a copy.
void CarryOverExtendedAttributes(int in, int out) {
  std::vector<char> names;
  for (ssize_t size = ::flistxattr(in, nullptr, 0); size > 0; size = ::flistxattr(in, nullptr, 0)) {
    names.resize(static_cast<size_t>(size));
    const ssize_t got = ::flistxattr(in, names.data(), names.size());
    if (got >= 0) {
      names.resize(static_cast<size_t>(got));
      break;
    }
    if (errno != ERANGE) return;  // grown in between: asked again
  }
  std::vector<char> value;
  for (size_t at = 0; at < names.size();) {
    const char* name = names.data() + at;
    at += std::char_traits<char>::length(name) + 1;
    const ssize_t size = ::fgetxattr(in, name, nullptr, 0);
    if (size < 0) continue;
    value.resize(static_cast<size_t>(size));
    const ssize_t got = ::fgetxattr(in, name, value.data(), value.size());
    if (got >= 0) ::fsetxattr(out, name, value.data(), static_cast<size_t>(got), 0);
  }
}

// Gives the written copy what a rename would have kept: owner and group where this
// process may give them, then the mode (a change of owner clears set-user-ID), then the
// times. A copy that could not keep its owner or group loses set-user-ID, set-group-ID and
// sticky bits, as a copying move does: a user's set-user-ID program moved by root must not
// become root's. Owner and times are kept as far as the file system allows; only a mode
// that cannot be set fails the copy (the source then stays).
bool CarryOverAttributes(int out, const struct stat& source) {
  mode_t mode = source.st_mode & 07777;
  if (::fchown(out, source.st_uid, source.st_gid) != 0) {
    ::fchown(out, static_cast<uid_t>(-1), source.st_gid);  // the group alone, where it may go
    mode &= ~static_cast<mode_t>(S_ISUID | S_ISGID | S_ISVTX);
  }
  if (::fchmod(out, mode) != 0) return false;
  const struct timespec times[2] = {source.st_atim, source.st_mtim};
  ::futimens(out, times);
  return true;
}

// Gives the finished copy in temp its real name, never replacing what holds that name
// (EEXIST). A second link where the file system has them, so the temporary name stays
// ours to remove; a rename that does not replace where it has none.
bool PublishCopy(int dirFd, const char* temp, const char* name) {
  if (sys::LinkAt(dirFd, temp, dirFd, name) == 0) return true;
  if (errno != EPERM && errno != EOPNOTSUPP) return false;
  return sys::RenameAt2(dirFd, temp, dirFd, name, RENAME_NOREPLACE) == 0;
}

}  // namespace

FolderHandle::~FolderHandle() { Close(); }

void FolderHandle::Close() {
  if (fd_ >= 0) sys::Close(fd_);
  fd_ = -1;
}

bool FolderHandle::OpenNoFollow(const std::string& folder, int* error) { return Walk(folder, error, -1); }

bool FolderHandle::OpenFollowingOwnLinks(const std::string& folder, int* error, long trustedUser) {
  return Walk(folder, error, trustedUser < 0 ? static_cast<long>(::geteuid()) : trustedUser);
}

bool FolderHandle::Walk(const std::string& folder, int* error, long trustedUser) {
  Close();
  constexpr int kMaxLinks = 40;  // as the kernel allows on one path
  const bool followsLinks = trustedUser >= 0;
  const uid_t trusted = followsLinks ? static_cast<uid_t>(trustedUser) : 0;
  std::string rest = Cp932ToOsName(folder);
  int fd = sys::Open(!rest.empty() && rest[0] == '/' ? "/" : ".", kHandleFlags);
  if (fd < 0) {
    SetError(error, errno);
    return false;
  }
  const auto fail = [&](int failure) {
    sys::Close(fd);
    SetError(error, failure);
    return false;
  };
  std::string component;
  size_t start = 0;
  for (int links = 0; start < rest.size();) {
    size_t end = rest.find('/', start);
    if (end == std::string::npos) end = rest.size();
    component.assign(rest, start, end - start);
    start = end + 1;
    if (component.empty()) continue;
    const int next = sys::OpenAt(fd, component.c_str(), kHandleFlags | O_NOFOLLOW);
    if (next >= 0) {
      sys::Close(fd);
      fd = next;
      continue;
    }
    const int saved = errno;
    if (!followsLinks || (saved != ELOOP && saved != ENOTDIR)) return fail(saved);
    // The link itself is held while its owner and text are read, so both are of one link
    // even if another is swapped in meanwhile.
    const int link = sys::OpenAt(fd, component.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
    if (link < 0) return fail(errno);
    struct stat st;
    std::string target(PATH_MAX + 1, '\0');
    ssize_t length = -1;
    int failure = saved;  // not a link: the error of the open stands
    if (::fstat(link, &st) != 0) failure = errno;
    else if (!S_ISLNK(st.st_mode)) failure = saved;
    else if (st.st_uid != 0 && st.st_uid != trusted) failure = EPERM;
    else if (++links > kMaxLinks) failure = ELOOP;
    else if ((length = ::readlinkat(link, "", target.data(), target.size())) < 0) failure = errno;
    sys::Close(link);
    if (length < 0) return fail(failure);
    if (static_cast<size_t>(length) >= target.size()) return fail(ENAMETOOLONG);
    target.resize(static_cast<size_t>(length));
    if (target.empty()) return fail(ENOENT);
    rest = target + "/" + (start < rest.size() ? rest.substr(start) : std::string());
    start = 0;
    if (target[0] == '/') {
      sys::Close(fd);
      fd = sys::Open("/", kHandleFlags);
      if (fd < 0) {
        SetError(error, errno);
        return false;
      }
    }
  }
  fd_ = fd;
  return true;
}

bool FolderHandle::Open(const std::string& folder, int* error) {
  Close();
  const std::string os = folder.empty() ? std::string(".") : Cp932ToOsName(folder);
  fd_ = OpenAnyLength(os, kHandleFlags, [](const char* path, int flags) { return sys::Open(path, flags); });
  if (fd_ < 0) SetError(error, errno);
  return fd_ >= 0;
}

bool FolderHandle::Identity(FileIdentity* identity, int* error) const {
  return IdentityOfFd(fd_, identity, error);
}

bool FolderHandle::EntryStatus(const std::string& name, bool followLink, FileStatus* status, int* error) const {
  struct stat st;
  if (sys::FstatAt(fd_, Cp932ToOsName(name).c_str(), &st, followLink ? 0 : AT_SYMLINK_NOFOLLOW) != 0) {
    SetError(error, errno);
    return false;
  }
  FillStatus(st, status);
  return true;
}

bool FolderHandle::EntryStamp(const std::string& name, FileStamp* stamp, int* error) const {
  struct stat st;
  if (sys::FstatAt(fd_, Cp932ToOsName(name).c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
    SetError(error, errno);
    return false;
  }
  FillStamp(st, stamp);
  return true;
}

bool FolderHandle::EntryIs(const std::string& name, const FileIdentity& expected, int* error) const {
  return OsEntryIs(Cp932ToOsName(name), expected, error);
}

bool FolderHandle::OsEntryIs(const std::string& osName, const FileIdentity& expected, int* error) const {
  struct stat st;
  if (sys::FstatAt(fd_, osName.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
      (S_ISLNK(st.st_mode) && sys::FstatAt(fd_, osName.c_str(), &st, 0) != 0)) {
    SetError(error, errno);
    return false;
  }
  if (S_ISDIR(st.st_mode) || !SameIdentity(IdentityOfStat(st), expected)) {
    SetError(error, ESTALE);
    return false;
  }
  return true;
}

bool FolderHandle::TakeAside(const std::string& osName, const FileIdentity& expected, std::string* osAside,
                             int* error) const {
  std::string aside = NewAsideName();
  if (sys::RenameAt2(fd_, osName.c_str(), fd_, aside.c_str(), RENAME_NOREPLACE) != 0) {
    SetError(error, errno);
    return false;
  }
  if (OsEntryIs(aside, expected, nullptr)) {
    *osAside = std::move(aside);
    return true;
  }
  GiveBack(aside, osName);
  SetError(error, ESTALE);
  return false;
}

void FolderHandle::GiveBack(const std::string& osAside, const std::string& osName) const {
  // Not through the fault switch: putting a file back must happen whatever a test broke.
  ::renameat2(fd_, osAside.c_str(), fd_, osName.c_str(), RENAME_NOREPLACE);
}

bool FolderHandle::RemoveEntry(const std::string& name, const FileIdentity& expected, int* error) const {
  const std::string osName = Cp932ToOsName(name);
  if (expected.known) return RemoveTakenAside(osName, expected, error);
  if (sys::UnlinkAt(fd_, osName.c_str()) != 0) {
    SetError(error, errno);
    return false;
  }
  return true;
}

bool FolderHandle::RemoveTakenAside(const std::string& osName, const FileIdentity& expected, int* error) const {
  std::string osAside;
  if (!TakeAside(osName, expected, &osAside, error)) return false;
  if (sys::UnlinkAt(fd_, osAside.c_str()) != 0) {
    SetError(error, errno);
    GiveBack(osAside, osName);
    return false;
  }
  return true;
}

bool FolderHandle::MoveEntryNoReplace(const std::string& name, const FolderHandle& to, const std::string& toName,
                                      const FileIdentity& expected, int* error) const {
  if (fd_ < 0 || to.fd_ < 0) {
    SetError(error, EBADF);
    return false;
  }
  const std::string osName = Cp932ToOsName(name);
  const std::string osToName = Cp932ToOsName(toName);
  // A copy to another file system reads the file through a descriptor it checks, and takes
  // the name aside only to remove the source at the end: a copy killed half-way leaves the
  // source under its own name.
  FileIdentity here, there;
  const bool known = Identity(&here) && to.Identity(&there);
  // The entry's own name is taken, by the entry: taking it aside first would free the name
  // and report a rename or move that changed nothing.
  if (known && SameIdentity(here, there) && osName == osToName) {
    SetError(error, EEXIST);
    return false;
  }
  const bool across = known && here.device != there.device;
  if (!across) {
    std::string osAside;
    if (expected.known && !TakeAside(osName, expected, &osAside, error)) return false;
    const std::string& from = expected.known ? osAside : osName;
    if (sys::RenameAt2(fd_, from.c_str(), to.fd_, osToName.c_str(), RENAME_NOREPLACE) == 0) return true;
    const int failure = errno;
    if (expected.known) GiveBack(osAside, osName);
    if (failure != EXDEV) {
      SetError(error, failure);
      return false;
    }
  }
  return CopyAcross(osName, to, osToName, expected, error);
}

bool FolderHandle::CopyAcross(const std::string& osName, const FolderHandle& to, const std::string& osToName,
                              const FileIdentity& expected, int* error) const {
  const int in = sys::OpenAt(fd_, osName.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (in < 0) {
    SetError(error, errno);
    return false;
  }
  // Only a regular file is copied; a link, FIFO or device stays where it is.
  struct stat source;
  int failure = 0;
  if (::fstat(in, &source) != 0) {
    failure = errno;
  } else if (!S_ISREG(source.st_mode)) {
    failure = EXDEV;
  } else if (expected.known && !SameIdentity(IdentityOfStat(source), expected)) {
    failure = ESTALE;
  }
  if (failure != 0) {
    sys::Close(in);
    SetError(error, failure);
    return false;
  }

  // Readable by nobody else until it has its owner and mode: a set-user-ID program is
  // never, not even for an instant, somebody else's to run as us.
  std::string temp;
  const int out = CreateTemporaryAt(to.fd_, 0600, &temp);
  struct stat copy;
  if (out < 0 || ::fstat(out, &copy) != 0) {
    failure = errno;
    if (out >= 0) {
      ::unlinkat(to.fd_, temp.c_str(), 0);  // made by us this instant, O_EXCL
      sys::Close(out);
    }
    sys::Close(in);
    SetError(error, failure);
    return false;
  }
  bool ok = CopyContent(in, out);
  // Before the owner and mode: a label or an access list may no longer be settable after.
  if (ok) CarryOverExtendedAttributes(in, out);
  ok = ok && CarryOverAttributes(out, source) && sys::Fsync(out) == 0 &&
       PublishCopy(to.fd_, temp.c_str(), osToName.c_str());
  if (!ok) failure = errno;
  // The name under construction goes while our lock still holds it; on success the copy
  // lives on under its real name.
  RemoveOwnCopy(to.fd_, temp.c_str(), copy);
  if (sys::Close(out) != 0 && ok) {
    ok = false;
    failure = errno;
  }
  sys::Close(in);
  if (ok) {
    const int folder = sys::OpenAt(to.fd_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
      sys::Fsync(folder);
      sys::Close(folder);
    }
    // The source goes only while its name still holds the file that was copied: it is taken
    // aside and removed under its private name.
    int removeError = 0;
    if (!RemoveTakenAside(osName, IdentityOfStat(source), &removeError)) {
      ok = false;
      failure = removeError;
    }
    // A copy whose source could not be removed is taken back: the file exists once.
    if (!ok) RemoveOwnCopy(to.fd_, osToName.c_str(), copy);
  }
  if (!ok) SetError(error, failure);
  return ok;
}

}  // namespace platform
