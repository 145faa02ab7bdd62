#include "Platform/foundation/Calendar.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "tests/support/TestEnvironment.h"

namespace tallo {

namespace {

using test::localDate;
using test::ScopedLocale;

constexpr unsigned kYmd = kCalendarUnitYear | kCalendarUnitMonth | kCalendarUnitDay;
constexpr unsigned kYmdHms = kYmd | kCalendarUnitHour | kCalendarUnitMinute | kCalendarUnitSecond;

// Fields as canonical text, only those that are set, so a failure reads
// "year 2011 month 3 day 13 hour 4 minute 0 second 0".
std::string text(const DateComponents& c) {
    std::string out;
    auto field = [&out](const char* name, const std::optional<int>& value) {
        if (!value) return;
        if (!out.empty()) out += ' ';
        out += std::string(name) + ' ' + std::to_string(*value);
    };
    field("era", c.era);
    field("year", c.year);
    field("month", c.month);
    field("day", c.day);
    field("hour", c.hour);
    field("minute", c.minute);
    field("second", c.second);
    field("week", c.week);
    field("weekday", c.weekday);
    return out;
}

// Instants compared as seconds since 1970, which a failure prints readably.
double at(Date date) { return date.timeIntervalSince1970(); }
double local(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
    return at(localDate(year, month, day, hour, minute, second));
}

DateComponents ymd(int year, int month, int day) { return {.year = year, .month = month, .day = day}; }

DateComponents ymdHms(int year, int month, int day, int hour, int minute, int second) {
    return {.year = year, .month = month, .day = day, .hour = hour, .minute = minute, .second = second};
}

// The pinned world is en_US in New York; 13 March 2011 is the day clocks
// sprang from 02:00 EST to 03:00 EDT there.
TEST(CalendarTest, ComponentsFollowNewYorkAcrossTheMarch2011ClockChange) {
    Calendar calendar = Calendar::current();
    Date lastStandardSecond = localDate(2011, 3, 13, 1, 59, 59);
    EXPECT_EQ(text(calendar.components(kYmdHms, lastStandardSecond)),
              "year 2011 month 3 day 13 hour 1 minute 59 second 59");
    EXPECT_EQ(text(calendar.components(kYmdHms, lastStandardSecond.addingTimeInterval(1))),
              "year 2011 month 3 day 13 hour 3 minute 0 second 0");

    // The day of the change has 23 hours, the day before 24.
    Date march12 = calendar.dateFromComponents(ymd(2011, 3, 12));
    Date march13 = calendar.dateFromComponents(ymd(2011, 3, 13));
    Date march14 = calendar.dateFromComponents(ymd(2011, 3, 14));
    EXPECT_EQ(march13.timeIntervalSinceDate(march12), 24 * 3600);
    EXPECT_EQ(march14.timeIntervalSinceDate(march13), 23 * 3600);

    // The skipped 02:30 still names an instant: the same as 03:30 EDT.
    EXPECT_EQ(at(calendar.dateFromComponents(ymdHms(2011, 3, 13, 2, 30, 0))), local(2011, 3, 13, 3, 30, 0));
}

TEST(CalendarTest, ComponentsGiveOnlyTheAskedFieldsWithWeekdayAndWeek) {
    Calendar calendar = Calendar::current();
    Date tuesday = localDate(2011, 3, 15, 10, 30, 0);
    // Weekday 1 is Sunday; US week 1 of 2011 is 26 December 2010 – 1 January 2011.
    EXPECT_EQ(text(calendar.components(kCalendarUnitWeekday | kCalendarUnitWeek | kCalendarUnitDay, tuesday)),
              "day 15 week 12 weekday 3");
    EXPECT_EQ(text(calendar.components(kCalendarUnitEra, tuesday)), "era 1");  // AD
    EXPECT_EQ(text(calendar.components(0, tuesday)), "");

    // ISO weeks in Germany: 15 March 2011 lies in week 11.
    Calendar german("de_DE", "Europe/Berlin");
    EXPECT_EQ(text(german.components(kCalendarUnitWeek, tuesday)), "week 11");
}

TEST(CalendarTest, FractionalSecondsCountAsTheEarlierWholeSecond) {
    Calendar calendar = Calendar::current();
    Date almostNext = localDate(2011, 3, 15, 10, 30, 59).addingTimeInterval(0.75);
    EXPECT_EQ(text(calendar.components(kYmdHms, almostNext)), "year 2011 month 3 day 15 hour 10 minute 30 second 59");
    // Half a second before 1970 is still 18:59:59 on 31 December 1969 in New York.
    EXPECT_EQ(text(calendar.components(kYmdHms, Date(-0.5))), "year 1969 month 12 day 31 hour 18 minute 59 second 59");
}

TEST(CalendarTest, DateFromComponentsNormalisesOutOfRangeFields) {
    Calendar calendar = Calendar::current();
    // Day 0 is the last day of the month before: the month-end rule.
    EXPECT_EQ(at(calendar.dateFromComponents(ymd(2010, 13, 0))), local(2010, 12, 31));
    EXPECT_EQ(at(calendar.dateFromComponents(ymd(2012, 3, 0))), local(2012, 2, 29));
    EXPECT_EQ(at(calendar.dateFromComponents(ymd(2011, 3, 0))), local(2011, 2, 28));
    // Month 13 is January of the next year; 31 February runs into March.
    EXPECT_EQ(at(calendar.dateFromComponents(ymd(2010, 13, 5))), local(2011, 1, 5));
    EXPECT_EQ(at(calendar.dateFromComponents(ymd(2011, 2, 31))), local(2011, 3, 3));
    // Hour 24 is midnight of the next day; second −1 the last second before.
    EXPECT_EQ(at(calendar.dateFromComponents(ymdHms(2011, 3, 15, 24, 0, 0))), local(2011, 3, 16));
    EXPECT_EQ(at(calendar.dateFromComponents(ymdHms(2011, 3, 16, 0, 0, -1))), local(2011, 3, 15, 23, 59, 59));
}

TEST(CalendarTest, DateFromComponentsFillsUnsetFieldsWithTheStartOfYearOne) {
    Calendar calendar = Calendar::current();
    Date date = calendar.dateFromComponents({.month = 6});
    EXPECT_EQ(text(calendar.components(kYmdHms | kCalendarUnitEra, date)),
              "era 1 year 1 month 6 day 1 hour 0 minute 0 second 0");
}

TEST(CalendarTest, DateFromComponentsUsesTheWeekOnlyWithoutADay) {
    Calendar calendar = Calendar::current();
    EXPECT_EQ(at(calendar.dateFromComponents({.year = 2011, .week = 12, .weekday = 3})), local(2011, 3, 15));
    // Without a weekday, the week's first day: a Sunday in the US.
    EXPECT_EQ(at(calendar.dateFromComponents({.year = 2011, .week = 12})), local(2011, 3, 13));

    // Components read with their week still name the day they were read from.
    DateComponents read = calendar.components(kYmd | kCalendarUnitWeek | kCalendarUnitWeekday, localDate(2011, 3, 15));
    read.day = *read.day - 2;
    EXPECT_EQ(at(calendar.dateFromComponents(read)), local(2011, 3, 13));
}

TEST(CalendarTest, AddingAMonthOrYearPinsTheDayToTheMonthEnd) {
    Calendar calendar = Calendar::current();
    EXPECT_EQ(at(calendar.dateByAddingComponents({.month = 1}, localDate(2011, 1, 31, 9, 15, 0))),
              local(2011, 2, 28, 9, 15, 0));
    EXPECT_EQ(at(calendar.dateByAddingComponents({.year = 1}, localDate(2012, 2, 29))), local(2013, 2, 28));
    EXPECT_EQ(at(calendar.dateByAddingComponents({.month = -1}, localDate(2011, 3, 31))), local(2011, 2, 28));
    EXPECT_EQ(at(calendar.dateByAddingComponents({.month = 1}, localDate(2012, 1, 31))), local(2012, 2, 29));
}

TEST(CalendarTest, AddingTakesLargerUnitsFirst) {
    Calendar calendar = Calendar::current();
    // 30 Jan + 1 month = 28 Feb, + 1 day = 1 Mar (days first would give 28 Feb).
    EXPECT_EQ(at(calendar.dateByAddingComponents({.month = 1, .day = 1}, localDate(2011, 1, 30))), local(2011, 3, 1));
    // Two weeks and three days back from 1 March 2011.
    EXPECT_EQ(at(calendar.dateByAddingComponents({.day = -3, .week = -2}, localDate(2011, 3, 1))), local(2011, 2, 12));
}

TEST(CalendarTest, AddingDaysKeepsTheWallClockAcrossTheClockChangeButHoursDoNot) {
    Calendar calendar = Calendar::current();
    Date noonBefore = localDate(2011, 3, 12, 12, 0, 0);
    Date nextNoon = calendar.dateByAddingComponents({.day = 1}, noonBefore);
    EXPECT_EQ(at(nextNoon), local(2011, 3, 13, 12, 0, 0));
    EXPECT_EQ(nextNoon.timeIntervalSinceDate(noonBefore), 23 * 3600);
    EXPECT_EQ(at(calendar.dateByAddingComponents({.hour = 24}, noonBefore)), local(2011, 3, 13, 13, 0, 0));
}

TEST(CalendarTest, AddingCarriesFractionalSecondsThrough) {
    Calendar calendar = Calendar::current();
    Date start = localDate(2011, 3, 15, 10, 30, 0).addingTimeInterval(0.25);
    Date later = calendar.dateByAddingComponents({.minute = 1}, start);
    EXPECT_DOUBLE_EQ(later.timeIntervalSinceDate(start), 60.0);
}

TEST(CalendarTest, DifferencesCountLargerUnitsFirst) {
    Calendar calendar = Calendar::current();
    Date jan31 = localDate(2011, 1, 31);
    Date mar1 = localDate(2011, 3, 1);
    constexpr unsigned kMonthsDays = kCalendarUnitMonth | kCalendarUnitDay;
    EXPECT_EQ(text(calendar.componentsFromDateToDate(kMonthsDays, jan31, mar1)), "month 1 day 1");
    EXPECT_EQ(text(calendar.componentsFromDateToDate(kCalendarUnitDay, jan31, mar1)), "day 29");
    EXPECT_EQ(text(calendar.componentsFromDateToDate(kMonthsDays, mar1, jan31)), "month -1 day -1");
    EXPECT_EQ(text(calendar.componentsFromDateToDate(kYmd, localDate(2010, 11, 20), localDate(2012, 2, 29))),
              "year 1 month 3 day 9");
    EXPECT_EQ(text(calendar.componentsFromDateToDate(kCalendarUnitWeek | kCalendarUnitDay, localDate(2011, 3, 1),
                                                     localDate(2011, 3, 20))),
              "day 5 week 2");
}

TEST(CalendarTest, DifferenceAcrossTheClockChangeIsOneDayOrTwentyThreeHours) {
    Calendar calendar = Calendar::current();
    Date noonBefore = localDate(2011, 3, 12, 12, 0, 0);
    Date noonAfter = localDate(2011, 3, 13, 12, 0, 0);
    EXPECT_EQ(text(calendar.componentsFromDateToDate(kCalendarUnitDay | kCalendarUnitHour, noonBefore, noonAfter)),
              "day 1 hour 0");
    EXPECT_EQ(text(calendar.componentsFromDateToDate(kCalendarUnitHour, noonBefore, noonAfter)), "hour 23");
    // Less than a whole second is no second.
    EXPECT_EQ(text(calendar.componentsFromDateToDate(kCalendarUnitSecond, noonBefore,
                                                     noonBefore.addingTimeInterval(0.9))),
              "second 0");
}

TEST(CalendarTest, FirstWeekdayComesFromTheLocale) {
    EXPECT_EQ(Calendar::current().firstWeekday(), 1);
    EXPECT_EQ(Calendar("en_US", "America/New_York").firstWeekday(), 1);
    EXPECT_EQ(Calendar("de_DE", "Europe/Berlin").firstWeekday(), 2);
    EXPECT_EQ(Calendar("fr_FR", "Europe/Paris").firstWeekday(), 2);
}

TEST(CalendarTest, CurrentFollowsChangesOfLocaleAndTimeZone) {
    Date utcMidnight(978393600);  // 2001-01-02 00:00:00 UTC
    {
        ScopedLocale german("de_DE", "Europe/Berlin");
        Calendar calendar = Calendar::current();
        EXPECT_EQ(calendar.localeIdentifier(), "de_DE");
        EXPECT_EQ(calendar.timeZoneName(), "Europe/Berlin");
        EXPECT_EQ(calendar.firstWeekday(), 2);
        EXPECT_EQ(text(calendar.components(kYmdHms, utcMidnight)), "year 2001 month 1 day 2 hour 1 minute 0 second 0");
    }
    Calendar calendar = Calendar::current();
    EXPECT_EQ(calendar.firstWeekday(), 1);
    EXPECT_EQ(text(calendar.components(kYmdHms, utcMidnight)), "year 2001 month 1 day 1 hour 19 minute 0 second 0");
}

TEST(CalendarTest, CopiesAreIndependent) {
    Calendar berlin("de_DE", "Europe/Berlin");
    Calendar copy = berlin;
    copy = Calendar("en_US", "America/New_York");
    Date utcMidnight(978393600);
    EXPECT_EQ(text(berlin.components(kCalendarUnitHour, utcMidnight)), "hour 1");
    EXPECT_EQ(text(copy.components(kCalendarUnitHour, utcMidnight)), "hour 19");
    EXPECT_EQ(berlin.timeZoneName(), "Europe/Berlin");
}

}  // namespace
}  // namespace tallo
