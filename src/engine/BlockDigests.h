// Fingerprints the blocks of a listed folder's files ahead of the search, on helper threads
// and on the search's own thread together. On a warm cache a search is bound by the
// processor, not the disk: one thread opens, reads and fingerprints one file after another
// while the other processors sit idle. Here the folder's files are handed out in short
// runs, in plan order, to whichever thread is free; the search takes the results in that
// order and, when the next one is not ready, takes a run itself instead of waiting; one
// in a helper's hands for more than a moment it does itself.
//
// Only a fingerprint and a length come back: each file is closed as soon as it is read, so
// that no descriptor crosses threads and a helper's work costs the search nothing more than
// its own would. Which of those fingerprints the search may take as the file's own, and
// which files it opens again at their turn, is the search's to decide.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace platform {
class DirReader;
class ReadAhead;
struct DirEntry;
}  // namespace platform

class BlockDigests {
 public:
  enum State : uint32_t {
    kPending = 0,
    // Opened, read and fingerprinted (a length of 0: nothing at or after the block's start).
    kDigested = 1,
    // Not taken here (not a plain file, or it could not be opened or read): the search
    // opens it at its turn and meets whatever there is to meet.
    kLeft = 2,
  };
  struct Result {
    std::atomic<uint32_t> state{kPending};
    int32_t length = 0;
    uint8_t digest[16] = {};
  };

  BlockDigests() = default;
  ~BlockDigests();
  BlockDigests(const BlockDigests&) = delete;
  BlockDigests& operator=(const BlockDigests&) = delete;

  // Up to helpers threads beside the caller's, made when the first folder begins.
  void Start(int helpers);
  // Ends the threads (a folder begun is ended first).
  void Stop();
  bool Running() const { return wanted_ > 0; }

  // Begins the files entries[plan[0..]] of the folder open in reader (which, and they, stay
  // as they are until End): each plain file is opened as ReadFile::OpenEntry opens it, up
  // to count bytes read at position and fingerprinted; the entry of inode passOver (the
  // data file; 0 for none) is left. The caller's own reads are timed for timer
  // (ReadAhead::NoteOwnBlock), so that a slow disk is heard of as without helpers. False,
  // with nothing begun, when the memory cannot be had.
  bool Begin(const platform::DirReader& reader, const std::vector<platform::DirEntry>& entries,
             const std::vector<size_t>& plan, uint64_t position, size_t count, uint64_t passOver,
             platform::ReadAhead* timer);
  // Plan item k's result once it is done, by whichever thread; null when it is not done
  // soon (a helper kept from running, or waiting for the disk): the caller then does the
  // file itself. Items are taken in order: k never goes back.
  const Result* Take(size_t k);
  // Ends the folder: nothing more is begun, and every helper has left it on return.
  void End();

 private:
  struct Job {
    const platform::DirReader* reader = nullptr;
    const std::vector<platform::DirEntry>* entries = nullptr;
    const std::vector<size_t>* plan = nullptr;
    uint64_t position = 0;
    size_t count = 0;
    uint64_t passOver = 0;
  };

  bool MakeHelpers();
  void Help();
  // Takes the next run of items and does them, while the folder of sequence is the one
  // begun; false when none is left. buffer holds count bytes.
  bool DoRun(uint8_t* buffer, uint64_t sequence, bool timed);
  void DoItem(size_t item, uint8_t* buffer, bool timed);
  void Publish(Result& result, uint32_t state);

  int wanted_ = 0;
  std::vector<std::thread> helpers_;
  Job job_;
  std::unique_ptr<Result[]> results_;
  size_t capacity_ = 0;
  size_t total_ = 0;
  std::vector<uint8_t> ownBuffer_;
  platform::ReadAhead* timer_ = nullptr;

  // Handing out: the next item not yet taken by any thread.
  alignas(64) std::atomic<size_t> next_{0};
  // Helpers inside the current folder's job; End waits until none is.
  alignas(64) std::atomic<int> inside_{0};
  // Odd while a folder is begun, even between: bumped by Begin and by End. A helper works
  // only while it is the odd value it saw.
  alignas(64) std::atomic<uint64_t> sequence_{0};
  std::atomic<bool> stopping_{false};
  std::atomic<int> sleepers_{0};
  std::mutex mutex_;
  std::condition_variable folderBegun_;  // helpers wait here for a folder
};
