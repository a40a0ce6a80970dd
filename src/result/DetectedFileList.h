// The hits of the current search in the order the engine found them. The list owns its
// hits; they are appended at the end and never removed singly, and a hit stays at the same
// address for the life of the list, so a form row may keep a pointer to it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string_view>

#include "result/DetectedFile.h"
#include "settings/ProfileFile.h"

class DetectedFileList {
 public:
  using const_iterator = std::deque<DetectedFile>::const_iterator;

  DetectedFileList() = default;
  DetectedFileList(const DetectedFileList&) = delete;
  DetectedFileList& operator=(const DetectedFileList&) = delete;

  // Fails for an empty path (and when memory runs out); the list is then unchanged.
  bool Append(std::string_view path, int32_t position, std::shared_ptr<InvalFileInfo> signature,
              ProcessResult result, const HitIdentity& identity = HitIdentity{});

  size_t size() const { return hits_.size(); }
  bool empty() const { return hits_.empty(); }
  const DetectedFile& operator[](size_t index) const { return hits_[index]; }
  const DetectedFile& back() const { return hits_.back(); }
  const_iterator begin() const { return hits_.begin(); }
  const_iterator end() const { return hits_.end(); }

  // Writes the hits section of a log: the count line, the rule, the column heads and one
  // line per hit (with Store; Load does nothing). False when the archive refused a text.
  bool WriteLogDetections(ProfileFile::Direction direction, ProfileFile& file) const;

 private:
  std::deque<DetectedFile> hits_;
};
