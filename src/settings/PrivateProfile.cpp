#include "settings/PrivateProfile.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <optional>

#include "platform/Encoding.h"
#include "platform/FileSystem.h"
#include "settings/IniFile.h"
#include "util/ShiftJis.h"

namespace {

std::optional<std::string> FindValue(const std::string& path, std::string_view section, std::string_view key) {
  std::string content;
  if (path.empty() || !platform::ReadWholeFile(path, &content)) return std::nullopt;
  std::optional<std::string> value = IniFile(content).Find(section, key);
  // The platform hands values over as C strings: a NUL byte in the file ends the text.
  if (value) value->resize(std::min(value->size(), value->find('\0')));
  return value;
}

}  // namespace

std::string CutText(std::string_view text, size_t limit) {
  if (text.size() <= limit) return std::string(text);
  size_t end = 0;
  while (end < limit) {
    const size_t length = shiftjis::CharSize(text, end);
    if (end + length > limit) break;
    end += length;
  }
  return std::string(text.substr(0, end));
}

std::string ReadProfileText(const std::string& path, std::string_view section, std::string_view key,
                            std::string_view defaultValue) {
  std::optional<std::string> value = FindValue(path, section, key);
  return CutText(value ? *value : defaultValue, kProfileTextBufferSize - 1);
}

int ReadProfileInt(const std::string& path, std::string_view section, std::string_view key, int defaultValue) {
  std::optional<std::string> value = FindValue(path, section, key);
  if (!value || value->empty()) return defaultValue;
  return ProfileTextToInt(*value);
}

int ProfileTextToInt(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && static_cast<unsigned char>(text[i]) <= ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  uint32_t magnitude = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
    magnitude = magnitude * 10u + static_cast<uint32_t>(text[i] - '0');
  return static_cast<int>(negative ? 0u - magnitude : magnitude);
}

bool WriteProfileText(const std::string& path, std::string_view section, std::string_view key,
                      std::string_view value) {
  if (path.empty()) return false;
  std::string content;
  int error = 0;
  bool exists = platform::ReadWholeFile(path, &content, &error);
  // A file that is there but cannot be read must not be replaced by one holding only this key.
  if (!exists && error != ENOENT) return false;
  IniFile file(exists ? content : std::string());
  if (!file.Set(section, key, value)) return false;
  std::string text = file.Text();
  if (exists && text == content) return true;
  return platform::WriteFileAtomic(path, text);
}
