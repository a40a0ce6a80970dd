#include <cmath>
#include <ctime>

#include "platform/Clock.h"

namespace platform {

CoarseClock::time_point CoarseClock::now() noexcept {
  timespec ts{};
  // The coarse clock is read without asking the hardware; the precise one stands in where
  // the system has none.
  if (clock_gettime(CLOCK_MONOTONIC_COARSE, &ts) != 0) clock_gettime(CLOCK_MONOTONIC, &ts);
  return time_point(std::chrono::seconds(ts.tv_sec) + std::chrono::nanoseconds(ts.tv_nsec));
}

std::chrono::nanoseconds ThreadCpuTime() {
  timespec ts{};
  if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts) != 0) return {};
  return std::chrono::seconds(ts.tv_sec) + std::chrono::nanoseconds(ts.tv_nsec);
}

namespace {

// Days from 1970-01-01 to the civil date (proleptic Gregorian), after H. Hinnant.
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, int* y, int* m, int* d) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long yy = static_cast<long long>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  *d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  *m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  *y = static_cast<int>(yy + (*m <= 2));
}

// 1899-12-30 counted from 1970-01-01.
constexpr long long kOleEpochDays = -25569;

}  // namespace

bool LocalToOleDate(const LocalDateTime& in, double* oleDate) {
  if (in.year < 100 || in.year > 9999 || in.month < 1 || in.month > 12 || in.day < 1 || in.day > 31 ||
      in.hour < 0 || in.hour > 23 || in.minute < 0 || in.minute > 59 || in.second < 0 || in.second > 59)
    return false;
  long long days = DaysFromCivil(in.year, static_cast<unsigned>(in.month), static_cast<unsigned>(in.day)) -
                   kOleEpochDays;
  double fraction = (in.hour * 3600 + in.minute * 60 + in.second) / 86400.0;
  // OLE dates before day 0 keep the time of day as a positive fraction after the sign.
  *oleDate = days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction;
  return true;
}

bool OleDateToLocal(double oleDate, LocalDateTime* out) {
  if (!std::isfinite(oleDate) || oleDate < -657434.0 || oleDate > 2958465.99999) return false;
  double dayPart = std::trunc(oleDate);
  double fraction = std::fabs(oleDate - dayPart);
  long long seconds = std::llround(fraction * 86400.0);
  long long days = static_cast<long long>(dayPart);
  if (seconds >= 86400) {
    seconds -= 86400;
    days += oleDate >= 0 ? 1 : -1;
  }
  CivilFromDays(days + kOleEpochDays, &out->year, &out->month, &out->day);
  out->hour = static_cast<int>(seconds / 3600);
  out->minute = static_cast<int>(seconds / 60 % 60);
  out->second = static_cast<int>(seconds % 60);
  return true;
}

double LocalOleDateNow() {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  LocalDateTime t{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
  double result = 0;
  LocalToOleDate(t, &result);
  return result;
}

}  // namespace platform
