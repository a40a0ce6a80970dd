// The local clock and OLE Automation dates (days since 1899-12-30 00:00 local time, the
// fraction being the time of day), the date form of signatures and of the search times.
#pragma once

namespace platform {

struct LocalDateTime {
  int year, month, day, hour, minute, second;
};

double LocalOleDateNow();
// false for dates outside 100-01-01 .. 9999-12-31.
bool OleDateToLocal(double oleDate, LocalDateTime* out);
bool LocalToOleDate(const LocalDateTime& in, double* oleDate);

}  // namespace platform
