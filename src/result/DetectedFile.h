// One hit of a search: the file's full path as the engine reported it, the matcher's
// position value, the signature that matched, what automatic processing did to the file
// and which file and folder the search read (so that processing by hand acts on no other).
// The signature is shared with the store, so its name and category stay readable after the
// editor has changed or removed the record. A hit never changes once it is recorded; manual
// processing leaves its result as it was.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "result/HitIdentity.h"
#include "result/ProcessResult.h"
#include "settings/ProfileFile.h"
#include "util/CDFile.h"

class InvalFileInfo;

class DetectedFile {
 public:
  DetectedFile(std::string_view path, int32_t position, std::shared_ptr<InvalFileInfo> signature,
               ProcessResult result, const HitIdentity& identity = HitIdentity{});
  DetectedFile(const DetectedFile&) = delete;
  DetectedFile& operator=(const DetectedFile&) = delete;

  const CDFile& Path() const { return path_; }
  const std::string& PathText() const { return path_.PathText(); }
  // What follows the last separator.
  std::string FileName() const;
  // The folder without its trailing separator, except for a root.
  std::string Folder() const;
  int32_t Position() const { return position_; }
  // The position as unsigned 32-bit lower-case hex without leading zeros ("0", "ff").
  std::string PositionText() const;
  // Null only for a hit recorded without a signature.
  const std::shared_ptr<InvalFileInfo>& Signature() const { return signature_; }
  // The signature's name and category; empty without a signature.
  std::string SignatureName() const;
  std::string SignatureCategory() const;
  ProcessResult Result() const { return result_; }
  const HitIdentity& Identity() const { return identity_; }

  // Writes the hit's line of the log (with Store; Load does nothing). False when the
  // archive refused the text.
  bool WriteLogLine(ProfileFile::Direction direction, ProfileFile& file) const;

 private:
  CDFile path_;
  int32_t position_;
  std::shared_ptr<InvalFileInfo> signature_;
  ProcessResult result_;
  HitIdentity identity_;
};
