// The folder walk of CScanEngine: the files of each pattern in pattern order, then the
// subfolders. Each folder is listed once; the entries are taken before any file is
// processed, so a hit that is renamed in place is not met again under its new name, and
// the folder is closed before its subfolders are walked, so no descriptor is held per level.
#include <cerrno>
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

// The data file is the program's own, wherever it is: never counted, never searched.
bool IsDataFileName(const std::string& name) {
  static const std::string kDataFileName =
      std::string(InvalFileDB::kDataFileBase) + "." + InvalFileDB::kDataFileExt;
  return shiftjis::EqualIgnoringAsciiCase(name, kDataFileName);
}

}  // namespace

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
  SetStatus(folder);
  size_t count = 0;
  if (!ListFolder(folder, parent, &count)) return false;

  for (int i = 0;; ++i) {
    // The token after the last one is empty, and so is one between two adjacent
    // separators: either ends the list.
    const std::string_view token = patterns_->GetToken(i);
    if (token.empty()) break;
    if (!SearchFiles(folder, token, count)) {
      finder_->Close();
      return false;
    }
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
  platform::FileIdentity here;
  if (!subfolders.empty()) finder_->Identity(&here);
  finder_->Close();
  std::string subfolder;
  for (const std::string& name : subfolders) {
    if (PumpSearchMessages()) return false;
    subfolder.assign(folder).append(name).push_back(platform::kSeparator);
    parentOfNext_ = here;
    if (!SearchFolder(subfolder)) return false;
  }
  return true;
}

bool CScanEngine::ListFolder(const std::string& folder, const platform::FileIdentity& parent, size_t* count) {
  int error = 0;
  if (!OpenFolder(*finder_, folder, &error)) {
    // No folder there: simply nothing to search.
    return error == ENOENT || FolderNotListed(folder, error);
  }
  // A subfolder swapped for a link (to anywhere) since its parent was listed would lead the
  // walk, and the processing of its hits, out of the tree: it is passed over as a link.
  if (parent.known && !finder_->ParentIs(parent)) {
    finder_->Close();
    return FolderNotListed(folder, ELOOP);
  }
  lowered_ = 0;
  size_t n = 0;
  for (;;) {
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

bool CScanEngine::SearchFiles(const std::string& folder, std::string_view token, size_t count) {
  const bool everything = token == "*.*";
  if (!everything) LowerNames(count);
  for (size_t i = 0; i < count; ++i) {
    const platform::DirEntry& entry = entries_[i];
    if (!CFileFinder::IsFileEntry(entry)) continue;
    if (!everything && !CPatternList::MatchToken(token, lowerNames_[i])) continue;
    if (PumpSearchMessages()) return false;
    if (!IsDataFileName(entry.name) && !SearchFile(folder, entry)) return false;
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

bool CScanEngine::SearchFile(const std::string& folder, const platform::DirEntry& entry) {
  const int opened = OpenTargetInFolder(folder, entry);
  const std::string& path = file_->PathText();
  // A file that went away since it was listed is passed over as if it had never been
  // there; the open itself is the existence test, so a search costs no extra status call.
  if (opened != kOpened) {
    if (openError_ == ENOENT || openError_ == ENOTDIR || !file_->Exists()) return true;
  }
  SetStatus(path);
  if (sink_ != nullptr) sink_->CountSearchedFile();
  if (opened == kOpened) {
    const bool ok = ProcessFile();
    CloseTarget();
    return ok;
  }
  if (problems_ != nullptr) problems_->FileNotRead(path, openError_, SearchProblemSink::FileStep::Open);
  return opened != kOpenFileError;
}
