// Fingerprints the blocks of a listed folder's files ahead of the search, on helper threads
// and on the search's own thread together. On a warm cache a search is bound by the
// processor, not the disk: one thread opens, reads and fingerprints one file after another
// while the other processors sit idle. Here the folder's files are handed out in short
// runs, in plan order, to whichever thread is free; the search takes the results in that
// order, taking the run of the next one itself when no helper has, and doing one that has
// been in a helper's hands for more than a moment itself.
//
// Only a fingerprint and a length come back: each file is closed as soon as it is read.
// A helper works with a descriptor table of its own (its opens and closes, one every few
// microseconds, never wait for the lock of the search thread's table) and on a folder of
// its own: the names it needs are copied for it, and it opens the folder the search has
// open through /proc. So the search never waits for a helper to leave a folder: one kept
// from running (another program had its processor) finishes the file in its hands later,
// into results nobody reads any more. Where no thread can have a table of its own, there
// are no helpers.
//
// Which of those fingerprints the search may take as the file's own, and which files it
// opens again at their turn, is the search's to decide.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/FileSystem.h"

namespace platform {
class ReadAhead;
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

  // Up to helpers threads beside the caller's (which must be the thread that calls Begin),
  // made when the first folder begins; none where they could not have tables of their own.
  void Start(int helpers);
  // Ends the threads.
  void Stop();
  bool Running() const { return wanted_ > 0; }

  // Begins the files entries[plan[0..]] of the folder open in reader (which stays open, and
  // they as they are, until End): each plain file is opened as ReadFile::OpenEntry opens
  // it, up to count bytes read at position and fingerprinted; the entry of inode passOver
  // (the data file; 0 for none) is left. The caller's own reads are timed for timer
  // (ReadAhead::NoteOwnBlock), so that a slow disk is heard of as without helpers. False,
  // with nothing begun, when the memory cannot be had.
  bool Begin(const platform::DirReader& reader, const std::vector<platform::DirEntry>& entries,
             const std::vector<size_t>& plan, uint64_t position, size_t count, uint64_t passOver,
             platform::ReadAhead* timer);
  // Plan item k's result once it is done, by whichever thread; null when it is not done
  // soon (a helper kept from running, or waiting for the disk): the caller then does the
  // file itself. Items are taken in order: k never goes back.
  const Result* Take(size_t k);
  // Ends the folder: nothing more is begun. Never waits.
  void End();
  // Files of the folder begun that the caller found in a helper's hands and did itself
  // (Take gave null): a helper that keeps the caller waiting has no processor of its own
  // (the machine is busy with other work), and then helpers only cost.
  int Late() const { return late_; }
  // Files of the folder begun the helpers read.
  int HelpersFiles() const { return helpersFiles_.load(std::memory_order_relaxed); }
  // Helpers had fallen asleep (no folder came for a while) and were woken for the folder
  // begun: waking takes longer than a small folder, so they may have read none of it
  // without being kept from running.
  bool Woken() const { return woken_; }

 private:
  // One folder's files, shared by the threads that work on it.
  struct Job {
    platform::FolderTicket folder;
    std::string names;             // the plain files' OS names, each ended by a NUL
    std::vector<uint32_t> nameAt;  // per item: where its name begins in names
    std::unique_ptr<Result[]> results;
    size_t total = 0;
    uint64_t position = 0;
    size_t count = 0;
    std::atomic<size_t> next{0};  // the next item not yet taken by any thread
    std::atomic<bool> ended{false};
  };
  // Files of the job begun that helpers read (helpers of an ended job may still count).
  std::atomic<int> helpersFiles_{0};

  bool MakeHelpers();
  void Help();
  // Takes the next run of job's items and does them, opening them in reader (the search's,
  // or the same folder opened by a helper); false when none is left or the job ended.
  // buffer holds count bytes.
  bool DoRun(Job& job, const platform::DirReader& reader, uint8_t* buffer, bool timed);
  void DoItem(Job& job, size_t item, const platform::DirReader& reader, uint8_t* buffer, bool timed);

  int wanted_ = 0;
  long owner_ = 0;  // the thread that lists the folders and takes the results
  std::vector<std::thread> helpers_;
  std::shared_ptr<Job> job_;  // the search thread's
  const platform::DirReader* reader_ = nullptr;
  std::vector<uint8_t> ownBuffer_;
  platform::ReadAhead* timer_ = nullptr;
  int late_ = 0;
  bool woken_ = false;

  std::mutex mutex_;
  std::condition_variable folderBegun_;  // helpers wait here for a folder
  std::shared_ptr<Job> current_;         // the folder begun, under mutex_
  // Bumped for every folder begun: a helper looks for the next folder while it stays.
  std::atomic<uint64_t> sequence_{0};
  std::atomic<bool> stopping_{false};
  std::atomic<int> sleepers_{0};
};
