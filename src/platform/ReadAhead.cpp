#include "platform/ReadAhead.h"

#include <sys/resource.h>

#include <algorithm>
#include <exception>
#include <new>

namespace platform {
namespace {

// Blocks in a row that came quickly before half as many threads take requests (as a slow
// one doubles them): blocks the user found ready at a moment with no read under way (a
// cold disk keeps reads under way), or blocks the threads read at once.
constexpr int kShrinkAfter = 512;
// A block that takes at least this long to come (read here or waited for) came from the
// disk; the page cache gives one in a few microseconds.
constexpr std::chrono::microseconds kDiskWait{100};
// Slow blocks in a row, each read by the user itself, before threads begin: the first of a
// run only sets the count of switches the next one is judged by.
constexpr int kSlowOwnBlocks = 3;

// Times the calling thread gave up the processor to wait (for the disk, above all).
long VoluntaryWaits() {
  struct rusage usage;
  if (getrusage(RUSAGE_THREAD, &usage) != 0) return -1;
  return usage.ru_nvcsw;
}

}  // namespace

ReadAhead::~ReadAhead() { Stop(); }

bool ReadAhead::Start(int threads, size_t window, bool threadsOnly) {
  Stop();
  if (threads < 1 || window < 1) return false;
  // No memory: the caller reads alone.
  slots_.reset(new (std::nothrow) Slot[window]);
  if (!slots_) return false;
  window_ = window;
  stopping_ = false;
  oldest_ = next_ = nextToStart_ = 0;
  outstanding_ = queuedCount_ = busyCount_ = 0;
  threadsOnly_ = threadsOnly;
  threadCount_ = threads;
  quickStreak_ = quickFills_ = slowOwnRun_ = 0;
  ownWaits_ = VoluntaryWaits();
  if (!threadsOnly) return true;
  std::unique_lock<std::mutex> lock(mutex_);
  if (!StartThreads()) {
    lock.unlock();
    Stop();
    return false;
  }
  active_ = threadCount_;
  return true;
}

bool ReadAhead::StartThreads() {
  // Made only when first needed: while a process has a single thread, the C library's
  // open, read and close skip the bookkeeping that other threads would need, which a
  // warm-cache search (where the threads never take a request) would pay on every file.
  if (!threads_.empty()) return true;
  try {
    threads_.reserve(static_cast<size_t>(threadCount_));
    for (int i = 0; i < threadCount_; ++i) threads_.emplace_back([this, i] { Work(i); });
  } catch (const std::exception&) {
    // As many as could be had; with none the user goes on reading alone.
  }
  threadCount_ = static_cast<int>(threads_.size());
  return threadCount_ > 0;
}

void ReadAhead::Stop() {
  Cancel();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  queued_.notify_all();
  parked_.notify_all();
  for (std::thread& thread : threads_) thread.join();
  threads_.clear();
  threadCount_ = 0;
  active_ = 0;
  slots_.reset();
  window_ = 0;
}

void ReadAhead::Ask(const DirReader& reader, const DirEntry& entry, uint64_t position, size_t count) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    Slot& slot = slots_[next_];
    slot.reader = &reader;
    slot.entry = &entry;
    slot.position = position;
    slot.count = count;
    slot.state = State::kQueued;
    next_ = (next_ + 1) % window_;
    ++outstanding_;
    ++queuedCount_;
  }
}

void ReadAhead::Flush() { queued_.notify_all(); }

ReadAhead::Block* ReadAhead::WaitOldest(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (outstanding_ == 0) return nullptr;
  Slot& slot = slots_[oldest_];
  if (slot.state == State::kDone) {
    NoteWait({});
    return &slot.block;
  }
  const auto start = std::chrono::steady_clock::now();
  bool done = true;
  if (slot.state == State::kQueued && !threadsOnly_) {
    // No thread has begun it (they begin in order, so none has begun a later one either):
    // opening it here costs less than waking a thread and waiting for it.
    slot.state = State::kBusy;
    --queuedCount_;
    lock.unlock();
    Fill(slot, true);
    lock.lock();
    slot.state = State::kDone;
  } else {
    waiting_ = true;
    done = done_.wait_for(lock, timeout, [&] { return slot.state == State::kDone; });
    waiting_ = false;
  }
  NoteWait(std::chrono::steady_clock::now() - start);
  return done ? &slot.block : nullptr;
}

