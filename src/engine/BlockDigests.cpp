#include "engine/BlockDigests.h"

#include <algorithm>
#include <exception>
#include <new>

#include "engine/Md5.h"
#include "platform/FileSystem.h"
#include "platform/ReadAhead.h"

namespace {

// Items a thread takes at once: enough that handing out costs little beside the files,
// few enough that the last run of a folder keeps nobody waiting long.
constexpr size_t kRun = 8;
// Runs the search's own thread does in one Take before it goes back to its events.
constexpr int kOwnRuns = 4;
// How long a helper looks for the next folder before it sleeps: on a warm cache the next
// folder comes within this, and waking a sleeping thread would take longer than the work it
// is woken for.
constexpr std::chrono::microseconds kSpin{200};
// How long the search's own thread waits for a file in a helper's hands: a few files' time.
constexpr std::chrono::microseconds kHelperWait{20};

inline void Pause() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#endif
}

// Spins until done() or the time has passed; done()'s value.
template <typename Done>
bool SpinUntil(Done done, std::chrono::microseconds time) {
  const auto until = std::chrono::steady_clock::now() + time;
  for (unsigned i = 1;; ++i) {
    if (done()) return true;
    Pause();
    if (i % 64 == 0 && std::chrono::steady_clock::now() >= until) return done();
  }
}

}  // namespace

BlockDigests::~BlockDigests() { Stop(); }

void BlockDigests::Start(int helpers) {
  Stop();
  wanted_ = std::max(helpers, 0);
}

void BlockDigests::Stop() {
  End();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_.store(true);
  }
  folderBegun_.notify_all();
  for (std::thread& helper : helpers_) helper.join();
  helpers_.clear();
  stopping_.store(false);
  wanted_ = 0;
  results_.reset();
  capacity_ = total_ = 0;
  std::vector<uint8_t>().swap(ownBuffer_);
}

bool BlockDigests::MakeHelpers() {
  // Made only when the first folder needs them: a search that never gets here keeps a
  // process of one thread, whose every C-library call is cheaper.
  if (!helpers_.empty()) return true;
  try {
    helpers_.reserve(static_cast<size_t>(wanted_));
    for (int i = 0; i < wanted_; ++i) helpers_.emplace_back([this] { Help(); });
  } catch (const std::exception&) {
    // As many as could be had.
  }
  if (helpers_.empty()) wanted_ = 0;
  return !helpers_.empty();
}

bool BlockDigests::Begin(const platform::DirReader& reader, const std::vector<platform::DirEntry>& entries,
                         const std::vector<size_t>& plan, uint64_t position, size_t count, uint64_t passOver,
                         platform::ReadAhead* timer) {
  End();
  if (wanted_ <= 0 || plan.empty() || !MakeHelpers()) return false;
  if (plan.size() > capacity_) {
    results_.reset();
    capacity_ = 0;
    results_.reset(new (std::nothrow) Result[plan.size()]);
    if (!results_) return false;
    capacity_ = plan.size();
  }
  try {
    if (ownBuffer_.size() < count) ownBuffer_.resize(count);
  } catch (const std::exception&) {
    return false;
  }
  for (size_t i = 0; i < plan.size(); ++i) results_[i].state.store(kPending, std::memory_order_relaxed);
  job_ = Job{&reader, &entries, &plan, position, count, passOver};
  total_ = plan.size();
  timer_ = timer;
  next_.store(0, std::memory_order_relaxed);
  sequence_.fetch_add(1);  // odd: begun, and everything above is seen by whoever sees it
  if (sleepers_.load() > 0) {
    std::lock_guard<std::mutex> lock(mutex_);
    folderBegun_.notify_all();
  }
  return true;
}

void BlockDigests::End() {
  if ((sequence_.load() & 1) == 0) return;
  sequence_.fetch_add(1);
  // A helper that came in before the bump finishes at most the file in its hands.
  while (inside_.load() > 0) std::this_thread::yield();
  total_ = 0;
}

