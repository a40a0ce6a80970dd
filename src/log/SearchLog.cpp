#include "log/SearchLog.h"

#include "result/DetectedFileList.h"
#include "util/CDFile.h"

bool WriteLogFile(const std::string& path, const SearchRunInfo& run, const DetectedFileList* hits,
                  ProfileFile& file) {
  try {
    CDFile target;
    target.AssignPath(path);
    if (target.FileNamePart().IsEmpty()) return false;
    if (!file.SetPath(target.FileNamePart().str(), target.FolderPart().str(), nullptr, true)) return false;
    if (!file.OpenArchive(ProfileFile::Direction::Store, true)) return false;

    const DetectedFileList noHits;
    const DetectedFileList& list = hits != nullptr ? *hits : noHits;
    // After a refused text the archive refuses every further one and the close reports it;
    // the old file then stays as it was.
    WriteLogHeader(ProfileFile::Direction::Store, file, run) &&
        list.WriteLogDetections(ProfileFile::Direction::Store, file);
    return file.CloseArchive();
  } catch (const std::exception&) {
    file.CloseArchive();
    return false;
  }
}
