// The files of a folder searched with their blocks fingerprinted ahead (BlockDigests).
//
// A fingerprint made ahead is taken as the file's own only where the search at the file's
// turn could not have met anything else: the folder is as it was listed (no entry added,
// removed or renamed since, so each name still leads to the file read), and the store has no
// record of that fingerprint. Every other file, a possible hit above all, is opened and read
// again at its turn: a hit is processed from the very file the search read then, as without
// threads. A folder that changed since it was listed (a hit renamed or moved in it, or
// another program at work) is searched the usual way from there on.
#include <algorithm>
#include <chrono>

#include "db/InvalFileDB.h"
#include "db/DetectionSink.h"
#include "engine/CScanEngine.h"
#include "platform/Clock.h"
#include "util/CDFile.h"

namespace {

// Fewer planned files than this are not worth handing out.
constexpr size_t kFewestDigested = 16;
// A folder changed this recently may be changed again within the same tick of the clock
// that stamps it (file systems that stamp to the tick), and then the change would not show.
constexpr int64_t kSettledNs = 20'000'000;
// Files read again at their turn (possible hits) before the rest of the folder is left to
// the usual way: a folder of hits gains nothing from reading each file twice (and the next
// folders are searched without helpers, as after a hindered one: a tree of hits is hits
// throughout).
constexpr int kMostRereads = 16;
// Helpers are held for hindered in a folder where they had no processor of their own (the
// machine is busy with other work: the threads would take turns on the processors there
// are, and only add their hand-overs): the search found files in a helper's hands for
// longer than a few files take, its own thread had less than kOwnShare of a processor, or
// no helper read a single file of a folder of kEnoughFilesToTell (judged where the folder
// took long enough to tell). Folders are then searched the usual way, 8 of them after the
// first hindered folder and twice as many after each next one in a row (64 at most),
// before the helpers are tried again.
constexpr int kHinderedAfter = 2;
constexpr double kOwnShare = 0.8;
constexpr std::chrono::microseconds kLongEnoughToTell{200};
constexpr size_t kEnoughFilesToTell = 32;
constexpr int kFirstPause = 8;
constexpr int kLongestPause = 64;

}  // namespace

bool CScanEngine::SearchDigested(const std::string& folder, size_t* next) {
  *next = 0;
  // Only while the disk keeps up (a slow one is the reading threads' work), and only where
  // a change since the listing would show.
  if (!digests_.Running() || ahead_.Taking() || plan_.size() < kFewestDigested || !listedStampKnown_) return true;
  if (digestPauseLeft_ > 0) {
    --digestPauseLeft_;
    return true;
  }
  const int64_t age = platform::FileClockNowNs() - std::max(listedStamp_.changedNs, listedStamp_.modifiedNs);
  if (age < kSettledNs) return true;
  int64_t position = 0;
  int64_t count = 0;
  BlockRequest(&position, &count);
  if (count <= 0 || !digests_.Begin(*finder_, entries_, plan_, static_cast<uint64_t>(position),
                                    static_cast<size_t>(count), dataFile_.known ? dataFile_.inode : 0, &ahead_))
    return true;
  size_t k = 0;
  int rereads = 0;
  struct EndGuard {
    CScanEngine& engine;
    const size_t& taken;
    const int& rereads;
    std::chrono::steady_clock::time_point wallStart = std::chrono::steady_clock::now();
    std::chrono::nanoseconds cpuStart = platform::ThreadCpuTime();
    ~EndGuard() {
      const auto wall = std::chrono::steady_clock::now() - wallStart;
      const auto cpu = platform::ThreadCpuTime() - cpuStart;
      const bool starved = wall >= kLongEnoughToTell && cpu < wall * kOwnShare;
      const bool alone =
          taken >= kEnoughFilesToTell && engine.digests_.HelpersFiles() == 0 && !engine.digests_.Woken();
      engine.NoteHelpers(starved || alone || engine.digests_.Late() >= kHinderedAfter || rereads >= kMostRereads);
      engine.digests_.End();
    }
  } guard{*this, k, rereads};

  for (; k < plan_.size(); ++k) {
    const platform::DirEntry& entry = entries_[plan_[k]];
    if (PumpSearchMessages()) return false;
    bool ok = true;
    bool leave = false;
    if (!IsDataFile(entry)) {
      const BlockDigests::Result* result = digests_.Take(k);
      // The disk made this thread wait: the reading threads take over from this file on.
      if (ahead_.Taking()) break;
      const bool digested = result != nullptr && result->state == BlockDigests::kDigested;
      // Looked at for every file, after its block was read and before anything of it is
      // told: whatever the search did with the files before (a hit renamed, an event
      // handled) shows here.
      if (digested && !FolderAsListed()) break;
      if (digested && (result->length == 0 || store_ == nullptr || !store_->MayHold(result->digest))) {
        ok = SearchDigestedFile(folder, entry, *result);
      } else {
        ok = SearchFile(folder, entry);
        leave = digested && ++rereads >= kMostRereads;
      }
    }
    if (!ok) return false;
    if (PumpSearchMessages()) return false;
    if (leave) {
      ++k;
      break;
    }
  }
  *next = k;
  return true;
}

void CScanEngine::NoteHelpers(bool hindered) {
  if (!hindered) {
    digestPause_ = 0;
    return;
  }
  digestPause_ = std::min(kLongestPause, std::max(kFirstPause, digestPause_ * 2));
  digestPauseLeft_ = digestPause_;
}

bool CScanEngine::FolderAsListed() const {
  platform::FileStamp now;
  return finder_->Stamp(&now) && now == listedStamp_;
}

bool CScanEngine::SearchDigestedFile(const std::string& folder, const platform::DirEntry& entry,
                                     const BlockDigests::Result& result) {
  int64_t position = 0;
  int64_t count = 0;
  BlockRequest(&position, &count);
  blockPosition_ = static_cast<int32_t>(position);
  blockLength_ = result.length;
  file_->AssignPath(folder, entry.name);
  TellSearched();
  // The steps ProcessFile takes after reading a block of that length.
  return result.length <= 0 || SearchBlock(result.length, result.digest);
}
