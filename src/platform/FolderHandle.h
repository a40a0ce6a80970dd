// A handle on one folder, through which its entries are examined, removed, renamed and
// moved by name alone. Once the handle is open, nothing done to the path it was opened by
// (a folder renamed away, a link swapped in for one of its components) changes which
// folder it acts in. Processing a hit opens the hit's folder this way, walking its path
// without following any link, so that a tree which changes under a search cannot steer a
// delete, rename or move into another folder.
//
// Names are single components in CP932, turned into the OS's bytes here.
#pragma once

#include <string>

#include "platform/FileStamp.h"
#include "platform/FileSystem.h"

namespace platform {

class FolderHandle {
 public:
  FolderHandle() = default;
  ~FolderHandle();
  FolderHandle(const FolderHandle&) = delete;
  FolderHandle& operator=(const FolderHandle&) = delete;

  // Walks folder from the root ("/"; the current folder for a relative path) one component
  // at a time, each opened relative to the one before without following a link: a
  // component that is a link fails with ELOOP or ENOTDIR. An empty folder is the current
  // one. "." and ".." components are taken as the file system gives them.
  bool OpenNoFollow(const std::string& folder, int* error = nullptr);
  // Walks folder as OpenNoFollow does, but a link on the way is followed when root or
  // trustedUser (-1: the effective user) owns it, as the kernel reasons for links in shared
  // folders: a link of one's own or of root's leads where its owner meant, a link of anyone
  // else may have been planted to steer this process into a folder of the planter's choice.
  // Such a link fails with EPERM, nothing opened; more than 40 links with ELOOP.
  bool OpenFollowingOwnLinks(const std::string& folder, int* error = nullptr, long trustedUser = -1);
  // Opens folder following links, as any path is taken (a folder the user named).
  bool Open(const std::string& folder, int* error = nullptr);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }

  // The folder itself.
  bool Identity(FileIdentity* identity, int* error = nullptr) const;
  // The entry itself (a link is not followed), or what a link leads to.
  bool EntryStatus(const std::string& name, bool followLink, FileStatus* status, int* error = nullptr) const;
  // The entry itself as precisely as the file system records it (a link is not followed).
  bool EntryStamp(const std::string& name, FileStamp* stamp, int* error = nullptr) const;
  // The entry is the file expected: a regular file with that identity, or a link that leads
  // to it. ESTALE when it is another file, ENOENT when there is none.
  bool EntryIs(const std::string& name, const FileIdentity& expected, int* error = nullptr) const;

  // unlinkat: the entry itself (a link, never its target). When expected is known, only
  // while the entry is that file (as EntryIs): it is taken aside (TakeAside) and removed
  // under its private name, so that a file put in its place at any instant is never
  // removed (ESTALE, the name given back).
  bool RemoveEntry(const std::string& name, const FileIdentity& expected = FileIdentity{},
                   int* error = nullptr) const;
  // Moves the entry to toName in folder to (which may be this one) without ever replacing
  // an existing entry (renameat2 RENAME_NOREPLACE: EEXIST, nothing touched). Across file
  // systems only a regular file is moved: it is read through a descriptor opened without
  // following a link and copied under a temporary name in the target folder (TempFile.h),
  // which then gets the source's owner and group where permitted, its mode (without
  // set-user-ID and set-group-ID when the owner or group could not follow) and its times;
  // fsynced, it is given toName without replacing anything (a link, or a rename that does
  // not replace), and the source is removed only while it is still the file that was
  // copied. A failure removes the copy and leaves the source; a killed move leaves only
  // the temporary name, never a partial file under toName. When expected is known, the
  // entry is taken aside first and moved from its private name only while it is that file
  // (ESTALE otherwise); a move that fails gives it its name back. A copy refuses (ESTALE) a
  // source that is not expected, and removes the source by taking it aside too.
  bool MoveEntryNoReplace(const std::string& name, const FolderHandle& to, const std::string& toName,
                          const FileIdentity& expected = FileIdentity{}, int* error = nullptr) const;

 private:
  // OpenNoFollow (trustedUser -1) and OpenFollowingOwnLinks (the user whose links are
  // followed, besides root's).
  bool Walk(const std::string& folder, int* error, long trustedUser);
  // A name can be given to another file at any instant between a check and an action on
  // it: the entry is renamed (never replacing) to a private name (NewAsideName) in this
  // folder and checked there, where nobody else puts files. Not the expected file (a link
  // leading to it counts, as in EntryIs): the name is given back, ESTALE.
  bool TakeAside(const std::string& osName, const FileIdentity& expected, std::string* osAside, int* error) const;
  // Gives an entry taken aside its name back, never replacing what holds that name now (the
  // file then stays under its private name).
  void GiveBack(const std::string& osAside, const std::string& osName) const;
  // Takes the entry aside, checks it there and removes it; a failed removal gives it its
  // name back.
  bool RemoveTakenAside(const std::string& osName, const FileIdentity& expected, int* error) const;
  // EntryIs for a name already in the OS's bytes.
  bool OsEntryIs(const std::string& osName, const FileIdentity& expected, int* error) const;
  bool CopyAcross(const std::string& osName, const FolderHandle& to, const std::string& osToName,
                  const FileIdentity& expected, int* error) const;

  int fd_ = -1;  // O_PATH: good for lookups, status, rename and unlink, never for reading
};

}  // namespace platform
