#include "settings/NumberedTexts.h"

#include <algorithm>

std::string NumberedKey(const char* stem, size_t index) { return stem + std::to_string(index); }

std::vector<std::string> ReadNumberedTexts(const ProfileFile& settings, const char* section, const char* stem,
                                           size_t max, RepeatedText repeated) {
  std::vector<std::string> texts;
  for (size_t i = 0; i < max; ++i) {
    std::string text = settings.GetSettingText(section, NumberedKey(stem, i));
    if (text.empty()) break;
    if (repeated != RepeatedText::kKeep && std::find(texts.begin(), texts.end(), text) != texts.end()) {
      if (repeated == RepeatedText::kStop) break;
      continue;
    }
    texts.push_back(std::move(text));
  }
  return texts;
}
