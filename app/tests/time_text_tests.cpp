#include <gtest/gtest.h>

#include <cmath>

#include "app/time_text.h"

namespace qvk {
namespace {

const double kMoment = variant_time_from_calendar({2018, 1, 14, 13, 5, 9});

TEST(TimeText, StylesPartsAndHourClock) {
  struct Case {
    int style, part;
    bool clock24;
    const char* expected;
  } cases[] = {
      {1, 0, true, "2018-01-14 13:05:09"},
      {1, 0, false, "2018-01-14 01:05:09"},  // 12-hour hours carry no AM/PM marker
      {0, 0, true, "2018年01月14日 13时05分09秒"},
      {7, 0, true, "2018年01月14日 13时05分09秒"},  // unknown style acts as 0
      {-1, 3, true, "13时05分09秒"},
      {2, 0, true, "2018/01/14 13/05/09"},
      {3, 0, true, "20180114130509"},
      {1, 1, true, "2018-01-14"},  // the date alone has no trailing space
      {0, 1, true, "2018年01月14日"},
      {1, 2, true, "01-14"},
      {0, 2, false, "01月14日"},
      {1, 3, true, "13:05:09"},
      {1, 4, true, "13:05"},
      {1, 4, false, "01:05"},
      {0, 5, true, "05分09秒"},
      {3, 5, true, "0509"},
      {1, 9, true, "2018-01-14 13:05:09"},  // unknown part acts as 0
      {1, -2, true, "2018-01-14 13:05:09"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(time_text(kMoment, c.style, c.part, c.clock24), c.expected)
        << "style " << c.style << " part " << c.part << " 24h " << c.clock24;
  }
}

TEST(TimeText, MidnightAndNoonOnATwelveHourClock) {
  EXPECT_EQ(time_text(variant_time_from_calendar({2020, 2, 29, 0, 0, 0}), 1, 0, false), "2020-02-29 12:00:00");
  EXPECT_EQ(time_text(variant_time_from_calendar({2020, 2, 29, 12, 30, 0}), 1, 0, false), "2020-02-29 12:30:00");
  EXPECT_EQ(time_text(variant_time_from_calendar({2020, 2, 29, 0, 0, 0}), 1, 0, true), "2020-02-29 00:00:00");
}

TEST(TimeText, TimeThatCannotBeConvertedGivesEmptyText) {
  for (double bad : {1e7, -1e7, std::nan(""), double(INFINITY)}) {
    EXPECT_EQ(time_text(bad, 1, 0, true), "") << bad;
  }
}

TEST(CalendarFromVariantTime, KnownDatesAroundTheEpochAndTheLimits) {
  struct Case {
    double value;
    CalendarTime expected;
  } cases[] = {
      {0.0, {1899, 12, 30, 0, 0, 0}},
      {1.5, {1899, 12, 31, 12, 0, 0}},
      {-1.25, {1899, 12, 29, 6, 0, 0}},  // the fraction counts forward from that day's midnight
      {43114.0, {2018, 1, 14, 0, 0, 0}},
      {-657434.0, {100, 1, 1, 0, 0, 0}},
      {2958465.0, {9999, 12, 31, 0, 0, 0}},
      {2.0 - 0.4 / 86400, {1900, 1, 1, 0, 0, 0}},  // rounds to the nearest second, across midnight
  };
  for (const Case& c : cases) {
    auto t = calendar_from_variant_time(c.value);
    ASSERT_TRUE(t) << c.value;
    EXPECT_EQ(*t, c.expected) << c.value;
  }
  EXPECT_FALSE(calendar_from_variant_time(-657435.0));
  EXPECT_FALSE(calendar_from_variant_time(2958466.0));
}

TEST(CalendarFromVariantTime, RoundTripsThroughTheCalendar) {
  for (CalendarTime t : {CalendarTime{2018, 1, 14, 13, 5, 9}, CalendarTime{1899, 12, 29, 23, 59, 59},
                         CalendarTime{1600, 3, 1, 8, 0, 1}, CalendarTime{2400, 2, 29, 17, 45, 30}}) {
    EXPECT_EQ(calendar_from_variant_time(variant_time_from_calendar(t)), t);
  }
}

}  // namespace
}  // namespace qvk
