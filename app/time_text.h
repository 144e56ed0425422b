// Time stamps of the log and of anything else that shows a date or a time.
#pragma once

#include <optional>
#include <string>

namespace qvk {

struct CalendarTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  bool operator==(const CalendarTime&) const = default;
};

// An OLE date (days since 1899-12-30, the fraction the time of day) as a calendar time, rounded
// to the second; nothing outside the years 100..9999.
std::optional<CalendarTime> calendar_from_variant_time(double variant_time);
double variant_time_from_calendar(const CalendarTime& time);

// The local time now, as an OLE date.
double variant_time_now();
// Whether the user's locale shows a 24-hour clock (LOCALE_ITIME is 1).
bool locale_uses_24_hour_clock();

// `style` 0..3 picks the separators (Chinese units, '-' and ':', '/', none; other values act as 0);
// `part` 0..5 picks date and time, date, month-day, time, hour-minute, minute-second (other
// values act as 0). Empty text when the time cannot be converted.
std::string time_text(std::optional<double> when, int style, int part, bool hour_clock_24);
std::string time_text(std::optional<double> when, int style, int part);

// The stamp of a log line: date and time in style 1, e.g. "2018-01-14 13:05:09".
std::string log_time_text();

}  // namespace qvk
