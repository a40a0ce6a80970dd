// The search engine. It walks the target folders (and, when asked, their subfolders),
// takes the files whose names pass the file-type patterns, reads one block at the start of
// each, computes its MD5 fingerprint and then either asks the signature store for the
// first matching record (search) or turns the fingerprint into a new record (registration).
//
// One engine lives for the whole run of the program. A form arms a search (Prepare, then
// running = true) and the idle driver runs it; registration runs it directly. With jobs
// above 1 a few threads open and read the next files of the folder being searched (a
// fixed window of them); everything else happens on the caller's thread: before and after
// every file, and before every comparison, the engine lets the host handle pending events, and clearing `running` (from
// one of those events) is the one way to stop it. A stop or an abort unwinds every level
// with false; Run then records the search as not completed.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/BlockDigests.h"
#include "engine/DigestMatcher.h"
#include "settings/SearchRunInfo.h"
#include "platform/FileSystem.h"
#include "platform/ReadAhead.h"
#include "settings/ProfileFile.h"
#include "util/TextList.h"

class CDFile;
class CPatternList;
class DetectionSink;
class InvalFileDB;
class SearchHost;
class SearchProblemSink;
class SignatureQuality;

class CScanEngine {
 public:
  // OpenTarget's results.
  enum OpenResult { kOpened = 1, kOpenFileError = 3, kNotOpenable = 5 };

  // Entries of a folder listed between two chances the host has to take a stop.
  static constexpr size_t kEntriesBetweenPumps = 1024;
  // The buffer and overlap every search and registration runs with.
  static constexpr int32_t kSearchBufferSize = 1048576;
  static constexpr int32_t kSearchOverlap = 256;
  static constexpr int32_t kFingerprintSize = 16;
  // The mode value the store passes on to the matcher; the comparison does not consult it.
  static constexpr uint8_t kSearchMode = 1;

  // Reads the block bounds once: [ScanDlg] "start" (default 0) and "end" (default 0, and
  // 0 means 256), inclusive. With the defaults the block is bytes 0..256.
  CScanEngine();
  explicit CScanEngine(const ProfileFile& settings);
  virtual ~CScanEngine();
  CScanEngine(const CScanEngine&) = delete;
  CScanEngine& operator=(const CScanEngine&) = delete;

  // ---- wiring (nothing owned; each may be null, and may change between searches) ----
  // Status text and event pumping; null: no status text, no pumping (a stop still counts).
  void SetHost(SearchHost* host) { host_ = host; }
  SearchHost* Host() const { return host_; }
  // Counts every candidate file and receives the hits (the result model).
  void SetDetectionSink(DetectionSink* sink);
  DetectionSink* Sink() const { return sink_; }
  // Hears of files that could not be opened or read and folders that could not be listed.
  void SetProblemSink(SearchProblemSink* problems) { problems_ = problems; }
  // Hears of every sample a registration fingerprints (registration sets it for its run).
  void SetSampleQuality(SignatureQuality* quality) { quality_ = quality; }

  // Threads that open the files ahead of the search and ask the disk for their blocks (1,
  // the default: the search opens each file itself, when it comes to it; both programs set
  // AutomaticJobs); the search reads every block itself, at its file's turn. While
  // the disk keeps up, as many of them as there are processors (less one) fingerprint the
  // files instead. Whatever the number, files are searched, counted, reported and
  // processed in the same order and at the same moments.
  static int AutomaticJobs();
  void SetJobs(int jobs) { jobs_ = jobs < 1 ? 1 : jobs; }
  int Jobs() const { return jobs_; }
  // Every file is opened by the threads, from the first on, as on a disk so slow that they
  // are always ahead (for tests: on a warm cache the search would open most files itself).
  void SetReadAheadThreadsOnly(bool on) { readAheadThreadsOnly_ = on; }

