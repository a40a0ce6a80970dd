#include "log/SearchLog.h"

#include "result/DetectedFileList.h"
#include "util/CDFile.h"

namespace {

bool WriteLog(const std::string& path, const SearchRunInfo& run, const DetectedFileList* hits,
              ProfileFile::Commit commit, int* error, ProfileFile& file) {
  if (error != nullptr) *error = 0;
  try {
    CDFile target;
    target.AssignPath(path);
    if (target.FileNamePart().IsEmpty()) return false;
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

bool WriteLogFile(const std::string& path, const SearchRunInfo& run, const DetectedFileList* hits,
                  ProfileFile& file) {
  return WriteLog(path, run, hits, ProfileFile::Commit::Replace, nullptr, file);
}

bool CreateLogFile(const std::string& path, const SearchRunInfo& run, const DetectedFileList* hits, int* error,
                   ProfileFile& file) {
  return WriteLog(path, run, hits, ProfileFile::Commit::CreateNew, error, file);
}
