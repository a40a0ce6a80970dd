#include "db/DamagedDataFile.h"

#include <cerrno>

#include "platform/FileSystem.h"

namespace db {

namespace {

// Far more than a user would let pile up; past it the save fails rather than lose one.
constexpr int kMaxCopies = 99;

}  // namespace

bool KeepDamagedDataFile(const std::string& path, std::string* keptAs) {
  keptAs->clear();
  std::string content;
  int error = 0;
  if (!platform::ReadWholeFile(path, &content, &error)) return error == ENOENT;

  // Written completely under a scratch name first, then moved to a name nobody holds, so
  // a copy is either whole or not there.
  std::string scratch = path + ".bad.tmp";
  if (!platform::WriteFileAtomic(scratch, content)) return false;
  for (int n = 1; n <= kMaxCopies; ++n) {
    std::string target = path + ".bad" + (n == 1 ? std::string() : std::to_string(n));
    error = 0;
    if (platform::MoveNoReplace(scratch, target, &error)) {
      *keptAs = target;
      return true;
    }
    if (error != EEXIST) break;
  }
  platform::RemoveFile(scratch);
  return false;
}

}  // namespace db
