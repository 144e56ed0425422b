#include "app/time_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/text.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <ctime>
#endif

namespace qvk {
namespace {

// OLE dates count from 1899-12-30, which lies 25569 days before 1970-01-01.
constexpr long kOleEpochToUnixDays = 25569;
constexpr double kFirstOleDay = -657434.0;  // 0100-01-01
constexpr double kLastOleDay = 2958466.0;   // 10000-01-01, exclusive

// Days since 1970-01-01 <-> proleptic Gregorian date.
void civil_from_days(long z, int& year, int& month, int& day) {
  z += 719468;
  const long era = (z >= 0 ? z : z - 146096) / 146097;
  const long doe = z - era * 146097;
  const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

long days_from_civil(int year, int month, int day) {
  year -= month <= 2 ? 1 : 0;
  const long era = (year >= 0 ? year : year - 399) / 400;
  const long yoe = year - era * 400;
  const long doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

struct Patterns {
  const char* date;
  const char* time;
  const char* month_day;
  const char* hour_minute;
  const char* minute_second;
};

constexpr Patterns kStyles[4] = {
    {"yyyy年MM月dd日 ", "hh时mm分ss秒", "MM月dd日", "hh时mm分", "mm分ss秒"},
    {"yyyy-MM-dd ", "hh:mm:ss", "MM-dd", "hh:mm", "mm:ss"},
    {"yyyy/MM/dd ", "hh/mm/ss", "MM/dd", "hh/mm", "mm/ss"},
    {"yyyyMMdd", "hhmmss", "MMdd", "hhmm", "mmss"},
};

std::string trim_spaces(std::string text) {
  size_t begin = text.find_first_not_of(' ');
  if (begin == std::string::npos) return {};
  size_t end = text.find_last_not_of(' ');
  return text.substr(begin, end - begin + 1);
}

std::string replace_all(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

std::string two_digits(int value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%02d", value);
  return buffer;
}

// Expands the pictures yyyy, MM, dd, HH, hh, mm and ss the way the locale formatting functions
// do; every other byte is copied, double-byte characters whole.
std::string format_pattern(const std::string& pattern, const CalendarTime& t) {
  std::string out;
  for (size_t i = 0; i < pattern.size();) {
    if (gbk_character_length(pattern, i) == 2) {
      out.append(pattern, i, 2);
      i += 2;
      continue;
    }
    auto starts = [&](const char* picture) { return pattern.compare(i, std::strlen(picture), picture) == 0; };
    if (starts("yyyy")) {
      char buffer[16];
      std::snprintf(buffer, sizeof buffer, "%04d", t.year);
      out += buffer;
      i += 4;
    } else if (starts("MM")) {
      out += two_digits(t.month), i += 2;
    } else if (starts("dd")) {
      out += two_digits(t.day), i += 2;
    } else if (starts("HH")) {
      out += two_digits(t.hour), i += 2;
    } else if (starts("hh")) {
      int hour12 = t.hour % 12;
      out += two_digits(hour12 == 0 ? 12 : hour12), i += 2;
    } else if (starts("mm")) {
      out += two_digits(t.minute), i += 2;
    } else if (starts("ss")) {
      out += two_digits(t.second), i += 2;
    } else {
      out += pattern[i++];
    }
  }
  // The formatting functions write into 50-character buffers; a longer result is lost.
  return out.size() < 50 ? out : std::string();
}

}  // namespace

std::optional<CalendarTime> calendar_from_variant_time(double variant_time) {
  if (!std::isfinite(variant_time) || variant_time < kFirstOleDay || variant_time >= kLastOleDay) {
    return std::nullopt;
  }
  double whole_days = std::trunc(variant_time);
  // The fraction counts forward from midnight on both sides of the epoch: -1.25 is 29 Dec 06:00.
  long seconds = std::lround(std::fabs(variant_time - whole_days) * 86400.0);
  long day_number = static_cast<long>(whole_days);
  if (seconds >= 86400) {
    seconds -= 86400;
    day_number += 1;
  }
  CalendarTime t;
  civil_from_days(day_number - kOleEpochToUnixDays, t.year, t.month, t.day);
  if (t.year < 100 || t.year > 9999) return std::nullopt;
  t.hour = static_cast<int>(seconds / 3600);
  t.minute = static_cast<int>(seconds / 60 % 60);
  t.second = static_cast<int>(seconds % 60);
  return t;
}

double variant_time_from_calendar(const CalendarTime& t) {
  double days = static_cast<double>(days_from_civil(t.year, t.month, t.day) + kOleEpochToUnixDays);
  double fraction = (t.hour * 3600 + t.minute * 60 + t.second) / 86400.0;
  return days >= 0 ? days + fraction : days - fraction;
}

double variant_time_now() {
  CalendarTime now;
#ifdef _WIN32
  SYSTEMTIME local;
  GetLocalTime(&local);
  now = {local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond};
#else
  std::time_t seconds = std::time(nullptr);
  std::tm local{};
  localtime_r(&seconds, &local);
  now = {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
#endif
  return variant_time_from_calendar(now);
}

bool locale_uses_24_hour_clock() {
#ifdef _WIN32
  char buffer[4] = {};
  GetLocaleInfoA(0, LOCALE_ITIME, buffer, sizeof buffer);
  return std::atoi(buffer) == 1;
#else
  return true;
#endif
}

std::string time_text(std::optional<double> when, int style, int part, bool hour_clock_24) {
  const Patterns& patterns = kStyles[(style >= 0 && style <= 3) ? style : 0];
  std::string date, time;
  switch (part) {
    case 1: date = trim_spaces(patterns.date); break;
    case 2: date = patterns.month_day; break;
    case 3: time = patterns.time; break;
    case 4: time = patterns.hour_minute; break;
    case 5: time = patterns.minute_second; break;
    default: date = patterns.date, time = patterns.time; break;
  }
  if (hour_clock_24) time = replace_all(time, "hh", "HH");

  std::optional<CalendarTime> calendar = calendar_from_variant_time(when ? *when : variant_time_now());
  if (!calendar) return {};
  std::string result;
  if (date.size() >= 3) result += format_pattern(date, *calendar);
  if (time.size() >= 3) result += format_pattern(time, *calendar);
  return result;
}

std::string time_text(std::optional<double> when, int style, int part) {
  return time_text(when, style, part, locale_uses_24_hour_clock());
}

std::string log_time_text() { return time_text(std::nullopt, 1, 0); }

}  // namespace qvk