  // ---- one search ----
  // Takes copies of the targets (folder paths in order) and of the pattern text (";"-
  // separated, lower case) and borrows the store until the next Prepare. Forgets the
  // folders passed over. False only when memory ran out.
  bool Prepare(const TextList& targets, const CPatternList& patternSource, bool subfolders, InvalFileDB& store);
  // Folders the walk passes over wherever it meets them below a target (the move folder,
  // whose files have been dealt with already), told apart by what they are, not by how
  // they are spelled; each is looked up when Run starts, and one that is not there is
  // ignored. A target itself is always searched. Set after Prepare.
  void SetFoldersNotSearched(std::vector<std::string> folders) { notSearchedPaths_ = std::move(folders); }
  // Allocates the block buffer (bufferSize 0 keeps the one there is), times the walk and
  // records its completion. False at once, with times and completion untouched, when the
  // overlap is not smaller than the buffer or the buffer cannot be had.
  bool Run(int32_t bufferSize, int32_t overlap);
  // Each target walked as a folder (a separator is added when it has none); empty targets
  // are passed over. False when the walk was stopped or aborted.
  bool SearchTargets(const TextList* targets);
  // Notes that folder is searched now; true when it is a target searched before.
  bool MarkTargetSearched(const platform::FileIdentity& folder);
  // folder ends with the separator. Files of each pattern in pattern order, then the
  // subfolders. Catches a memory shortage within it (message 131) and returns false.
  bool SearchFolder(const std::string& folder);
  // Opens path into the file object: kOpened, kNotOpenable (skipped), or kOpenFileError
  // (the process is out of descriptors or memory: the search cannot go on).
  int OpenTarget(const std::string& path);
  void CloseTarget();
  // The open file and the folder it was listed in, as the file system tells files apart
  // (device and inode); each stays unknown where there is none. Read on a hit, before the
  // file is closed, so that automatic processing acts on that very file and no other.
  void OpenTargetIdentity(platform::FileIdentity* file, platform::FileIdentity* folder) const;
  // Reads the block of the open file into the buffer: its length, 0 when there is
  // nothing to read, -1 after a read error (the file is then closed).
  int32_t ReadBlock();
  // Reads, fingerprints and searches (or registers) the open file; false only when the
  // search must stop.
  bool ProcessFile();
  // The steps after length bytes (above 0) of the file's block were read: events handled,
  // the block in the buffer fingerprinted (unless digest, the fingerprint a helper made of
  // it, is given), then searched or registered. False only when the search must stop.
  bool SearchBlock(int32_t length, const uint8_t* digest);
  // Lets the host handle pending events; true when the search must stop (running clear).
  bool PumpSearchMessages();

  // The log's view of the last search; WriteLogHeader writes its header into log.
  SearchRunInfo RunInfo() const;
  // The message for a search, registration or log that ran out of memory.
  static void ShowLowMemory();
  bool WriteLogHeader(ProfileFile::Direction direction, ProfileFile& log) const;

  // ---- state ----
  const CPatternList* Patterns() const { return patterns_.get(); }
  const TextList& Targets() const { return targets_; }
  InvalFileDB* Store() const { return store_; }
  int32_t BlockStart() const { return blockStart_; }
  int32_t BlockEnd() const { return blockEnd_; }
  // The bytes the block asks for with a buffer of bufferSize: what a file must hold from
  // the block's start for its sample to fill the block.
  int32_t BlockLength(int32_t bufferSize) const;
  int32_t BufferSize() const { return bufferSize_; }
  int32_t Overlap() const { return overlap_; }
  int32_t BlockPosition() const { return blockPosition_; }
  int32_t BlockLength() const { return blockLength_; }
  // The fingerprint of the last file read.
  const uint8_t* Fingerprint() const { return fingerprint_; }
  const LogDateTime& StartTime() const { return startTime_; }
  const LogDateTime& EndTime() const { return endTime_; }
  bool Completed() const { return completed_; }

  // A search is armed or in progress. The forms set it to arm a search, stop handlers
  // clear it, and everything that must not happen during a search tests it.
  bool running = false;
  // Registration mode: files become records instead of being searched.
  bool registering = false;

 protected:
  // Opens folder (with its separator) for listing; on false, *error holds the errno.
  // Tests stand in for a drive that is not there here.
  virtual bool OpenFolder(platform::DirReader& reader, const std::string& folder, int* error);

 private:
  bool WalkFolder(const std::string& folder);
  // Takes every entry of folder into entries_ (*count of them); none for a folder passed
  // over. False when the search must end (an unreachable folder, or a stop while listing).
  bool ListFolder(const std::string& folder, const platform::FileIdentity& parent, bool target, size_t* count);
  bool FolderNotListed(const std::string& folder, int error);
  // Whether the folder open in finder_ is one of the folders not searched.
  bool IsFolderNotSearched();
  // The identity of the folder open in finder_ (unknown when it cannot be told), taken
  // once per listing, when first needed.
  const platform::FileIdentity& ListedFolder();
  // Looks up the data file and the folders not searched, once per Run.
  void IdentifyPassedOver();
  // Fills plan_ with the entries of the listing to search, in the order they are searched:
  // the files of each pattern token in turn, each at the first token that matches it.
  void PlanFiles(size_t count);
  bool SearchPlanned(const std::string& folder);
  // Searches the planned files from the first on with their blocks fingerprinted ahead, as
  // long as the disk keeps up and the folder stays as it was listed; *next: the first
  // planned file left to SearchPlanned's own loop. False when the search must stop.
  bool SearchDigested(const std::string& folder, size_t* next);
  // A file fingerprinted ahead with nothing in the store to test it against: counted and
  // handed to the store as a file opened and read at its turn would be.
  bool SearchDigestedFile(const std::string& folder, const platform::DirEntry& entry,
                          const BlockDigests::Result& result);
  // The folder being searched has had no entry added, removed or renamed since it was
  // listed.
  bool FolderAsListed() const;
  // After a folder searched with helpers: were they hindered (kept the search waiting),
  // the next few folders are searched without them.
  void NoteHelpers(bool hindered);
  // Keeps the read-ahead's window full from plan_[*asked] on.
  void AskAhead(size_t* asked);
  // Where the block starts and how many bytes are asked for at most.
  void BlockRequest(int64_t* position, int64_t* count) const;
  // The store's own data file, met in the folder being listed.
  bool IsDataFile(const platform::DirEntry& entry) const;
  // Fills lowerNames_ for the first count entries, once per listing.
  void LowerNames(size_t count);
  // Shows the file in file_ as the one being searched and counts it.
  void TellSearched();
  // The entry of the folder being listed (folder with its separator); ahead: the entry as
  // the reading threads (or this thread, at its turn) opened it, or null.
  bool SearchFile(const std::string& folder, const platform::DirEntry& entry,
                  platform::ReadAhead::Block* ahead = nullptr);
  // OpenTarget for an entry of the folder being listed: the kernel looks up the name alone.
  int OpenTargetInFolder(const std::string& folder, const platform::DirEntry& entry);
  int OpenResultOf(bool opened, int error);
  void RegisterFile();
  void SetStatus(const std::string& text);

