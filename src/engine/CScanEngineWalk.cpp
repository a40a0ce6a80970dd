// The folder walk of CScanEngine: the files of each pattern in pattern order, then the
// subfolders. Each folder is listed once; the entries are taken before any file is
// processed, so a hit that is renamed in place is not met again under its new name, and
// the folder is closed before its subfolders are walked, so no descriptor is held per level.
#include <cerrno>
#include <chrono>
#include <exception>
#include <utility>

#include "db/InvalFileDB.h"
#include "engine/CScanEngine.h"
#include "db/DetectionSink.h"
#include "engine/SearchProblemSink.h"
#include "util/CDFile.h"
#include "util/CFileFinder.h"
#include "util/CPatternList.h"
#include "util/MessageBox.h"
#include "util/ShiftJis.h"
#include "util/StringTable.h"

namespace {

// The deepest level below a target that is walked. Real trees stay far above it; a tree
// made deeper (any user can nest folders by the million) would cost a stack frame and a
// longer path to open at every level, and could end the program. Its folders below are
// told as not listed, so such a search is never reported clean.
constexpr int kDeepestLevel = 4096;

// The data file's usual name: the one the identity of a listed file is checked against
// even when the listing's inode says otherwise (a file system whose listing does not give
// the inode a status call gives).
bool IsDataFileName(const std::string& name) {
  static const std::string kDataFileName =
      std::string(InvalFileDB::kDataFileBase) + "." + InvalFileDB::kDataFileExt;
  return shiftjis::EqualIgnoringAsciiCase(name, kDataFileName);
}

}  // namespace

void CScanEngine::IdentifyPassedOver() {
  platform::FileStatus status;
  dataFile_ = platform::FileIdentity{};
  if (store_ != nullptr && !store_->FilePath().empty() && platform::GetStatus(store_->FilePath(), &status))
    dataFile_ = platform::IdentityOf(status);
  notSearched_.clear();
  for (const std::string& folder : notSearchedPaths_) {
    if (!folder.empty() && platform::GetStatus(folder, &status) && status.isDirectory)
      notSearched_.push_back(platform::IdentityOf(status));
  }
}

bool CScanEngine::IsDataFile(const platform::DirEntry& entry) const {
  // The listing's inode and the name spare a status call for every other file.
  if (!dataFile_.known || (entry.inode != dataFile_.inode && !IsDataFileName(entry.name))) return false;
  platform::FileIdentity identity;
  return finder_->EntryIdentity(entry, &identity) && platform::SameIdentity(identity, dataFile_);
}

const platform::FileIdentity& CScanEngine::ListedFolder() {
  if (!listedFolderTaken_ && !finder_->Identity(&listedFolder_)) listedFolder_ = platform::FileIdentity{};
  listedFolderTaken_ = true;
  return listedFolder_;
}

bool CScanEngine::IsFolderNotSearched() {
  if (notSearched_.empty()) return false;
  for (const platform::FileIdentity& folder : notSearched_) {
    if (platform::SameIdentity(ListedFolder(), folder)) return true;
  }
  return false;
}

bool CScanEngine::OpenFolder(platform::DirReader& reader, const std::string& folder, int* error) {
  return reader.Open(folder, error);
}

bool CScanEngine::SearchFolder(const std::string& folder) {
  try {
    return WalkFolder(folder);
  } catch (const std::exception&) {
    // Out of memory (std::bad_alloc, or a text that could not be built) anywhere below:
    // this level tells the user, the levels above just unwind.
    CloseTarget();
    finder_->Close();
    ShowLowMemory();
    return false;
  }
}

bool CScanEngine::WalkFolder(const std::string& folder) {
  const platform::FileIdentity parent = std::exchange(parentOfNext_, platform::FileIdentity{});
  const bool target = std::exchange(targetNext_, false);
  SetStatus(folder);
  size_t count = 0;
  if (!ListFolder(folder, parent, target, &count)) return false;

  PlanFiles(count);
  if (!SearchPlanned(folder)) {
    finder_->Close();
    return false;
  }
  if (!searchSubfolders_) {
    finder_->Close();
    return true;
  }

  // The subfolders' names outlive the entries, which the walk below reuses.
  std::vector<std::string> subfolders;
  for (size_t i = 0; i < count; ++i) {
    if (CFileFinder::IsFolderEntry(entries_[i])) subfolders.push_back(entries_[i].name);
  }
  const platform::FileIdentity here = subfolders.empty() ? platform::FileIdentity{} : ListedFolder();
  finder_->Close();
  struct Level {
    int& depth;
    explicit Level(int& d) : depth(d) { ++depth; }
    ~Level() { --depth; }
  } level{depth_};
  std::string subfolder;
  for (const std::string& name : subfolders) {
    if (PumpSearchMessages()) return false;
    subfolder.assign(folder).append(name).push_back(platform::kSeparator);
    parentOfNext_ = here;
    if (!SearchFolder(subfolder)) return false;
  }
  return true;
}

