// What automatic processing can do to a detected file (the mode chosen in the search
// settings) and what it did (the result kept with the hit). A successful delete, rename or
// move returns its mode number as the result, so the two share their values 1 to 3; the
// result indexes the five texts that the hits section of a log prints.
#pragma once

#include <cstdint>
#include <string_view>

enum ProcessMode : int32_t {
  kModeLeave = 0,
  kModeDelete = 1,
  kModeRename = 2,
  kModeMove = 3,
};

enum ProcessResult : int32_t {
  kResultUnprocessed = 0,  // "未処理": left in place
  kResultDeleted = 1,      // "削除"
  kResultRenamed = 2,      // "ﾘﾈｰﾑ"
  kResultMoved = 3,        // "移動"
  kResultFailed = 4,       // "失敗": attempted and failed; counted as unprocessed
};

// The CP932 text of a result (half-width katakana for ﾘﾈｰﾑ); empty outside 0..4.
std::string_view ProcessResultText(int32_t result);

// Whether a stored mode number names one of the four modes.
inline bool IsValidProcessMode(int32_t mode) { return mode >= kModeLeave && mode <= kModeMove; }
