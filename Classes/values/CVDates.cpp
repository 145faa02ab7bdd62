#include "Classes/values/CVDates.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "Platform/foundation/Calendar.h"
#include "Platform/foundation/Clock.h"
#include "Platform/foundation/DateFormatter.h"

namespace tallo {

namespace {

constexpr unsigned kYMD = kCalendarUnitYear | kCalendarUnitMonth | kCalendarUnitDay;

DateComponents dayOf(const Calendar& calendar, Date date) { return calendar.components(kYMD, date); }

Date startOfDay(const Calendar& calendar, Date date) { return calendar.dateFromComponents(dayOf(calendar, date)); }

Date startOfNextDay(const Calendar& calendar, Date date) {
    DateComponents next = dayOf(calendar, date);
    *next.day += 1;
    return calendar.dateFromComponents(next);
}

Date snapped(Date date, double step) {
    Calendar calendar = Calendar::current();
    Date start = startOfDay(calendar, date);
    double since = date.timeIntervalSinceDate(start);
    return start.addingTimeInterval(std::round(since / step) * step);  // std::round: halves away from zero
}

// The leading integer of `text`, as a C library would read it: white space,
// an optional sign, digits; 0 when there are none.
long leadingInteger(const std::string& text) { return std::strtol(text.c_str(), nullptr, 10); }

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (true) {
        size_t found = text.find(separator, start);
        parts.push_back(text.substr(start, found - start));
        if (found == std::string::npos) break;
        start = found + 1;
    }
    return parts;
}

// The position of the part of a reference date's short form whose value is
// 2 (or `alsoValue`), or kNotFound.
int indexInShortForm(const char* reference, long alsoValue) {
    DateFormatter parser;
    parser.setDateFormat("yyyy-MM-dd HH:mm:ss ZZZZ");
    std::optional<Date> date = parser.dateFromString(reference);
    if (!date) {
        parser.setDateFormat("yyyy-MM-dd HH:mm:ss ZZZ");
        date = parser.dateFromString(reference);
    }
    if (!date) return CVDates::kNotFound;
    // The reference instants are midnight UTC; shown in a zone west of UTC
    // they would fall on the day before and no part would read 2.
    DateFormatter shortForm;
    shortForm.setTimeZone("UTC");
    shortForm.setDateStyle(DateStyle::Short);
    shortForm.setTimeStyle(DateStyle::None);
    std::string text = shortForm.stringFromDate(*date);
    std::vector<std::string> parts = split(text, '/');
    if (parts.size() < 3) parts = split(text, '-');
    if (parts.size() < 3) parts = split(text, '.');
    for (size_t i = 0; i < parts.size(); ++i) {
        long value = leadingInteger(parts[i]);
        if (value == 2 || value == alsoValue) return static_cast<int>(i);
    }
    return CVDates::kNotFound;
}

}  // namespace

int CVDates::componentFromDate(Date date, unsigned unit) {
    if (unit != kCalendarUnitYear && unit != kCalendarUnitMonth && unit != kCalendarUnitDay) return kNotFound;
    DateComponents components = Calendar::current().components(unit, date);
    switch (unit) {
        case kCalendarUnitYear: return components.year.value_or(kNotFound);
        case kCalendarUnitMonth: return components.month.value_or(kNotFound);
        default: return components.day.value_or(kNotFound);
    }
}

std::optional<Date> CVDates::startOfDayDate(std::optional<Date> date) {
    if (!date) return std::nullopt;
    return startOfDay(Calendar::current(), *date);
}

std::optional<Date> CVDates::endOfDayDate(std::optional<Date> date) {
    if (!date) return std::nullopt;
    return startOfNextDay(Calendar::current(), *date).addingTimeInterval(-1);
}

Date CVDates::dateFromComponents(const DateComponents& components) {
    return Calendar::current().dateFromComponents(components);
}

Date CVDates::firstDayOfMonthDate(Date date) {
    Calendar calendar = Calendar::current();
    DateComponents day = dayOf(calendar, date);
    day.day = 1;
    return calendar.dateFromComponents(day);
}

Date CVDates::lastDayOfMonthDate(Date date) {
    Calendar calendar = Calendar::current();
    DateComponents day = dayOf(calendar, date);
    *day.month += 1;
    day.day = 1;
    return calendar.dateFromComponents(day).addingTimeInterval(-1);
}

Date CVDates::firstDayOfYearDate(Date date) {
    Calendar calendar = Calendar::current();
    DateComponents day = dayOf(calendar, date);
    day.month = 1;
    day.day = 1;
    return calendar.dateFromComponents(day);
}

std::vector<std::string> CVDates::getMonthsArray() {
    DateFormatter parser;
    parser.setDateFormat("MM");
    DateFormatter names;
    names.setDateFormat("MMM");
    std::vector<std::string> months;
    for (int month = 1; month <= 12; ++month) {
        char number[3];
        std::snprintf(number, sizeof number, "%02d", month);
        std::optional<Date> date = parser.dateFromString(number);
        months.push_back(date ? names.stringFromDate(*date) : std::string());
    }
    return months;
}

