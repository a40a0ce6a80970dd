#include "log/SearchLog.h"

#include "log/JournalFormat.h"
#include "platform/FileSystem.h"
#include "result/DetectedFileList.h"
#include "util/CDFile.h"

namespace {

bool HoldsJournal(const std::string& path) {
  const std::string header = JournalHeader();
  std::string start(header.size(), '\0');
  platform::ReadFile file;
  return file.Open(path) && file.ReadAt(0, start.data(), start.size()) == static_cast<int64_t>(start.size()) &&
         start == header;
}

bool WriteLog(const std::string& path, const SearchRunInfo& run, const DetectedFileList* hits,
              ProfileFile::Commit commit, int* error, ProfileFile& file) {
  if (error != nullptr) *error = 0;
  try {
    CDFile target;
    target.AssignPath(path);
    if (target.FileNamePart().IsEmpty()) return false;
    // Checked again here, not only before the search: the entry may have been swapped since.
    std::string reason;
    if (commit == ProfileFile::Commit::Replace && !MayBeReplaced(path, &reason)) return false;
    if (!file.SetPath(target.FileNamePart().str(), target.FolderPart().str(), nullptr, true)) return false;
    if (!file.OpenArchive(ProfileFile::Direction::Store, true, commit)) {
      if (error != nullptr) *error = file.StoreError();
      return false;
    }

    const DetectedFileList noHits;
    const DetectedFileList& list = hits != nullptr ? *hits : noHits;
    // After a refused text the archive refuses every further one and the close reports it;
    // the old file then stays as it was.
    WriteLogHeader(ProfileFile::Direction::Store, file, run) &&
        list.WriteLogDetections(ProfileFile::Direction::Store, file);
    const bool closed = file.CloseArchive();
    if (!closed && error != nullptr) *error = file.StoreError();
    return closed;
  } catch (const std::exception&) {
    file.CloseArchive();
    return false;
  }
}

}  // namespace

bool MayBeReplaced(const std::string& path, std::string* reason) {
  platform::FileStatus status;
  if (!platform::GetLinkStatus(path, &status)) return true;
  if (status.isLink) {
    *reason = "is a symbolic link";
  } else if (status.isDirectory) {
    *reason = "is a folder";
  } else if (!status.isRegular) {
    *reason = "is not a regular file (a device, FIFO or socket)";
  } else if (HoldsJournal(path)) {
    *reason = "holds a journal, which --undo needs";
  } else {
    return true;
  }
  return false;
}

bool WriteLogFile(const std::string& path, const SearchRunInfo& run, const DetectedFileList* hits,
                  ProfileFile& file) {
  return WriteLog(path, run, hits, ProfileFile::Commit::Replace, nullptr, file);
}

bool CreateLogFile(const std::string& path, const SearchRunInfo& run, const DetectedFileList* hits, int* error,
                   ProfileFile& file) {
  return WriteLog(path, run, hits, ProfileFile::Commit::CreateNew, error, file);
}
