// Day, week, month and year boundaries, tested in New York (daylight-saving
// changes on 13 March and 6 November 2011) with en_US and de_DE weeks.
#include "Classes/values/CVDates.h"

#include <gtest/gtest.h>

#include "Platform/foundation/DateFormatter.h"
#include "tests/support/TestEnvironment.h"

namespace tallo {
namespace {

using test::localDate;

using test::local;

TEST(CVDates, ComponentsOfADate) {
    Date date = localDate(2011, 3, 15, 10, 30);
    EXPECT_EQ(CVDates::componentFromDate(date, kCalendarUnitYear), 2011);
    EXPECT_EQ(CVDates::componentFromDate(date, kCalendarUnitMonth), 3);
    EXPECT_EQ(CVDates::componentFromDate(date, kCalendarUnitDay), 15);
    EXPECT_EQ(CVDates::componentFromDate(date, kCalendarUnitHour), CVDates::kNotFound);
    EXPECT_EQ(CVDates::kNotFound, 2147483647);
}

TEST(CVDates, DayBoundariesAcrossDaylightSavingChanges) {
    // 13 March 2011 lasts 23 hours in New York, 6 November 25 hours.
    Date spring = localDate(2011, 3, 13, 12);
    EXPECT_EQ(local(CVDates::startOfDayDate(spring)), "2011-03-13 00:00:00");
    EXPECT_EQ(local(CVDates::endOfDayDate(spring)), "2011-03-13 23:59:59");
    EXPECT_EQ(CVDates::endOfDayDate(spring)->timeIntervalSinceDate(*CVDates::startOfDayDate(spring)), 23 * 3600 - 1);
    Date autumn = localDate(2011, 11, 6, 12);
    EXPECT_EQ(CVDates::endOfDayDate(autumn)->timeIntervalSinceDate(*CVDates::startOfDayDate(autumn)), 25 * 3600 - 1);
    EXPECT_FALSE(CVDates::startOfDayDate(std::nullopt).has_value());
    EXPECT_FALSE(CVDates::endOfDayDate(std::nullopt).has_value());
}

TEST(CVDates, MonthAndYearBoundaries) {
    EXPECT_EQ(local(CVDates::firstDayOfMonthDate(localDate(2011, 1, 31, 23, 10))), "2011-01-01 00:00:00");
    EXPECT_EQ(local(CVDates::lastDayOfMonthDate(localDate(2011, 2, 1, 0, 5))), "2011-02-28 23:59:59");
    for (int day : {1, 15, 29}) {
        EXPECT_EQ(local(CVDates::lastDayOfMonthDate(localDate(2012, 2, day, 8))), "2012-02-29 23:59:59");
    }
    EXPECT_EQ(local(CVDates::lastDayOfMonthDate(localDate(2010, 12, 31, 23, 59, 59))), "2010-12-31 23:59:59");
    EXPECT_EQ(local(CVDates::firstDayOfYearDate(localDate(2011, 8, 20, 14))), "2011-01-01 00:00:00");
    DateComponents dayZero;
    dayZero.year = 2011;
    dayZero.month = 3;
    dayZero.day = 0;
    EXPECT_EQ(local(CVDates::dateFromComponents(dayZero)), "2011-02-28 00:00:00");
}

TEST(CVDates, TodayYesterdayTomorrowFollowTheClock) {
    test::ScopedClock clock(localDate(2012, 3, 1, 0, 30));  // just after a leap day
    EXPECT_EQ(local(CVDates::todayDate()), "2012-03-01 00:00:00");
    EXPECT_EQ(local(CVDates::yesterdayDate()), "2012-02-29 00:00:00");
    EXPECT_EQ(local(CVDates::tomorrowDate()), "2012-03-02 00:00:00");
}

TEST(CVDates, WeekStartsOnTheLocalesFirstWeekday) {
    test::ScopedClock clock(localDate(2011, 3, 20, 15));  // a Sunday
    EXPECT_EQ(local(CVDates::thisWeekDate()), "2011-03-20 00:00:00");
    EXPECT_EQ(local(CVDates::nextWeekDate()), "2011-03-27 00:00:00");
    {
        test::ScopedLocale german("de_DE");
        EXPECT_EQ(local(CVDates::thisWeekDate()), "2011-03-14 00:00:00");  // the Monday before
        EXPECT_EQ(local(CVDates::nextWeekDate()), "2011-03-21 00:00:00");
    }
}

TEST(CVDates, AddingADayKeepsTheWallClockAcrossSpringForward) {
    EXPECT_EQ(local(CVDates::dateByAddingDay(localDate(2011, 3, 12, 9))), "2011-03-13 09:00:00");
    EXPECT_EQ(local(CVDates::dateByAddingHour(localDate(2011, 3, 13, 1, 30))), "2011-03-13 03:30:00");
}

TEST(CVDates, DayDifferenceCountsCalendarDays) {
    EXPECT_EQ(CVDates::dayDifferenceFromDateToDate(localDate(2011, 1, 31, 23), localDate(2011, 3, 1, 1)), 29);
    EXPECT_EQ(CVDates::dayDifferenceFromDateToDate(localDate(2011, 3, 1), localDate(2011, 1, 31)), -29);
    // Over the 23-hour day: still one day.
    EXPECT_EQ(CVDates::dayDifferenceFromDateToDate(localDate(2011, 3, 13, 8), localDate(2011, 3, 14, 8)), 1);
    EXPECT_EQ(CVDates::dayDifferenceFromDateToDate(localDate(2011, 11, 6, 8), localDate(2011, 11, 7, 8)), 1);
    EXPECT_EQ(CVDates::dayDifferenceFromDateToDate(localDate(2011, 5, 5, 1), localDate(2011, 5, 5, 23)), 0);
}

TEST(CVDates, SnappingRoundsToTheNearestStep) {
    EXPECT_EQ(local(CVDates::snappedMin15Date(localDate(2011, 3, 15, 10, 7, 29))), "2011-03-15 10:00:00");
    EXPECT_EQ(local(CVDates::snappedMin15Date(localDate(2011, 3, 15, 10, 7, 30))), "2011-03-15 10:15:00");
    EXPECT_EQ(local(CVDates::snappedMinDate(localDate(2011, 3, 15, 10, 7, 30))), "2011-03-15 10:08:00");
    EXPECT_EQ(local(CVDates::snappedHourDate(localDate(2011, 3, 15, 23, 31))), "2011-03-16 00:00:00");
}

TEST(CVDates, TextOfTimesAndDays) {
    Date date = localDate(2011, 3, 15, 15, 30);
    EXPECT_EQ(CVDates::timeFromDate(date), "3:30\u202fPM");
    EXPECT_EQ(CVDates::dateTimeFromDate(date), "Tuesday, March 15, 2011");
    EXPECT_EQ(CVDates::timeFromDate(std::nullopt), "");
    EXPECT_EQ(CVDates::dateTimeFromDate(std::nullopt), "");
    std::vector<std::string> months = CVDates::getMonthsArray();
    ASSERT_EQ(months.size(), 12u);
    EXPECT_EQ(months.front(), "Jan");
    EXPECT_EQ(months[8], "Sep");
    EXPECT_EQ(months.back(), "Dec");
    test::ScopedLocale german("de_DE");
    EXPECT_EQ(CVDates::getMonthsArray()[2], "März");
}

TEST(CVDates, DatesFromStoredText) {
    Date utcNoon(1300190400);  // 2011-03-15 12:00:00 +0000
    EXPECT_EQ(CVDates::dateFromObject(std::string("2011-03-15 12:00:00 +0000")), utcNoon);
    EXPECT_EQ(CVDates::dateFromObject(std::string("2011-03-15 08:00:00 -0400")), utcNoon);
    EXPECT_EQ(CVDates::dateFromObject(std::string("2011-03-15 08:00:00")), localDate(2011, 3, 15, 8));
    // Twenty or more characters: the first nineteen as local time.
    EXPECT_EQ(CVDates::dateFromObject(std::string("2011-03-15 08:00:00 garbage")), localDate(2011, 3, 15, 8));
    EXPECT_EQ(CVDates::dateFromObject(utcNoon), utcNoon);
    EXPECT_FALSE(CVDates::dateFromObject(std::string("15/03/2011")).has_value());
    EXPECT_FALSE(CVDates::dateFromObject(std::monostate{}).has_value());
}

TEST(CVDates, PositionsOfDayMonthAndYearFollowTheLocale) {
    EXPECT_EQ(CVDates::monthIndex(), 0);
    EXPECT_EQ(CVDates::dayIndex(), 1);
    EXPECT_EQ(CVDates::yearIndex(), 2);
    Date date = localDate(2011, 3, 15);
    EXPECT_EQ(CVDates::date(date, false, true, true), "3/15");
    EXPECT_EQ(CVDates::date(date, true, true, true), "3/15/2011");
    test::ScopedLocale german("de_DE");
    std::vector<CVDates::DateIndex> expected{{0, kCalendarUnitDay}, {1, kCalendarUnitMonth}, {2, kCalendarUnitYear}};
    EXPECT_EQ(CVDates::sortedDateIndexes(), expected);
    EXPECT_EQ(CVDates::date(date, false, true, true), "15/3");
}

}  // namespace
}  // namespace tallo
