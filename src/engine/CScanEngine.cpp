#include "engine/CScanEngine.h"

#include <algorithm>
#include <exception>
#include <new>

#include "db/InvalFileDB.h"
#include "db/DetectionSink.h"
#include "engine/SearchHost.h"
#include "platform/Clock.h"
#include "platform/Process.h"
#include "settings/AppFiles.h"
#include "settings/LogFormat.h"
#include "util/CDFile.h"
#include "util/CPatternList.h"
#include "util/MessageBox.h"
#include "util/StringTable.h"

namespace {

CScanEngine* g_engine = nullptr;

// The local time in whole seconds; the clock gives 0 when it cannot convert.
LogDateTime Now() {
  const double date = platform::LocalOleDateNow();
  return LogDateTime{date, date != 0.0 ? 0 : 1};
}

}  // namespace

CScanEngine::CScanEngine() : CScanEngine(SettingsFile()) {}

CScanEngine::CScanEngine(const ProfileFile& settings) {
  blockStart_ = settings.GetSettingInt("ScanDlg", "start", 0);
  blockEnd_ = settings.GetSettingInt("ScanDlg", "end", 0);
  if (blockEnd_ == 0) blockEnd_ = 256;
}

CScanEngine::~CScanEngine() {
  if (g_engine == this) g_engine = nullptr;
}

void CScanEngine::SetDetectionSink(DetectionSink* sink) {
  sink_ = sink;
  if (matcher_) matcher_->sink = sink;
}

int CScanEngine::AutomaticJobs() {
  // Enough reads in flight to keep a disk's queue busy while the search itself works on
  // one file at a time; the threads wait on the disk far more than they run.
  return 16;
}

