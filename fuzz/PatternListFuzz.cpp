// File-type patterns against file names. Input: the pattern text, NUL, the path (without
// a NUL the whole input is the path and the patterns are "*.htm;*.html"). Besides not
// faulting, Match must agree with itself: only 0, 1 or 2; "*.*" matches every name and "*"
// exactly the names without a full stop; the case of single-byte letters in the name makes
// no difference; a list that starts with a token matches as that token alone.
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "util/CDFile.h"
#include "util/CPatternList.h"
#include "util/ShiftJis.h"

namespace {

std::string UpperSingleByteLetters(std::string_view text) {
  std::string upper(text);
  for (size_t i = 0; i < upper.size(); i += shiftjis::CharSize(upper, i)) {
    if (shiftjis::CharSize(upper, i) == 1 && upper[i] >= 'a' && upper[i] <= 'z') upper[i] = static_cast<char>(upper[i] - 'a' + 'A');
  }
  return upper;
}

bool HasWildcard(std::string_view token) { return token.find_first_of("*?") != std::string_view::npos; }

// The fixed lists every run matches with, made once.
const CPatternList kEveryName("*.*", ';');
const CPatternList kNoStop("*", ';');

// alone: the list's first token as a list of its own (null when the list has none).
void CheckStyle(const CPatternList& list, const CPatternList* alone, std::string_view path, PathStyle style) {
  const int result = list.Match(path, style);
  FUZZ_CHECK(result == CPatternList::kNoMatch || result == CPatternList::kMatch || result == CPatternList::kMatchAll);

  CDFile file(style);
  file.AssignPath(path);
  const std::string name = file.FileNamePart().str();
  FUZZ_CHECK(list.MatchName(name) == result);
  FUZZ_CHECK(list.MatchName(UpperSingleByteLetters(name)) == result);
  if (result == CPatternList::kMatchAll) FUZZ_CHECK(list.Contains("*.*") || list.Contains("*"));

  FUZZ_CHECK(kEveryName.Match(path, style) == CPatternList::kMatchAll);
  const bool noStop = name.find('.') == std::string::npos;
  FUZZ_CHECK(kNoStop.Match(path, style) == (noStop ? CPatternList::kMatchAll : CPatternList::kNoMatch));

  const std::string_view first = list.GetToken(0);
  if (alone != nullptr) {
    const int firstResult = alone->MatchName(name);
    // The first token decides whenever it matches.
    if (firstResult != CPatternList::kNoMatch) FUZZ_CHECK(result == firstResult);
    if (!HasWildcard(first)) {
      std::string lower(name.size(), '\0');
      shiftjis::LowerSingleByteLetters(name, lower.data());
      FUZZ_CHECK((firstResult != CPatternList::kNoMatch) == (first == lower));
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t nul = input.find('\0');
  const std::string_view patterns = nul == std::string_view::npos ? std::string_view("*.htm;*.html") : input.substr(0, nul);
  const std::string_view path = nul == std::string_view::npos ? input : input.substr(nul + 1);

  CPatternList list(patterns, ';');
  FUZZ_CHECK(list.GetCount() >= 0);
  const std::string_view first = list.GetToken(0);
  if (first.empty()) {
    CheckStyle(list, nullptr, path, kNativePathStyle);
    CheckStyle(list, nullptr, path, kBackslashPathStyle);
  } else {
    const CPatternList alone(first, ';');
    CheckStyle(list, &alone, path, kNativePathStyle);
    CheckStyle(list, &alone, path, kBackslashPathStyle);
  }
  return 0;
}
