#include "settings/ScanTargetSettings.h"

#include "settings/NumberedTexts.h"
#include "util/ShiftJis.h"

namespace {
constexpr char kAllFiles[] = "*.*";
}  // namespace

ScanTargetSettings ScanTargetSettings::Load(const ProfileFile& settings) {
  ScanTargetSettings loaded;
  loaded.subfolders = settings.GetSettingInt(kSection, "fSubDir", 1) == 1;
  // Every slot of the history is read: an empty one in between does not end it.
  for (int i = 0; i < kSlots; ++i) {
    const std::string pattern = settings.GetSettingText(kSection, NumberedKey("File", static_cast<size_t>(i)));
    if (!pattern.empty()) loaded.patterns.Add(pattern, true);
  }
  for (const std::string& target : ReadNumberedTexts(settings, kSection, "Path", kSlots, RepeatedText::kSkip)) {
    loaded.targets.Add(target, false);
  }
  return loaded;
}

std::string ScanTargetSettings::CurrentPattern() const { return patterns.empty() ? kAllFiles : patterns[0]; }

std::string SearchPatternText(std::string_view text) {
  if (text.empty()) text = kAllFiles;
  std::string lower(text.size(), '\0');
  shiftjis::LowerSingleByteLetters(text, lower.data());
  return lower;
}