bool CScanEngine::Prepare(const TextList& targets, const CPatternList& patternSource, bool subfolders,
                          InvalFileDB& store) {
  try {
    searchSubfolders_ = subfolders;
    targets_ = targets;
    if (!patterns_) patterns_ = std::make_unique<CPatternList>(';');
    patterns_->SetText(patternSource.Text());
    const std::vector<std::string_view> tokens = patterns_->Tokens();
    tokens_.assign(tokens.begin(), tokens.end());
    notSearchedPaths_.clear();
    if (!finder_) finder_ = std::make_unique<platform::DirReader>();
    if (!file_) file_ = std::make_unique<CDFile>();
    if (!matcher_) {
      matcher_ = std::make_unique<DigestMatcher>(this);
      matcher_->sink = sink_;
    }
    store_ = &store;
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

bool CScanEngine::Run(int32_t bufferSize, int32_t overlap) {
  if (bufferSize != 0) {
    if (bufferSize < 0 || overlap >= bufferSize) return false;
    buffer_.reset();
    buffer_.reset(new (std::nothrow) uint8_t[static_cast<size_t>(bufferSize)]);
    if (!buffer_) {
      bufferSize_ = 0;
      return false;
    }
    bufferSize_ = bufferSize;
    overlap_ = overlap;
  }
  if (matcher_) {
    matcher_->SetBuffer(buffer_.get(), overlap_);
    // A hit's position is where its fingerprinted block starts.
    matcher_->position = blockStart_;
    if (store_ != nullptr) store_->SetMatcher(matcher_.get());
  }

  // Reading ahead only where it can pay: several threads, and blocks small enough that a
  // window of them asked of the disk ahead stays a few megabytes of the cache.
  if (jobs_ > 1 && buffer_) {
    int64_t position = 0;
    int64_t count = 0;
    BlockRequest(&position, &count);
    constexpr int64_t kWindowBytes = 8 << 20;
    const int64_t window = std::clamp<int64_t>(kWindowBytes / std::max<int64_t>(count, 1), 2, 4 * int64_t{jobs_});
    if (count > 0) ahead_.Start(jobs_, static_cast<size_t>(window), readAheadThreadsOnly_);
    // On a warm cache the search is bound by the processor: as many threads as there are
    // processors fingerprint blocks (registration records each sample at its turn).
    constexpr int kMostDigestThreads = 4;
    const int threads = std::min({jobs_, platform::ProcessorCount(), kMostDigestThreads});
    if (count > 0 && !registering && !readAheadThreadsOnly_) digests_.Start(threads - 1);
    digestPause_ = digestPauseLeft_ = 0;
  }

  startTime_ = Now();
  bool ok = false;
  try {
    IdentifyPassedOver();
    ok = SearchTargets(&targets_);
  } catch (const std::exception&) {
    // Only the target paths are built out here; SearchFolder catches everything below.
    CloseTarget();
    ShowLowMemory();
    ok = false;
  }
  endTime_ = Now();
  completed_ = ok;
  digests_.Stop();
  ahead_.Stop();
  // One huge folder must not keep its listing's memory for the rest of the run.
  constexpr size_t kKeptEntries = 4096;
  if (entries_.size() > kKeptEntries) {
    entries_.resize(kKeptEntries);
    entries_.shrink_to_fit();
  }
  if (lowerNames_.size() > kKeptEntries) {
    lowerNames_.resize(kKeptEntries);
    lowerNames_.shrink_to_fit();
  }
  if (taken_.size() > kKeptEntries) {
    taken_.resize(kKeptEntries);
    taken_.shrink_to_fit();
  }
  return ok;
}

bool CScanEngine::SearchTargets(const TextList* targets) {
  targetFolders_.clear();
  targetSearched_.clear();
  if (targets == nullptr || !finder_) return true;
  if (targets->size() > 1) {
    platform::FileStatus status;
    for (const std::string& target : *targets) {
      const bool folder = !target.empty() && platform::GetStatus(target, &status) && status.isDirectory;
      targetFolders_.push_back(folder ? platform::IdentityOf(status) : platform::FileIdentity{});
    }
    targetSearched_.assign(targetFolders_.size(), 0);
  }
  size_t index = 0;
  for (const std::string& target : *targets) {
    const size_t i = index++;
    // An empty target would be the current folder, which nobody asked to search.
    if (target.empty()) continue;
    if (i < targetSearched_.size()) {
      if (targetSearched_[i] != 0) continue;
      MarkTargetSearched(targetFolders_[i]);
    }
    CDFile folder;
    folder.ReplaceFolder(target);
    targetNext_ = true;
    if (!SearchFolder(folder.PathText())) return false;
  }
  return true;
}

bool CScanEngine::MarkTargetSearched(const platform::FileIdentity& folder) {
  bool before = false;
  for (size_t j = 0; j < targetFolders_.size(); ++j) {
    if (!platform::SameIdentity(folder, targetFolders_[j])) continue;
    before = before || targetSearched_[j] != 0;
    targetSearched_[j] = 1;
  }
  return before;
}

bool CScanEngine::PumpSearchMessages() {
  if (!running) return true;
  if (host_ != nullptr) host_->PumpEvents();
  return !running;
}

SearchRunInfo CScanEngine::RunInfo() const {
  SearchRunInfo info;
  info.startTime = startTime_;
  info.endTime = endTime_;
  if (patterns_) info.patternText = patterns_->Text();
  info.searchSubfolders = searchSubfolders_;
  info.completed = completed_;
  info.targets.assign(targets_.begin(), targets_.end());
  return info;
}

bool CScanEngine::WriteLogHeader(ProfileFile::Direction direction, ProfileFile& log) const {
  return ::WriteLogHeader(direction, log, RunInfo());
}

void CScanEngine::ShowLowMemory() { MessageBoxById(kStrLowMemory, MessageButtons::Ok, MessageIcon::Information, true); }

void CScanEngine::SetStatus(const std::string& text) {
  if (host_ != nullptr) host_->SetStatusText(text);
}

void SetApplicationScanEngine(CScanEngine* engine) { g_engine = engine; }

CScanEngine* ApplicationScanEngine() { return g_engine; }

bool PumpSearchMessages() { return g_engine == nullptr || g_engine->PumpSearchMessages(); }
