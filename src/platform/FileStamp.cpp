#include "platform/FileStamp.h"

#include <ctime>

#include "platform/Encoding.h"
#include "platform/StatusHelpers.h"
#include "platform/SysCalls.h"

namespace platform {

namespace {

constexpr int64_t kNsPerSecond = 1000000000;

int64_t Nanoseconds(const timespec& t) { return static_cast<int64_t>(t.tv_sec) * kNsPerSecond + t.tv_nsec; }

}  // namespace

bool GetFileStamp(const std::string& path, FileStamp* stamp, int* error) {
  struct stat st;
  if (sys::Stat(Cp932ToOsName(path).c_str(), &st) != 0) {
    SetError(error, errno);
    return false;
  }
  FillStamp(st, stamp);
  return true;
}

int64_t FileClockNowNs() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return Nanoseconds(now);
}

}  // namespace platform
