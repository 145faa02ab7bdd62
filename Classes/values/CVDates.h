#pragma once
// CVDates: day, week, month and year boundaries in the current calendar
// (current locale, default time zone). A date is an instant; its day, month
// and year are always those of the local calendar, so a day may last 23 or 25
// hours across a daylight-saving change.
//
//   firstDayOfMonthDate(31 Jan 2011 23:10) → 1 Jan 2011 00:00:00
//   lastDayOfMonthDate(1 Feb 2011 00:05)   → 28 Feb 2011 23:59:59
//   lastDayOfMonthDate(any day of Feb 2012) → 29 Feb 2012 23:59:59
//
// Operations that take an optional date answer nothing (or "") for nothing.

#include <climits>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "Platform/foundation/Date.h"
#include "Platform/foundation/DateComponents.h"

namespace tallo {

class CVDates {
public:
    // The marker for a component or position that was not found.
    static constexpr int kNotFound = INT_MAX;

    // Year (4), month (8) or day (16) of `date`; any other unit is kNotFound.
    static int componentFromDate(Date date, unsigned unit);
    // 00:00:00 of the date's day.
    static std::optional<Date> startOfDayDate(std::optional<Date> date);
    // 23:59:59 of the date's day: the start of the next day minus one second.
    static std::optional<Date> endOfDayDate(std::optional<Date> date);
    static Date dateFromComponents(const DateComponents& components);
    static Date firstDayOfMonthDate(Date date);
    static Date lastDayOfMonthDate(Date date);
    static Date firstDayOfYearDate(Date date);
    // The abbreviated month names of the locale, January first ("Jan" … "Dec").
    static std::vector<std::string> getMonthsArray();

    static Date todayDate();
    static Date yesterdayDate();
    static Date tomorrowDate();
    // 00:00:00 of the first day of the current week (Sunday or Monday by the
    // locale), and seven days after it.
    static Date thisWeekDate();
    static Date nextWeekDate();
    static Date dateByAddingDay(Date date);
    static Date dateByAddingHour(Date date);
    // Whole calendar days from the day of `from` to the day of `to`; negative
    // when `to` is earlier. A 23- or 25-hour day still counts as one day.
    static long dayDifferenceFromDateToDate(Date from, Date to);
    // The start of the day plus the seconds since it, rounded to the nearest
    // 15 minutes, minute or hour (halves away from zero).
    static Date snappedMin15Date(Date date);
    static Date snappedMinDate(Date date);
    static Date snappedHourDate(Date date);
    // Short time style, no date ("3:30 PM"); "" for nothing.
    static std::string timeFromDate(std::optional<Date> date);
    // Full date style, no time ("Tuesday, March 15, 2011"); "" for nothing.
    static std::string dateTimeFromDate(std::optional<Date> date);

    // A date as it is, or text in one of the stored forms
    // ("2011-03-15 10:30:00 +0000", the same with a zone name, or without a
    // zone in local time); anything else is nothing.
    using Object = std::variant<std::monostate, Date, std::string>;
    static std::optional<Date> dateFromObject(const Object& object);

    // Positions of day, month and year in the locale's short date form
    // (en_US "1/2/01": day 1, month 0, year 2; de_DE "02.01.01": day 0,
    // month 1, year 2); kNotFound when the form does not show it.
    static int dayIndex();
    static int monthIndex();
    static int yearIndex();
    struct DateIndex {
        int index;
        unsigned unit;  // kCalendarUnitDay, kCalendarUnitMonth or kCalendarUnitYear
        friend bool operator==(const DateIndex&, const DateIndex&) = default;
    };
    // The found positions in order.
    static std::vector<DateIndex> sortedDateIndexes();
    // The chosen components of `date` as numbers in the locale's order,
    // separated by "/": en_US 15 March 2011 with month and day → "3/15".
    static std::string date(Date date, bool year, bool month, bool day);
};

}  // namespace tallo