  // In the order the program has always kept them.
  bool searchSubfolders_ = false;
  std::unique_ptr<CPatternList> patterns_;
  // The usable tokens of patterns_, in order.
  std::vector<std::string> tokens_;
  TextList targets_;
  // The folder enumerator: one folder at a time, read in full before its files are opened.
  std::unique_ptr<platform::DirReader> finder_;
  std::unique_ptr<uint8_t[]> buffer_;
  int32_t blockPosition_ = 0;
  int32_t blockLength_ = 0;
  int32_t bufferSize_ = 0;
  int32_t overlap_ = 0;
  std::unique_ptr<CDFile> file_;
  std::unique_ptr<DigestMatcher> matcher_;
  InvalFileDB* store_ = nullptr;
  int32_t blockStart_ = 0;
  int32_t blockEnd_ = 256;
  LogDateTime startTime_{0.0, 0};
  LogDateTime endTime_{0.0, 0};
  bool completed_ = false;

  SearchHost* host_ = nullptr;
  DetectionSink* sink_ = nullptr;
  SearchProblemSink* problems_ = nullptr;
  SignatureQuality* quality_ = nullptr;
  uint8_t fingerprint_[kFingerprintSize] = {};
  int openError_ = 0;
  bool targetInFolder_ = false;  // the open file was opened relative to finder_
  // The folder whose subfolder is walked next: a subfolder is opened by its path, and must
  // still be found below the folder that listed it.
  platform::FileIdentity parentOfNext_;
  // The folder walked next is a target (not a subfolder met on the way).
  bool targetNext_ = false;
  // The data file in use, and the folders passed over, as Run found them.
  platform::FileIdentity dataFile_;
  std::vector<std::string> notSearchedPaths_;
  std::vector<platform::FileIdentity> notSearched_;
  platform::FileIdentity listedFolder_;
  bool listedFolderTaken_ = false;
  // Levels below the target of the folder being walked.
  int depth_ = 0;
  // Per target, the folder it names and whether it was searched already, as a target or on
  // the walk of another: a folder given twice, or below another target, is searched once.
  std::vector<platform::FileIdentity> targetFolders_;
  std::vector<uint8_t> targetSearched_;
  // Per entry of the current listing, with several tokens: already taken by an earlier
  // token, so that a file is searched once, at the first token that matches it.
  std::vector<uint8_t> taken_;
  // Reused for every folder, so a search allocates nothing per file.
  std::vector<platform::DirEntry> entries_;
  // entries_' names with their letters in lower case, as the pattern tokens are matched;
  // the first `lowered_` of them belong to the current listing.
  std::vector<std::string> lowerNames_;
  size_t lowered_ = 0;
  std::vector<size_t> plan_;
  int jobs_ = 1;
  bool readAheadThreadsOnly_ = false;
  platform::ReadAhead ahead_;
  BlockDigests digests_;
  // The folder being listed, as it was before its entries were read (while digests_ runs).
  platform::FileStamp listedStamp_;
  bool listedStampKnown_ = false;
  // Folders to search without helpers before they are tried again, and how many that was
  // the last time.
  int digestPauseLeft_ = 0;
  int digestPause_ = 0;
  // While the search opens and reads its files itself beside idle reading threads: when
  // the file's open began and when its block had been read (the time the disk took).
  bool timingOwnRead_ = false;
  std::chrono::steady_clock::time_point ownOpenAt_, ownReadAt_;
};

// The engine the program's windows reach (set at start-up; null before).
void SetApplicationScanEngine(CScanEngine* engine);
CScanEngine* ApplicationScanEngine();
// PumpSearchMessages of the application's engine; true (stop) when there is none.
bool PumpSearchMessages();
