// The local clock and OLE Automation dates (days since 1899-12-30 00:00 local time, the
// fraction being the time of day), the date form of signatures and of the search times.
#pragma once

#include <chrono>

namespace platform {

// A monotonic clock that costs a few nanoseconds to read, at the price of a resolution of
// a few milliseconds: for throttling something that is asked for many times a second,
// such as handling events between the files of a search.
struct CoarseClock {
  using duration = std::chrono::nanoseconds;
  using rep = duration::rep;
  using period = duration::period;
  using time_point = std::chrono::time_point<CoarseClock>;
  static constexpr bool is_steady = true;
  static time_point now() noexcept;
};

// The processor time the calling thread has had: beside a wall clock it tells how much of a
// processor the thread got while it wanted one.
std::chrono::nanoseconds ThreadCpuTime();

struct LocalDateTime {
  int year, month, day, hour, minute, second;
};

double LocalOleDateNow();
// false for dates outside 100-01-01 .. 9999-12-31.
bool OleDateToLocal(double oleDate, LocalDateTime* out);
bool LocalToOleDate(const LocalDateTime& in, double* oleDate);

}  // namespace platform
