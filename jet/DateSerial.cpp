#include "jet/DateSerial.h"

#include <cmath>
#include <ctime>

namespace jet {

CivilDate CivilFromUnixDays(int64_t days) {
  // <chrono> counts the calendar within one 400-year cycle from 1970; whole cycles are added back.
  constexpr int64_t kCycleDays = 146097;
  int64_t cycles = days / kCycleDays;
  if (days < cycles * kCycleDays) --cycles;
  const std::chrono::year_month_day date{std::chrono::sys_days(std::chrono::days(days - cycles * kCycleDays))};
  return {static_cast<int>(date.year()) + cycles * 400, static_cast<unsigned>(date.month()),
          static_cast<unsigned>(date.day())};
}

bool IsCalendarDate(int year, int month, int day) {
  if (year < 100 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31) return false;
  return (std::chrono::year(year) / std::chrono::month(static_cast<unsigned>(month)) /
          std::chrono::day(static_cast<unsigned>(day)))
      .ok();
}

SerialDayTime SplitSerial(double serial) {
  const double whole = std::trunc(serial);
  SerialDayTime out{static_cast<int64_t>(whole), std::llround(std::fabs(serial - whole) * kSecondsPerDay)};
  if (out.secondOfDay >= kSecondsPerDay) {  // the time counts forward, so the next midnight is one day on
    out.secondOfDay = 0;
    ++out.day;
  }
  return out;
}

double NowAsDateTime() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  const int64_t day = UnixDaysFromCivil(local.tm_year + 1900, static_cast<unsigned>(local.tm_mon + 1),
                                        static_cast<unsigned>(local.tm_mday)) -
                      kSerialEpochUnixDays;
  return JoinSerial(day, (local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec) / double(kSecondsPerDay));
}

}  // namespace jet