Date CVDates::todayDate() { return *startOfDayDate(Clock::now()); }

Date CVDates::yesterdayDate() {
    Calendar calendar = Calendar::current();
    DateComponents day = dayOf(calendar, Clock::now());
    *day.day -= 1;
    return calendar.dateFromComponents(day);
}

Date CVDates::tomorrowDate() { return startOfNextDay(Calendar::current(), Clock::now()); }

Date CVDates::thisWeekDate() {
    Calendar calendar = Calendar::current();
    Date now = Clock::now();
    int weekday = *calendar.components(kCalendarUnitWeekday, now).weekday;
    int offset = calendar.firstWeekday() == 2 ? (weekday == 1 ? 6 : weekday - 2) : weekday - 1;
    DateComponents day = dayOf(calendar, now);
    *day.day -= offset;
    return calendar.dateFromComponents(day);
}

Date CVDates::nextWeekDate() {
    Calendar calendar = Calendar::current();
    DateComponents day = dayOf(calendar, thisWeekDate());
    *day.day += 7;
    return calendar.dateFromComponents(day);
}

Date CVDates::dateByAddingDay(Date date) {
    DateComponents one;
    one.day = 1;
    return Calendar::current().dateByAddingComponents(one, date);
}

Date CVDates::dateByAddingHour(Date date) {
    DateComponents one;
    one.hour = 1;
    return Calendar::current().dateByAddingComponents(one, date);
}

long CVDates::dayDifferenceFromDateToDate(Date from, Date to) {
    // Counted in calendar days between the two starts of day, so the 23-hour
    // day of a spring daylight-saving change still counts as one day (a count
    // of 86,400-second blocks would call it zero).
    Calendar calendar = Calendar::current();
    DateComponents difference =
        calendar.componentsFromDateToDate(kCalendarUnitDay, startOfDay(calendar, from), startOfDay(calendar, to));
    return difference.day.value_or(0);
}

Date CVDates::snappedMin15Date(Date date) { return snapped(date, 900); }
Date CVDates::snappedMinDate(Date date) { return snapped(date, 60); }
Date CVDates::snappedHourDate(Date date) { return snapped(date, 3600); }

std::string CVDates::timeFromDate(std::optional<Date> date) {
    if (!date) return {};
    DateFormatter formatter;
    formatter.setDateStyle(DateStyle::None);
    formatter.setTimeStyle(DateStyle::Short);
    return formatter.stringFromDate(*date);
}

std::string CVDates::dateTimeFromDate(std::optional<Date> date) {
    if (!date) return {};
    DateFormatter formatter;
    formatter.setDateStyle(DateStyle::Full);
    formatter.setTimeStyle(DateStyle::None);
    return formatter.stringFromDate(*date);
}

std::optional<Date> CVDates::dateFromObject(const Object& object) {
    if (const Date* date = std::get_if<Date>(&object)) return *date;
    const std::string* text = std::get_if<std::string>(&object);
    if (text == nullptr) return std::nullopt;
    DateFormatter formatter;
    for (const char* pattern : {"yyyy-MM-dd HH:mm:ss ZZZZ", "yyyy-MM-dd HH:mm:ss ZZZ", "yyyy-MM-dd HH:mm:ss zzz",
                                "yyyy-MM-dd HH:mm:ss"}) {
        formatter.setDateFormat(pattern);
        if (auto date = formatter.dateFromString(*text)) return date;
    }
    if (text->size() >= 20) return formatter.dateFromString(std::string_view(*text).substr(0, 19));
    return std::nullopt;
}

int CVDates::dayIndex() { return indexInShortForm("2001-01-02 00:00:00 +0000", 2); }
int CVDates::monthIndex() { return indexInShortForm("2001-02-01 00:00:00 +0000", 2); }
int CVDates::yearIndex() { return indexInShortForm("2002-01-01 00:00:00 +0000", 2002); }

std::vector<CVDates::DateIndex> CVDates::sortedDateIndexes() {
    std::vector<DateIndex> indexes;
    for (DateIndex candidate : {DateIndex{dayIndex(), kCalendarUnitDay}, DateIndex{monthIndex(), kCalendarUnitMonth},
                                DateIndex{yearIndex(), kCalendarUnitYear}}) {
        if (candidate.index != kNotFound) indexes.push_back(candidate);
    }
    std::stable_sort(indexes.begin(), indexes.end(),
                     [](const DateIndex& a, const DateIndex& b) { return a.index < b.index; });
    return indexes;
}

std::string CVDates::date(Date date, bool year, bool month, bool day) {
    std::string out;
    for (const DateIndex& position : sortedDateIndexes()) {
        bool wanted = (position.unit == kCalendarUnitYear && year) || (position.unit == kCalendarUnitMonth && month) ||
                      (position.unit == kCalendarUnitDay && day);
        if (wanted) out += std::to_string(componentFromDate(date, position.unit)) + "/";
    }
    if (!out.empty()) out.pop_back();
    return out;
}

}  // namespace tallo