bool CScanEngine::ListFolder(const std::string& folder, const platform::FileIdentity& parent, bool target,
                             size_t* count) {
  *count = 0;
  lowered_ = 0;
  if (depth_ > kDeepestLevel) return FolderNotListed(folder, ENAMETOOLONG);
  int error = 0;
  if (!OpenFolder(*finder_, folder, &error)) {
    // A subfolder gone since its parent was listed: simply nothing to search. A target
    // that is not there was asked for, and is told once, like any folder not listed.
    return (error == ENOENT && !target) || FolderNotListed(folder, error);
  }
  listedFolderTaken_ = false;
  // Before the entries are read: a change made while they are read shows, too.
  listedStampKnown_ = digests_.Running() && finder_->Stamp(&listedStamp_);
  // A subfolder swapped for a link (to anywhere) since its parent was listed would lead the
  // walk, and the processing of its hits, out of the tree: it is passed over as a link.
  // A folder that may be read but not entered is told as such (its ".." cannot be looked at).
  if (int notBelow = 0; parent.known && !finder_->ParentIs(parent, &notBelow)) {
    finder_->Close();
    return FolderNotListed(folder, notBelow);
  }
  if (!target && IsFolderNotSearched()) {
    finder_->Close();
    return true;
  }
  // A subfolder that is also a target: searched here or at its own turn, never twice.
  if (!target && !targetFolders_.empty() && MarkTargetSearched(ListedFolder())) {
    finder_->Close();
    return true;
  }
  size_t n = 0;
  for (;;) {
    // A folder of a great many entries, or one on a slow disk, takes long to list: a stop is
    // heard, and the window kept alive, while it is listed too. What was listed is dropped.
    if (n > 0 && n % kEntriesBetweenPumps == 0 && PumpSearchMessages()) {
      finder_->Close();
      return false;
    }
    if (n == entries_.size()) entries_.emplace_back();
    error = 0;
    if (!finder_->Next(&entries_[n], &error)) break;
    ++n;
  }
  *count = n;
  // A listing broken off keeps what it gave; the folder still counts as not listed.
  return error == 0 || FolderNotListed(folder, error);
}

bool CScanEngine::FolderNotListed(const std::string& folder, int error) {
  if (problems_ != nullptr) problems_->FolderNotListed(folder, error);
  if (platform::IsUnreachableError(error)) {
    finder_->Close();
    MessageBoxById(kStrNotReady, MessageButtons::Ok, MessageIcon::None);
    return false;
  }
  return true;
}

void CScanEngine::PlanFiles(size_t count) {
  plan_.clear();
  const bool several = tokens_.size() > 1;
  if (several) taken_.assign(count, 0);
  for (const std::string& token : tokens_) {
    const bool everything = token == "*.*";
    if (!everything) LowerNames(count);
    for (size_t i = 0; i < count; ++i) {
      const platform::DirEntry& entry = entries_[i];
      // An entry that could not be looked at may be a file: if its name is one searched
      // for, it is counted and told as not read rather than silently left out.
      if (!CFileFinder::IsFileEntry(entry) && entry.error == 0) continue;
      if (several && taken_[i] != 0) continue;
      if (!everything && !CPatternList::MatchToken(token, lowerNames_[i])) continue;
      if (several) taken_[i] = 1;
      plan_.push_back(i);
    }
  }
}

void CScanEngine::AskAhead(size_t* asked) {
  // Topped up once half the window is taken: on a warm cache a thread woken per file would
  // cost more than the read it does.
  if (*asked >= plan_.size() || ahead_.Outstanding() > ahead_.Window() / 2) return;
  int64_t position = 0;
  int64_t count = 0;
  BlockRequest(&position, &count);
  for (; *asked < plan_.size() && ahead_.Outstanding() < ahead_.Window(); ++*asked) {
    const platform::DirEntry& entry = entries_[plan_[*asked]];
    // The same test as the search makes when it comes to the entry: what is not opened
    // there is not opened ahead either.
    if (entry.error != 0 || IsDataFile(entry)) continue;
    ahead_.Ask(*finder_, entry, static_cast<uint64_t>(position), static_cast<size_t>(count));
  }
  ahead_.Flush();
}

