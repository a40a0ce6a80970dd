#include "engine/BlockDigests.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <new>

#include "engine/Md5.h"
#include "platform/Process.h"
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

// Spins until done() or the time has passed; done()'s value. Every few microseconds the
// processor is offered to another thread: on a busy machine the thread waited for may be
// waiting for this very processor.
template <typename Done>
bool SpinUntil(Done done, std::chrono::microseconds time) {
  const auto until = std::chrono::steady_clock::now() + time;
  for (unsigned i = 1;; ++i) {
    if (done()) return true;
    Pause();
    if (i % 64 == 0) {
      if (std::chrono::steady_clock::now() >= until) return done();
      std::this_thread::yield();
    }
  }
}

}  // namespace

BlockDigests::~BlockDigests() { Stop(); }

void BlockDigests::Start(int helpers) {
  Stop();
  owner_ = platform::CurrentThreadId();
  wanted_ = helpers > 0 && platform::OwnDescriptorTablesPossible(owner_) ? helpers : 0;
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
  try {
    auto job = std::make_shared<Job>();
    if (!reader.Ticket(owner_, &job->folder)) return false;
    job->results.reset(new Result[plan.size()]);
    job->nameAt.resize(plan.size());
    for (size_t i = 0; i < plan.size(); ++i) {
      const platform::DirEntry& entry = entries[plan[i]];
      // A link, an entry that could not be looked at, or the data file: at its turn.
      if (entry.error != 0 || !entry.plainFile || (passOver != 0 && entry.inode == passOver)) {
        job->results[i].state.store(kLeft, std::memory_order_relaxed);
        continue;
      }
      job->nameAt[i] = static_cast<uint32_t>(job->names.size());
      job->names.append(entry.osName.empty() ? entry.name : entry.osName).push_back('\0');
    }
    if (ownBuffer_.size() < count) ownBuffer_.resize(count);
    job->total = plan.size();
    job->position = position;
    job->count = count;
    job_ = std::move(job);
  } catch (const std::exception&) {
    return false;
  }
  reader_ = &reader;
  timer_ = timer;
  late_ = 0;
  helpersFiles_.store(0, std::memory_order_relaxed);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    current_ = job_;
    sequence_.fetch_add(1);
  }
  woken_ = sleepers_.load() > 0;
  if (woken_) folderBegun_.notify_all();
  return true;
}

void BlockDigests::End() {
  if (!job_) return;
  job_->ended.store(true);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    current_.reset();
  }
  // A helper still at work on it keeps it until it lets go.
  job_.reset();
  reader_ = nullptr;
}

const BlockDigests::Result* BlockDigests::Take(size_t k) {
  Result& result = job_->results[k];
  const auto done = [&] { return result.state.load(std::memory_order_acquire) != kPending; };
  // Not ready: rather than wait, do the next run nobody has taken (a few of them at most, so
  // that the caller still handles events between the files of a huge folder).
  for (int runs = 0; !done() && runs < kOwnRuns; ++runs) {
    if (!DoRun(*job_, *reader_, ownBuffer_.data(), true)) break;
  }
  // In a helper's hands: it is done within a few microseconds, unless the helper lost its
  // processor to another program (or waits for the disk); the caller then does the file
  // itself, at its turn, rather than wait for it.
  if (SpinUntil(done, kHelperWait)) return &result;
  ++late_;
  return nullptr;
}

void BlockDigests::Help() {
  // Threads made where tables of their own were possible; should this one not get its
  // own after all, it does nothing.
  if (!platform::UseOwnDescriptorTable()) return;
  std::vector<uint8_t> buffer;
  uint64_t seen = 0;
  for (;;) {
    const auto moved = [&] { return sequence_.load(std::memory_order_acquire) != seen || stopping_.load(); };
    if (!SpinUntil(moved, kSpin)) {
      std::unique_lock<std::mutex> lock(mutex_);
      sleepers_.fetch_add(1);
      folderBegun_.wait(lock, moved);
      sleepers_.fetch_sub(1);
    }
    std::shared_ptr<Job> job;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (stopping_.load()) return;
      seen = sequence_.load();
      job = current_;
    }
    try {
      platform::DirReader folder;
      if (!job || !folder.OpenTicket(job->folder)) continue;
      if (buffer.size() < job->count) buffer.resize(job->count);
      while (DoRun(*job, folder, buffer.data(), false)) {
      }
    } catch (const std::exception&) {
      // Out of memory: the items not done stay for the search's own thread.
    }
  }
}

bool BlockDigests::DoRun(Job& job, const platform::DirReader& reader, uint8_t* buffer, bool timed) {
  const size_t first = job.next.fetch_add(kRun, std::memory_order_relaxed);
  if (first >= job.total) return false;
  const size_t last = std::min(job.total, first + kRun);
  for (size_t item = first; item < last; ++item) {
    // An ended folder's items are nobody's: nobody looks at them any more.
    if (!timed && job.ended.load(std::memory_order_relaxed)) return false;
    DoItem(job, item, reader, buffer, timed);
    // A disk that makes the search thread wait is the reading threads' work: the search
    // leaves this folder's helpers as soon as it hears of it, not after a few more runs.
    if (timed && timer_ != nullptr && timer_->Taking()) return false;
  }
  return true;
}

void BlockDigests::DoItem(Job& job, size_t item, const platform::DirReader& reader, uint8_t* buffer, bool timed) {
  Result& result = job.results[item];
  if (result.state.load(std::memory_order_relaxed) != kPending) return;  // left for its turn
  const auto start = timed ? std::chrono::steady_clock::now() : std::chrono::steady_clock::time_point{};
  platform::ReadFile file;
  int error = 0;
  int64_t length = -1;
  if (file.OpenPlainEntry(reader, job.names.c_str() + job.nameAt[item], &error)) {
    length = file.ReadAt(job.position, buffer, job.count, &error);
    file.Close();
  }
  if (!timed) helpersFiles_.fetch_add(1, std::memory_order_relaxed);
  else if (timer_ != nullptr) timer_->NoteOwnBlock(std::chrono::steady_clock::now() - start);
  if (length < 0) {
    result.state.store(kLeft, std::memory_order_release);
    return;
  }
  result.length = static_cast<int32_t>(length);
  if (length > 0) Md5Digest(buffer, static_cast<size_t>(length), result.digest);
  result.state.store(kDigested, std::memory_order_release);
}