const BlockDigests::Result* BlockDigests::Take(size_t k) {
  Result& result = results_[k];
  const uint64_t sequence = sequence_.load(std::memory_order_relaxed);
  const auto done = [&] { return result.state.load(std::memory_order_acquire) != kPending; };
  // Not ready: rather than wait, do the next run nobody has taken (a few of them at most, so
  // that the caller still handles events between the files of a huge folder).
  for (int runs = 0; !done() && runs < kOwnRuns; ++runs) {
    if (!DoRun(ownBuffer_.data(), sequence, true)) break;
  }
  // In a helper's hands: it is done within a few microseconds, unless the helper lost its
  // processor to another program (or waits for the disk); the caller then does the file
  // itself, at its turn, rather than wait for it.
  return SpinUntil(done, kHelperWait) ? &result : nullptr;
}

void BlockDigests::Help() {
  std::vector<uint8_t> buffer;
  uint64_t seen = 0;
  for (;;) {
    uint64_t sequence = sequence_.load(std::memory_order_acquire);
    if (sequence == seen && !SpinUntil([&] { return sequence_.load(std::memory_order_acquire) != seen || stopping_.load(); }, kSpin)) {
      std::unique_lock<std::mutex> lock(mutex_);
      sleepers_.fetch_add(1);
      folderBegun_.wait(lock, [&] { return sequence_.load() != seen || stopping_.load(); });
      sleepers_.fetch_sub(1);
    }
    if (stopping_.load()) return;
    sequence = sequence_.load(std::memory_order_acquire);
    seen = sequence;
    if ((sequence & 1) == 0) continue;  // ended already
    inside_.fetch_add(1);
    // Still the folder seen: End waits for this helper to leave before the job changes.
    if (sequence_.load() == sequence) {
      try {
        if (buffer.size() < job_.count) buffer.resize(job_.count);
        while (DoRun(buffer.data(), sequence, false)) {
        }
      } catch (const std::exception&) {
        // No buffer: the items stay for the search's own thread.
      }
    }
    inside_.fetch_sub(1);
  }
}

bool BlockDigests::DoRun(uint8_t* buffer, uint64_t sequence, bool timed) {
  const size_t first = next_.fetch_add(kRun, std::memory_order_relaxed);
  if (first >= total_) return false;
  const size_t last = std::min(total_, first + kRun);
  for (size_t item = first; item < last; ++item) {
    // A folder ended: the items left are nobody's, and nobody looks at them.
    if (!timed && sequence_.load(std::memory_order_relaxed) != sequence) return false;
    DoItem(item, buffer, timed);
  }
  return true;
}

void BlockDigests::DoItem(size_t item, uint8_t* buffer, bool timed) {
  Result& result = results_[item];
  const platform::DirEntry& entry = (*job_.entries)[(*job_.plan)[item]];
  // A link, an entry that could not be looked at, or the data file: at its turn.
  if (entry.error != 0 || !entry.plainFile || (job_.passOver != 0 && entry.inode == job_.passOver)) {
    Publish(result, kLeft);
    return;
  }
  const auto start = timed ? std::chrono::steady_clock::now() : std::chrono::steady_clock::time_point{};
  platform::ReadFile file;
  int error = 0;
  int64_t length = -1;
  if (file.OpenEntry(*job_.reader, entry, &error)) {
    length = file.ReadAt(job_.position, buffer, job_.count, &error);
    file.Close();
  }
  if (timed && timer_ != nullptr) timer_->NoteOwnBlock(std::chrono::steady_clock::now() - start);
  if (length < 0) {
    Publish(result, kLeft);
    return;
  }
  result.length = static_cast<int32_t>(length);
  if (length > 0) Md5Digest(buffer, static_cast<size_t>(length), result.digest);
  Publish(result, kDigested);
}

void BlockDigests::Publish(Result& result, uint32_t state) { result.state.store(state, std::memory_order_release); }
