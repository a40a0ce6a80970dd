#include "result/DetectedFile.h"

#include "db/InvalFileInfo.h"
#include "settings/LogFormat.h"

DetectedFile::DetectedFile(std::string_view path, int32_t position, std::shared_ptr<InvalFileInfo> signature,
                           ProcessResult result, const HitIdentity& identity)
    : position_(position), signature_(std::move(signature)), result_(result), identity_(identity) {
  path_.AssignPath(path);
}

std::string DetectedFile::FileName() const { return path_.FileNamePart().str(); }

std::string DetectedFile::Folder() const { return path_.FolderPartTrimmed().str(); }

std::string DetectedFile::PositionText() const { return FormatLogPosition(position_); }

std::string DetectedFile::SignatureName() const { return signature_ ? signature_->Name() : std::string(); }

std::string DetectedFile::SignatureCategory() const {
  return signature_ ? signature_->Category() : std::string();
}

bool DetectedFile::WriteLogLine(ProfileFile::Direction direction, ProfileFile& file) const {
  if (direction != ProfileFile::Direction::Store) return true;
  std::string line = LogHitLine(FileName(), Folder(), SignatureName(), SignatureCategory(), position_, ProcessResultText(result_));
  return file.TransferText(direction, line);
}