bool CScanEngine::SearchPlanned(const std::string& folder) {
  size_t first = 0;
  if (!SearchDigested(folder, &first)) return false;
  const bool ahead = ahead_.Running();
  // Whatever way the folder is left, nothing read ahead outlives its listing.
  struct CancelGuard {
    platform::ReadAhead& ahead;
    ~CancelGuard() { ahead.Cancel(); }
  } guard{ahead_};
  // Entries before asked were asked for ahead (those that are opened at all).
  size_t asked = first;
  for (size_t k = first; k < plan_.size(); ++k) {
    const platform::DirEntry& entry = entries_[plan_[k]];
    if (ahead && ahead_.Taking()) AskAhead(&asked);
    if (PumpSearchMessages()) return false;
    bool ok = true;
    if (!IsDataFile(entry)) {
      const bool took = k < asked && entry.error == 0;
      // Not asked for: this thread opens and reads it, and the reading threads learn how
      // long the disk took.
      const bool own = ahead && !took && entry.error == 0;
      if (own) {
        asked = k + 1;
        timingOwnRead_ = true;
        ownOpenAt_ = ownReadAt_ = std::chrono::steady_clock::now();
      }
      platform::ReadAhead::Block* block = nullptr;
      if (took) {
        // A stop is heard while the disk is slow, too.
        while ((block = ahead_.WaitOldest(std::chrono::milliseconds(20))) == nullptr) {
          if (PumpSearchMessages()) return false;
        }
      }
      ok = SearchFile(folder, entry, block);
      if (took) ahead_.ReleaseOldest();
      if (own) {
        timingOwnRead_ = false;
        ahead_.NoteOwnBlock(ownReadAt_ - ownOpenAt_);
      }
    }
    if (!ok) return false;
    if (PumpSearchMessages()) return false;
  }
  return true;
}

void CScanEngine::LowerNames(size_t count) {
  if (lowerNames_.size() < count) lowerNames_.resize(count);
  for (; lowered_ < count; ++lowered_) {
    const std::string& name = entries_[lowered_].name;
    lowerNames_[lowered_].resize(name.size());
    shiftjis::LowerSingleByteLetters(name, lowerNames_[lowered_].data());
  }
}

void CScanEngine::TellSearched() {
  SetStatus(file_->PathText());
  if (sink_ != nullptr) sink_->CountSearchedFile();
}

bool CScanEngine::SearchFile(const std::string& folder, const platform::DirEntry& entry,
                             platform::ReadAhead::Block* ahead) {
  int opened = kNotOpenable;
  if (entry.error != 0) {
    file_->AssignPath(folder, entry.name);
    openError_ = entry.error;
  } else if (ahead != nullptr && ahead->opened &&
             (ahead->atItsTurn || finder_->EntryStillIs(entry, ahead->identity))) {
    // Opened at its turn, or opened ahead and the name still leads to that file: it is
    // taken as if opened now. A file gone or replaced since, or one that could not be opened
    // ahead, is opened again below, so the search meets the tree as it is at the file's turn.
    blockPosition_ = 0;
    blockLength_ = 0;
    file_->AssignPath(folder, entry.name);
    file_->File().Swap(ahead->file);
    targetInFolder_ = true;
    opened = OpenResultOf(true, 0);
  } else {
    opened = OpenTargetInFolder(folder, entry);
    // A file that went away since it was listed is passed over as if it had never been
    // there; the open itself is the existence test, so a search costs no extra status
    // call. Any other failure (no permission, a link loop, a failing disk) leaves a file
    // that is there and was not read.
    if (opened != kOpened && platform::IsAbsentError(openError_)) return true;
  }
  const std::string& path = file_->PathText();
  TellSearched();
  if (opened == kOpened) {
    const bool ok = ProcessFile();
    CloseTarget();
    return ok;
  }
  if (problems_ != nullptr) problems_->FileNotRead(path, openError_, SearchProblemSink::FileStep::Open);
  return opened != kOpenFileError;
}
