// Which texts count as a date or a date and time when a text value is copied to SQLite, and
// the form such a value is written in. The recognition is strict on purpose: only real
// calendar dates in the forms below are reformatted; a number such as 12.5 or 2021, a time
// alone, or any other text is copied as it is.
//
//   m/d/yyyy   m/d/yy (00-29 are 2000-2029, 30-99 are 1930-1999)   yyyy-m-d
//   each optionally followed by one space and h:nn or h:nn:ss, optionally followed by a space
//   and AM or PM (any case; then the hour is 1-12).
#pragma once

#include "ado/Variant.h"

#include <optional>
#include <string>
#include <string_view>

namespace transfer {

struct DateTimeParts {
  int year = 0, month = 0, day = 0;
  int hour = 0, minute = 0, second = 0;
  bool hasTime = false;  // a time of day was written (even 0:00)
};

// The parts of a date or date-time text in the forms above, or nothing.
std::optional<DateTimeParts> RecogniseDateText(std::string_view text);

// "MM/DD/YYYY", or "MM/DD/YYYY HH:NN:SS" (24-hour) when the parts have a time of day.
std::string FormatDateTime(const DateTimeParts& parts);

// A Date/Time value in the same form: the date alone at midnight, the date and time
// otherwise; a time on the zero date (30 December 1899) is written with that date.
std::string FormatDateValue(ado::Date value);

}  // namespace transfer
