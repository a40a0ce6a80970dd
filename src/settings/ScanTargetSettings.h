// What the search target form keeps in the settings file ("ScanDlg"): the target folders,
// the history of file types and whether subfolders are searched. The command line reads
// the same keys, so that it searches what the form would.
#pragma once

#include <string>
#include <string_view>

#include "settings/ProfileFile.h"
#include "util/TextList.h"

struct ScanTargetSettings {
  static constexpr const char* kSection = "ScanDlg";
  // Slots of each list ("Path0".."Path20", "File0".."File20").
  static constexpr int kSlots = 21;

  TextList targets;   // up to the first empty slot, each folder once
  TextList patterns;  // every non-empty slot, each file type once, newest first
  bool subfolders = true;

  static ScanTargetSettings Load(const ProfileFile& settings);
  // The file type a search starts with: the newest of the history, "*.*" without one.
  std::string CurrentPattern() const;
};

// A file-type text as a search takes it: "*.*" for none, single-byte letters in lower case.
std::string SearchPatternText(std::string_view text);
