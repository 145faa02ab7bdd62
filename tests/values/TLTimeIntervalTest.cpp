// The fourteen interval types, month intervals, intersections and month IDs,
// from the dates a budget really meets.
#include "Classes/values/TLTimeInterval.h"

#include <gtest/gtest.h>

#include "Classes/values/TLMonthID.h"
#include "Platform/foundation/Calendar.h"
#include "Platform/foundation/DateFormatter.h"
#include "tests/support/TestEnvironment.h"

namespace tallo {
namespace {

using test::localDate;

using test::local;

// "start … end" of `type` applied to an interval starting at `start`.
std::string span(int type, Date start, std::optional<Date> end = std::nullopt) {
    TLTimeInterval interval;
    interval.setStartDate(start);
    interval.setEndDate(end);
    interval.setType(type);
    return local(interval.startDate()) + " … " + local(interval.endDate());
}

TEST(TLTimeInterval, TypesFromTheMiddleOfMarch) {
    Date s = localDate(2011, 3, 15, 10, 30);  // a Tuesday
    EXPECT_EQ(span(TLIntervalType::MonthFromStart, s), "2011-03-15 00:00:00 … 2011-04-15 23:59:59");
    EXPECT_EQ(span(TLIntervalType::YearFromStart, s), "2011-03-15 00:00:00 … 2012-03-15 23:59:59");
    EXPECT_EQ(span(TLIntervalType::AllTime, s), "2000-03-15 00:00:00 … 4000-03-15 23:59:59");
    EXPECT_EQ(span(TLIntervalType::PreviousWeek, s), "2011-03-06 00:00:00 … 2011-03-13 23:59:59");
    EXPECT_EQ(span(TLIntervalType::CalendarWeek, s), "2011-03-13 00:00:00 … 2011-03-20 23:59:59");
    EXPECT_EQ(span(TLIntervalType::PreviousTwoWeeks, s), "2011-02-27 00:00:00 … 2011-03-13 23:59:59");
    EXPECT_EQ(span(TLIntervalType::PreviousMonth, s), "2011-02-01 00:00:00 … 2011-02-28 23:59:59");
    EXPECT_EQ(span(TLIntervalType::CalendarMonth, s), "2011-03-01 00:00:00 … 2011-03-31 23:59:59");
    EXPECT_EQ(span(TLIntervalType::MonthToDate, s), "2011-03-01 00:00:00 … 2011-03-15 23:59:59");
    EXPECT_EQ(span(TLIntervalType::PreviousQuarter, s), "2010-10-01 00:00:00 … 2010-12-31 23:59:59");
    EXPECT_EQ(span(TLIntervalType::CalendarQuarter, s), "2011-01-01 00:00:00 … 2011-03-31 23:59:59");
    EXPECT_EQ(span(TLIntervalType::PreviousYear, s), "2010-01-01 00:00:00 … 2010-12-31 23:59:59");
    EXPECT_EQ(span(TLIntervalType::CalendarYear, s), "2011-01-01 00:00:00 … 2011-12-31 23:59:59");
}

TEST(TLTimeInterval, CustomRangesKeepTheirEnd) {
    Date s = localDate(2011, 3, 15, 10, 30);
    Date e = localDate(2011, 5, 2, 7);
    EXPECT_EQ(span(TLIntervalType::Custom, s, e), "2011-03-15 00:00:00 … 2011-05-02 23:59:59");
    // A type no list offers lays out as Custom.
    EXPECT_EQ(span(99, s, e), "2011-03-15 00:00:00 … 2011-05-02 23:59:59");
    EXPECT_EQ(span(TLIntervalType::Custom, s), "2011-03-15 00:00:00 … nil");
}

TEST(TLTimeInterval, MonthAndYearOverflowAtMonthEnds) {
    EXPECT_EQ(span(TLIntervalType::MonthFromStart, localDate(2011, 1, 31)), "2011-01-31 00:00:00 … 2011-03-03 23:59:59");
    EXPECT_EQ(span(TLIntervalType::MonthFromStart, localDate(2012, 1, 31)), "2012-01-31 00:00:00 … 2012-03-02 23:59:59");
    EXPECT_EQ(span(TLIntervalType::YearFromStart, localDate(2012, 2, 29)), "2012-02-29 00:00:00 … 2013-03-01 23:59:59");
    EXPECT_EQ(span(TLIntervalType::CalendarMonth, localDate(2012, 2, 10)), "2012-02-01 00:00:00 … 2012-02-29 23:59:59");
    EXPECT_EQ(span(TLIntervalType::PreviousMonth, localDate(2011, 1, 10)), "2010-12-01 00:00:00 … 2010-12-31 23:59:59");
}

TEST(TLTimeInterval, QuartersAcrossTheYear) {
    EXPECT_EQ(span(TLIntervalType::PreviousQuarter, localDate(2011, 2, 14)), "2010-10-01 00:00:00 … 2010-12-31 23:59:59");
    EXPECT_EQ(span(TLIntervalType::PreviousQuarter, localDate(2011, 8, 14)), "2011-04-01 00:00:00 … 2011-06-30 23:59:59");
    EXPECT_EQ(span(TLIntervalType::CalendarQuarter, localDate(2011, 12, 31, 23)), "2011-10-01 00:00:00 … 2011-12-31 23:59:59");
}

TEST(TLTimeInterval, WeeksStayAroundTheirDayInMondayLocales) {
    test::ScopedLocale german("de_DE");
    // Tuesday 15 March 2011: the week began on Monday the 14th.
    EXPECT_EQ(span(TLIntervalType::CalendarWeek, localDate(2011, 3, 15, 10)), "2011-03-14 00:00:00 … 2011-03-21 23:59:59");
    // Sunday 20 March belongs to the week of Monday the 14th, not the next one.
    EXPECT_EQ(span(TLIntervalType::CalendarWeek, localDate(2011, 3, 20, 10)), "2011-03-14 00:00:00 … 2011-03-21 23:59:59");
    EXPECT_EQ(span(TLIntervalType::PreviousWeek, localDate(2011, 3, 20, 10)), "2011-03-07 00:00:00 … 2011-03-14 23:59:59");
}

TEST(TLTimeInterval, MonthIntervalsCoverWholeMonths) {
    TLTimeInterval interval;
    interval.setType(TLIntervalType::CalendarMonth);
    interval.setMonthIntervalFromYear(2010, 12);
    EXPECT_EQ(local(interval.startDate()), "2010-12-01 00:00:00");
    EXPECT_EQ(local(interval.endDate()), "2010-12-31 23:59:59");
    EXPECT_EQ(interval.type(), TLIntervalType::CalendarMonth);  // the type is not changed
    interval.setMonthIntervalFromYear(2011, 3);  // 30 days and 23 hours long in New York
    EXPECT_EQ(interval.inSeconds(), 31 * 86400 - 3600 - 1);
}

TEST(TLTimeInterval, LastDayOfMonthComponents) {
    DateComponents components;
    components.year = 2012;
    components.month = 2;
    components.day = 10;
    TLTimeInterval::setLastDayOfMonthToComponents(components);
    EXPECT_EQ(components.month, 3);
    EXPECT_EQ(components.day, 0);
    EXPECT_EQ(local(Calendar::current().dateFromComponents(components)), "2012-02-29 00:00:00");
}

TEST(TLTimeInterval, IntersectionsAndContainment) {
    TLTimeInterval march, april;
    march.setMonthIntervalFromYear(2011, 3);
    april.setMonthIntervalFromYear(2011, 4);
    TLTimeInterval none = march.intersectionWithInterval(april);
    EXPECT_EQ(none.inSeconds(), 0);
    EXPECT_EQ(local(none.startDate()), "2011-03-31 23:59:59");  // at the earlier interval's end
    EXPECT_EQ(none.type(), TLIntervalType::MonthFromStart);

    TLTimeInterval firstHalf;
    firstHalf.setStartDate(localDate(2011, 3, 10));
    firstHalf.setEndDate(localDate(2011, 4, 10));
    TLTimeInterval overlap = march.intersectionWithInterval(firstHalf);
    EXPECT_EQ(local(overlap.startDate()) + " … " + local(overlap.endDate()), "2011-03-10 00:00:00 … 2011-03-31 23:59:59");

    EXPECT_TRUE(march.containsDate(march.startDate()));
    EXPECT_TRUE(march.containsDate(*march.endDate()));
    EXPECT_FALSE(march.containsDate(march.endDate()->addingTimeInterval(1)));
    EXPECT_FALSE(march.containsDate(march.startDate().addingTimeInterval(-0.5)));
}

TEST(TLMonthID, EncodesYearAndMonth) {
    EXPECT_EQ(TLMonthID::fromYearMonth(2010, 1), 24120u);
    EXPECT_EQ(TLMonthID::fromYearMonth(2010, 12), 24131u);
    EXPECT_EQ(TLMonthID::fromYearMonth(2011, 1), 24132u);
    EXPECT_EQ(TLMonthID::year(24131), 2010u);
    EXPECT_EQ(TLMonthID::month(24131), 12u);
    EXPECT_EQ(TLMonthID::budgetTime(24132), (TLBudgetTime{2011, 1}));
    for (int day : {1, 15, 31}) {
        test::ScopedClock clock(localDate(2010, 1, day, 23, 59, 59));
        EXPECT_EQ(TLMonthID::current(), 24120u);
    }
}

}  // namespace
}  // namespace tallo
