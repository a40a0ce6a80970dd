// The settings half of ProfileFile: single keys of the file at the full path, read and
// written at once on every call.
#include <string>

#include "settings/PrivateProfile.h"
#include "settings/ProfileFile.h"

int ProfileFile::GetSettingInt(const std::string& section, const std::string& key, int defaultValue) const {
  return ReadProfileInt(fullPath_, section, key, defaultValue);
}

std::string ProfileFile::GetSettingText(const std::string& section, const std::string& key,
                                        const std::string& defaultValue) const {
  return ReadProfileText(fullPath_, section, key, defaultValue);
}

bool ProfileFile::PutSettingInt(const std::string& section, const std::string& key, int value) const {
  return WriteProfileText(fullPath_, section, key, std::to_string(value));
}

bool ProfileFile::PutSettingText(const std::string& section, const std::string& key,
                                 const std::string& value) const {
  return WriteProfileText(fullPath_, section, key, value);
}
