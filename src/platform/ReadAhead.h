// Opens entries of a listed folder on a few threads, ahead of the thread that uses them,
// and asks the disk for the block of each without waiting for it. On a cold disk one
// thread waits on one read at a time while the disk could serve many; here the next files'
// opens are under way together, and their blocks' reads are all in flight (a window of
// them, not as many as there are threads), so that the user, reading each block at its
// file's turn, finds it come or waits only for what is still on its way. Requests are
// taken back strictly in the order they were made, so whoever uses them sees the files in
// the order it asked for them. At most Window() requests are outstanding, so what is held
// (open files, blocks asked of the disk) is fixed however large the tree.
//
// Of the threads asked for, only as many take requests as the disk keeps busy, and none
// is made before the first is needed: none to begin with (the user then asks for nothing
// and opens and reads each file itself, as a search without threads does, telling how
// long it waited), twice as many each time a file took the disk's time to come (for the
// user's own files: only after a few slow ones in a row), half as many after a long run
// of files that came at once (a warm cache, where threads would only add hand-overs and
// checks).
//
// A request keeps the file open: the user reads the block from the very file that was
// opened, and so from the file whose identity the request tells.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/FileSystem.h"

namespace platform {

class ReadAhead {
 public:
  struct Block {
    ReadFile file;         // open when opened; its block is read by the user
    // False when it could not be opened: the user opens it again at its turn, and meets the
    // error there, as a search without threads does.
    bool opened = false;
    FileIdentity identity;  // of the open file; unknown when it could not be told
    // Opened by the user's own thread at the moment it asked for the block (no thread had
    // begun it): as fresh as a file opened at its turn. Its identity is then not told.
    bool atItsTurn = false;
  };

  ReadAhead() = default;
  ~ReadAhead();
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  // threads opening threads, window requests; threadsOnly: every thread takes requests from
  // the first on and the user never opens a file itself, as on a disk so slow that the
  // threads are always busy (tests on a warm cache use it to have the threads do the
  // opening). False, with nothing started, when the memory (or, with threadsOnly, the
  // threads) cannot be had.
  bool Start(int threads, size_t window, bool threadsOnly = false);
  // Cancels what is outstanding and ends the threads.
  void Stop();
  bool Running() const { return window_ > 0; }
  size_t Window() const { return window_; }
  size_t Outstanding() const { return outstanding_; }

  // Asks for entry of reader (which must stay open, and entry unchanged, until the request
  // is released or cancelled): opened as ReadFile::OpenEntry opens it, then up to count
  // bytes at position asked of the disk, never more than the file's known size holds.
  // Only while fewer than Window() requests are outstanding.
  void Ask(const DirReader& reader, const DirEntry& entry, uint64_t position, size_t count);
  // Wakes the threads for the requests made since the last call: asked in batches, the
  // threads are woken once per batch rather than once per file.
  void Flush();
  // The oldest request once it is done; null when it is not done within timeout.
  Block* WaitOldest(std::chrono::milliseconds timeout);
  // Whether any thread takes requests now. While none does, asking costs more than it
  // gives: the user reads its blocks itself and tells how long each took (NoteOwnBlock),
  // so that threads begin when the disk makes it wait.
  bool Taking() const { return active_ > 0; }
  void NoteOwnBlock(std::chrono::steady_clock::duration took);
  // Ends the oldest request (after WaitOldest gave it); a file still held is closed.
  void ReleaseOldest();
  // Drops every request: those not begun never are, those under way are waited for, and
  // every file is closed.
  void Cancel();

 private:
  enum class State : uint8_t { kFree, kQueued, kBusy, kDone };
  struct Slot {
    State state = State::kFree;
    const DirReader* reader = nullptr;
    const DirEntry* entry = nullptr;
    uint64_t position = 0;
    size_t count = 0;
    Block block;
  };

  // Makes the threads the first time any is needed; false when none could be had. Under
  // the lock.
  bool StartThreads();
  void Work(int index);
  static void Fill(Slot& slot, bool atItsTurn);
  // How long the user waited for a block: a quick one counts towards fewer threads, a slow
  // one gives twice as many. Under the lock.
  void NoteWait(std::chrono::steady_clock::duration waited);
  // After kShrinkAfter quick blocks in *streak, half as many threads take requests and the
  // streak begins again. Under the lock.
  void HalveAfterQuickRun(int* streak);

  std::unique_ptr<Slot[]> slots_;
  size_t window_ = 0;
  std::vector<std::thread> threads_;  // made at the first need
  int threadCount_ = 0;               // threads asked for (then: made)
  std::mutex mutex_;
  std::condition_variable queued_;  // workers wait here for work
  std::condition_variable done_;    // the user waits here for a request to finish
  std::condition_variable parked_;  // threads beyond active_ wait here
  int active_ = 0;                  // threads that take requests
  bool threadsOnly_ = false;
  int quickStreak_ = 0;             // blocks in a row that came quickly
  int quickFills_ = 0;              // files in a row the threads opened quickly
  long ownWaits_ = 0;               // the user's voluntary switches at its last slow block
  int slowOwnRun_ = 0;              // the user's own blocks in a row that were slow
  size_t oldest_ = 0;               // slot of the oldest outstanding request
  size_t next_ = 0;                 // slot the next request goes into
  size_t nextToStart_ = 0;          // slot the workers begin next
  size_t outstanding_ = 0;
  size_t queuedCount_ = 0;
  size_t busyCount_ = 0;
  bool stopping_ = false;
  bool waiting_ = false;            // somebody waits on done_
};

}  // namespace platform
