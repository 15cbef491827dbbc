// Dates as Access keeps them: a double counting days from 1899-12-30, the fraction the time
// of day. Before that day the whole days count back and the fraction still counts forward
// (-1.25 is 1899-12-29 06:00). Every layer that reads, writes or prints such a value, or
// puts a calendar date into one, uses this calendar.
#pragma once

#include <chrono>
#include <cstdint>

namespace jet {

inline constexpr int64_t kSecondsPerDay = 86400;

// A day of the proleptic Gregorian calendar.
struct CivilDate {
  int64_t year = 1970;
  unsigned month = 1;
  unsigned day = 1;
};

// Days from 1970-01-01 to a calendar date (the day is taken as given: see IsCalendarDate).
// The year may lie outside <chrono>'s: the 400-year cycle, 146097 days long, brings it in.
constexpr int64_t UnixDaysFromCivil(int64_t year, unsigned month, unsigned day) {
  constexpr int64_t kCycleYears = 400, kCycleDays = 146097;
  int64_t cycles = (year - 1970) / kCycleYears;
  if (year - 1970 < cycles * kCycleYears) --cycles;  // floor for years before 1970
  const auto inCycle = std::chrono::year(static_cast<int>(year - cycles * kCycleYears)) / std::chrono::month(month) /
                       std::chrono::day(day);
  return std::chrono::sys_days(inCycle).time_since_epoch().count() + cycles * kCycleDays;
}

// The calendar date `days` days after 1970-01-01 (before it when negative).
CivilDate CivilFromUnixDays(int64_t days);

// Whether the month has that day, for the years Access dates span (100 to 9999).
bool IsCalendarDate(int year, int month, int day);

// 1899-12-30, day 0 of the serial count, as days from 1970-01-01.
inline constexpr int64_t kSerialEpochUnixDays = UnixDaysFromCivil(1899, 12, 30);
static_assert(kSerialEpochUnixDays == -25569);

// A serial taken apart: the day it names (days from 1899-12-30, whole days toward zero) and
// its time of day in whole seconds. A time that rounds up to midnight is the next day's 00:00.
struct SerialDayTime {
  int64_t day = 0;
  int64_t secondOfDay = 0;
};
SerialDayTime SplitSerial(double serial);

// The serial of a day (days from 1899-12-30) and a time of day (fraction of a day).
inline double JoinSerial(int64_t day, double timeOfDay) {
  return day < 0 ? static_cast<double>(day) - timeOfDay : static_cast<double>(day) + timeOfDay;
}

// The calendar date of a serial's day.
inline CivilDate CivilFromSerialDay(int64_t day) { return CivilFromUnixDays(day + kSerialEpochUnixDays); }

// The local time now as a serial, to the second.
double NowAsDateTime();

}  // namespace jet
