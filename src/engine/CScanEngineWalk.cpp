// The folder walk of CScanEngine: files of each pattern, then the subfolders.
#include <cerrno>
#include <exception>

#include "engine/CScanEngine.h"
#include "engine/DetectionSink.h"
#include "engine/SearchProblemSink.h"
#include "platform/FileSystem.h"
#include "util/CDFile.h"
#include "util/CPatternList.h"
#include "util/MessageBox.h"
#include "util/StringTable.h"

namespace {

// The data file is the program's own, wherever it is: never counted, never searched.
bool IsDataFileName(const std::string& name) {
  static constexpr char kLower[] = "vorlet.dat";
  if (name.size() != sizeof kLower - 1) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    char c = name[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != kLower[i]) return false;
  }
  return true;
}

}  // namespace

bool CScanEngine::FindFirst(CFileFinder& finder, const std::string& path, CFileFinder::Mode mode, int* error) {
  const bool found = finder.FindFirst(path, mode);
  *error = found ? 0 : finder.LastError();
  return found;
}

bool CScanEngine::SearchFolder(const std::string& folder) {
  try {
    return WalkFolder(folder);
  } catch (const std::exception&) {
    // Out of memory (std::bad_alloc, or a text that could not be built) anywhere below:
    // this level tells the user, the levels above just unwind.
    CloseTarget();
    ShowLowMemory();
    return false;
  }
}

bool CScanEngine::WalkFolder(const std::string& folder) {
  SetStatus(folder);
  bool listFailed = false;
  for (int i = 0;; ++i) {
    // The token after the last one is empty, and so is one between two adjacent
    // separators: either ends the list.
    const std::string_view token = patterns_->GetToken(i);
    if (token.empty()) break;
    if (!SearchFiles(folder, token, &listFailed)) return false;
  }
  if (!searchSubfolders_) return true;
  return SearchSubfolderList(folder, &listFailed);
}

bool CScanEngine::SearchFiles(const std::string& folder, std::string_view token, bool* listFailed) {
  path_.assign(folder).append(token);
  int error = 0;
  bool found = FindFirst(*finder_, path_, CFileFinder::Mode::Files, &error);
  if (!found) return ListingFailed(folder, error, listFailed);
  // Take the names first: processing a hit may rename it within this folder, and a
  // listing still open could then meet it again under its new name.
  size_t count = 0;
  for (; found; found = finder_->FindNext()) {
    if (count == names_.size()) names_.emplace_back(finder_->Name());
    else names_[count].assign(finder_->Name());
    ++count;
  }
  if (finder_->LastError() != 0 && !ListingFailed(folder, finder_->LastError(), listFailed)) return false;

  for (size_t i = 0; i < count; ++i) {
    if (PumpSearchMessages()) return false;
    if (!IsDataFileName(names_[i])) {
      path_.assign(folder).append(names_[i]);
      if (!SearchFile(path_)) return false;
    }
    if (PumpSearchMessages()) return false;
  }
  return true;
}

bool CScanEngine::SearchFile(const std::string& path) {
  const int opened = OpenTarget(path);
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

bool CScanEngine::SearchSubfolderList(const std::string& folder, bool* listFailed) {
  // A finder and a name list of this level's own: the walk below reuses the engine's, and
  // no folder stays open while its subfolders are searched.
  CFileFinder finder;
  std::vector<std::string> subfolders;
  int error = 0;
  bool found = FindFirst(finder, folder + "*.*", CFileFinder::Mode::Folders, &error);
  if (!found) return ListingFailed(folder, error, listFailed);
  for (; found; found = finder.FindNext()) {
    // Links to folders come as reparse points without the folder bit: never entered.
    const uint32_t attributes = finder.Attributes();
    if ((attributes & platform::kAttrDirectory) == 0 || (attributes & platform::kAttrReparsePoint) != 0) continue;
    if (finder.Name().empty() || finder.Name()[0] == '.') continue;
    subfolders.push_back(finder.Name());
  }
  if (finder.LastError() != 0 && !ListingFailed(folder, finder.LastError(), listFailed)) return false;

  std::string subfolder;
  for (const std::string& name : subfolders) {
    if (PumpSearchMessages()) return false;
    subfolder.assign(folder).append(name).push_back(platform::kSeparator);
    if (!SearchFolder(subfolder)) return false;
  }
  return true;
}

bool CScanEngine::ListingFailed(const std::string& folder, int error, bool* listFailed) {
  // No error, or a folder that is not there: simply nothing to search.
  if (error == 0 || error == ENOENT) return true;
  if (!*listFailed) {
    *listFailed = true;
    if (problems_ != nullptr) problems_->FolderNotListed(folder, error);
  }
  if (platform::IsUnreachableError(error)) {
    MessageBoxById(kStrNotReady, MessageButtons::Ok, MessageIcon::None);
    return false;
  }
  return true;
}