void ReadAhead::NoteOwnBlock(std::chrono::steady_clock::duration took) {
  // The user reads its own blocks only while no thread takes requests: a quick one leaves
  // nothing to shrink, and costs the search no lock.
  if (took < kDiskWait) {
    slowOwnRun_ = 0;
    return;
  }
  // A single slow block says little on a warm cache: a page fault, a moment of another
  // process. Only blocks that are slow one after another, with this thread giving up the
  // processor between each and the next (the switches counted here cover the work of one
  // file, not everything since some earlier slow block), show a disk that makes it wait;
  // a block slowed by other work on the machine, with no wait of its own, shows nothing.
  const long waits = VoluntaryWaits();
  const bool waited = waits != ownWaits_;
  ownWaits_ = waits;
  slowOwnRun_ = waited ? slowOwnRun_ + 1 : 0;
  if (slowOwnRun_ < kSlowOwnBlocks) return;
  std::lock_guard<std::mutex> lock(mutex_);
  NoteWait(took);
}

void ReadAhead::NoteWait(std::chrono::steady_clock::duration waited) {
  if (waited < kDiskWait) {
    // Read at once, or a thread was just finishing it: the disk kept up.
    ++quickStreak_;
    if (busyCount_ == 0) HalveAfterQuickRun(&quickStreak_);
    return;
  }
  // The disk made the search wait: more reads in flight.
  quickStreak_ = 0;
  if (active_ < threadCount_ && StartThreads()) {
    active_ = std::min(threadCount_, std::max(1, active_ * 2));
    parked_.notify_all();
  }
}

void ReadAhead::HalveAfterQuickRun(int* streak) {
  // Threads that must do all the reading never stop taking requests: the user would wait
  // for requests nobody takes.
  if (*streak < kShrinkAfter || active_ == 0 || threadsOnly_) return;
  active_ /= 2;
  *streak = 0;
}

void ReadAhead::ReleaseOldest() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (outstanding_ == 0) return;
  Slot& slot = slots_[oldest_];
  slot.block.file.Close();
  slot.state = State::kFree;
  oldest_ = (oldest_ + 1) % window_;
  --outstanding_;
}

void ReadAhead::Cancel() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (size_t i = 0; i < window_; ++i) {
    if (slots_[i].state == State::kQueued) slots_[i].state = State::kFree;
  }
  queuedCount_ = 0;
  waiting_ = true;
  done_.wait(lock, [&] { return busyCount_ == 0; });
  waiting_ = false;
  for (size_t i = 0; i < window_; ++i) {
    slots_[i].block.file.Close();
    slots_[i].state = State::kFree;
  }
  oldest_ = next_ = nextToStart_ = 0;
  outstanding_ = 0;
}

void ReadAhead::Work(int index) {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    // A parked thread is not woken by new requests, so a warm cache wakes only the few
    // threads it keeps busy.
    parked_.wait(lock, [&] { return stopping_ || index < active_; });
    queued_.wait(lock, [&] { return stopping_ || queuedCount_ > 0 || index >= active_; });
    if (stopping_) return;
    if (index >= active_) continue;
    // Requests begin in the order they were made: the oldest is never the last one read.
    while (slots_[nextToStart_].state != State::kQueued) nextToStart_ = (nextToStart_ + 1) % window_;
    Slot& slot = slots_[nextToStart_];
    nextToStart_ = (nextToStart_ + 1) % window_;
    slot.state = State::kBusy;
    --queuedCount_;
    ++busyCount_;
    lock.unlock();
    const auto start = std::chrono::steady_clock::now();
    Fill(slot, false);
    const auto took = std::chrono::steady_clock::now() - start;
    lock.lock();
    slot.state = State::kDone;
    --busyCount_;
    // Threads kept busy on a warm cache never leave the user a moment with no open under
    // way; their own opens coming at once, one after another, tell that the disk is not
    // what holds anybody.
    quickFills_ = took < kDiskWait ? quickFills_ + 1 : 0;
    HalveAfterQuickRun(&quickFills_);
    // Only a waiter needs waking; on a warm cache the user is mostly behind the threads.
    if (waiting_) done_.notify_all();
  }
}

void ReadAhead::Fill(Slot& slot, bool atItsTurn) {
  Block& block = slot.block;
  block.atItsTurn = atItsTurn;
  block.identity = FileIdentity{};
  block.opened = block.file.OpenEntry(*slot.reader, *slot.entry);
  if (!block.opened) return;
  // Threads open files only while the disk is slow: there a block of a few hundred bytes
  // must not bring in the file's first hundred kilobytes as well.
  block.file.ReadOnlyWhatIsAsked();
  // Opened at its turn, the file is read at once.
  if (atItsTurn) return;
  // The user checks the identity only of a file opened ahead of its turn.
  if (!block.file.Identity(&block.identity)) block.identity = FileIdentity{};
  // As much as the read at the file's turn asks for (nothing past the end).
  block.file.WillRead(slot.position, block.file.ReadableAt(slot.position, slot.count));
}

}  // namespace platform
