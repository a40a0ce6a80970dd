// One file of a CScanEngine search: open, read the block, fingerprint, search or register.
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <utility>

#include "db/InvalFileDB.h"
#include "db/InvalFileInfo.h"
#include "engine/CScanEngine.h"
#include "engine/Md5.h"
#include "engine/SearchProblemSink.h"
#include "engine/SearchRegistration.h"
#include "engine/SignatureQuality.h"
#include "util/CDFile.h"

namespace {

// Errors that say the process, not the file, is in trouble: every file after this one
// would fail the same way, so the search ends rather than skip them all.
bool IsProcessWideError(int error) { return error == EMFILE || error == ENFILE || error == ENOMEM; }

}  // namespace

int CScanEngine::OpenTarget(const std::string& path) {
  blockPosition_ = 0;
  blockLength_ = 0;
  if (!file_) return kNotOpenable;  // never prepared
  file_->AssignPath(path);
  int error = 0;
  targetInFolder_ = false;
  const bool opened = file_->OpenPath(&error);
  return OpenResultOf(opened, error);
}

int CScanEngine::OpenTargetInFolder(const std::string& folder, const platform::DirEntry& entry) {
  blockPosition_ = 0;
  blockLength_ = 0;
  file_->AssignPath(folder, entry.name);
  int error = 0;
  const bool opened = file_->File().OpenEntry(*finder_, entry, &error);
  targetInFolder_ = opened;
  return OpenResultOf(opened, error);
}

int CScanEngine::OpenResultOf(bool opened, int error) {
  openError_ = opened ? 0 : error;
  if (opened) return kOpened;
  return IsProcessWideError(error) ? kOpenFileError : kNotOpenable;
}

void CScanEngine::CloseTarget() {
  if (file_ && file_->IsOpen()) file_->Close();
}

void CScanEngine::OpenTargetIdentity(platform::FileIdentity* file, platform::FileIdentity* folder) const {
  *file = platform::FileIdentity{};
  *folder = platform::FileIdentity{};
  if (!file_ || !file_->IsOpen() || !file_->File().Identity(file)) return;
  if (targetInFolder_ && finder_ && !finder_->Identity(folder)) *folder = platform::FileIdentity{};
}

int32_t CScanEngine::BlockLength(int32_t bufferSize) const {
  // An end below the start (or none) leaves the buffer as the only limit.
  int64_t limit = INT32_MAX;
  if (blockEnd_ != 0 && blockStart_ <= blockEnd_) limit = int64_t{blockEnd_} - blockStart_ + 1;
  return static_cast<int32_t>(std::min<int64_t>(limit, bufferSize));
}

void CScanEngine::BlockRequest(int64_t* position, int64_t* count) const {
  *position = blockStart_ > 0 ? blockStart_ : 0;
  *count = BlockLength(bufferSize_);
}

int32_t CScanEngine::ReadBlock() {
  blockLength_ = 0;
  if (!buffer_ || bufferSize_ <= 0 || !file_ || !file_->IsOpen()) return 0;
  int64_t position = 0;
  int64_t count = 0;
  BlockRequest(&position, &count);
  blockPosition_ = static_cast<int32_t>(position);

  // A file opened ahead is read here too, at its turn: its block was asked of the disk when
  // it was opened, and has mostly come by now. A block that starts at or after the end the
  // open found is not read.
  const uint64_t offset = static_cast<uint64_t>(blockPosition_);
  const size_t readable = file_->File().ReadableAt(offset, static_cast<size_t>(count));
  if (readable == 0) return 0;
  int error = 0;
  const int64_t n = file_->File().ReadAt(offset, buffer_.get(), readable, &error);
  if (timingOwnRead_) ownReadAt_ = std::chrono::steady_clock::now();
  if (n < 0) {
    CloseTarget();
    if (problems_ != nullptr) problems_->FileNotRead(file_->PathText(), error, SearchProblemSink::FileStep::Read);
    return -1;
  }
  blockLength_ = static_cast<int32_t>(n);
  return blockLength_ > 0 ? blockLength_ : 0;
}

bool CScanEngine::ProcessFile() {
  const int32_t length = ReadBlock();
  return length <= 0 || SearchBlock(length, nullptr);
}

bool CScanEngine::SearchBlock(int32_t length, const uint8_t* digest) {
  if (PumpSearchMessages()) return false;
  if (digest != nullptr) {
    std::memcpy(fingerprint_, digest, kFingerprintSize);
  } else {
    Md5Digest(buffer_.get(), static_cast<size_t>(length), fingerprint_);
  }
  if (store_ == nullptr) return true;
  if (!registering) return store_->Search(file_.get(), fingerprint_, kFingerprintSize, kSearchMode);
  RegisterFile();
  return true;
}

void CScanEngine::RegisterFile() {
  std::shared_ptr<InvalFileInfo> record = RegisteredRecord(*file_, fingerprint_);
  // A name already in that category: the record is dropped and registration goes on.
  const bool added = store_->Add(record);
  if (quality_ != nullptr) quality_->AddSample(buffer_.get(), blockLength_, fingerprint_, added ? record : nullptr);
}
