// Lists kept in the settings file as numbered keys of one section ("C0", "C1", ... or
// "Path0", "Path1", ...): read up to the first empty value. The readers differ only in
// what a value seen before does, so that is the caller's choice.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "settings/ProfileFile.h"

enum class RepeatedText {
  kKeep,  // listed again
  kSkip,  // left out, the list goes on
  kStop,  // ends the list
};

// stem + "0" .. stem + (max - 1) of section, up to the first empty value.
std::vector<std::string> ReadNumberedTexts(const ProfileFile& settings, const char* section, const char* stem,
                                           size_t max, RepeatedText repeated);

// stem + index, the key of one entry of such a list.
std::string NumberedKey(const char* stem, size_t index);
