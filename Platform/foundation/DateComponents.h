#pragma once
// DateComponents: calendar fields of a date, or amounts to add or that lie
// between two dates. Absent fields are "not set".

#include <optional>

namespace tallo {

// Unit flags, as the calendar operations take them (they may be or-ed).
enum CalendarUnit : unsigned {
    kCalendarUnitEra = 2,
    kCalendarUnitYear = 4,
    kCalendarUnitMonth = 8,
    kCalendarUnitDay = 16,
    kCalendarUnitHour = 32,
    kCalendarUnitMinute = 64,
    kCalendarUnitSecond = 128,
    kCalendarUnitWeek = 256,  // week of the year
    kCalendarUnitWeekday = 512,  // 1 Sunday … 7 Saturday
};

struct DateComponents {
    std::optional<int> era;
    std::optional<int> year;
    std::optional<int> month;  // 1–12
    std::optional<int> day;
    std::optional<int> hour;
    std::optional<int> minute;
    std::optional<int> second;
    std::optional<int> week;
    std::optional<int> weekday;

    friend bool operator==(const DateComponents&, const DateComponents&) = default;
};

}  // namespace tallo
