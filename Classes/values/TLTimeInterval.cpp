#include "Classes/values/TLTimeInterval.h"

#include <algorithm>

#include "Classes/values/CVDates.h"
#include "Platform/foundation/Calendar.h"
#include "Platform/foundation/Clock.h"

namespace tallo {

namespace {

constexpr unsigned kAllUnits = kCalendarUnitYear | kCalendarUnitMonth | kCalendarUnitDay | kCalendarUnitHour |
                               kCalendarUnitMinute | kCalendarUnitSecond | kCalendarUnitWeek | kCalendarUnitWeekday;

// Year, month and day only, at 00:00:00.
DateComponents day(int year, int month, int dayNumber) {
    DateComponents components;
    components.year = year;
    components.month = month;
    components.day = dayNumber;
    return components;
}

// S's fields with the week's first day as its day: day(S) − weekday(S) +
// firstWeekday. When S's weekday comes before the first weekday (a Sunday
// where weeks start on Monday), that would be the next week's first day, so
// a week is taken off and S stays inside its own week.
DateComponents firstDayOfWeek(const DateComponents& s, int firstWeekday) {
    DateComponents w = s;
    int back = *s.weekday - firstWeekday;
    if (back < 0) back += 7;
    *w.day -= back;
    w.week.reset();
    w.weekday.reset();
    return w;
}

DateComponents plusDays(DateComponents components, int days) {
    *components.day += days;
    return components;
}

}  // namespace

TLTimeInterval::TLTimeInterval() : startDate_(Clock::now()) {}

// Longer than most: one case per interval type, so the switch reads as the
// table of types with the interval each one means.
void TLTimeInterval::setType(int32_t type) {
    type_ = type;
    Calendar calendar = Calendar::current();
    DateComponents s = calendar.components(kAllUnits, startDate_);
    DateComponents plain = s;  // the fields without week and weekday, for rebuilding dates
    plain.week.reset();
    plain.weekday.reset();
    const int year = *s.year;
    const int month = *s.month;
    const int quarterFirstMonth = (month - 1) / 3 * 3 + 1;

    std::optional<Date> rawStart = startDate_;
    std::optional<Date> rawEnd = endDate_;
    auto date = [&](const DateComponents& components) { return calendar.dateFromComponents(components); };

    switch (type) {
        case TLIntervalType::MonthFromStart: {
            DateComponents end = plain;
            *end.month += 1;
            rawEnd = date(end);
            break;
        }
        case TLIntervalType::YearFromStart: {
            DateComponents end = plain;
            *end.year += 1;
            rawEnd = date(end);
            break;
        }
        case TLIntervalType::AllTime: {
            DateComponents start = plain, end = plain;
            start.year = 2000;
            end.year = 4000;
            rawStart = date(start);
            rawEnd = date(end);
            break;
        }
        case TLIntervalType::PreviousWeek:
        case TLIntervalType::CalendarWeek:
        case TLIntervalType::PreviousTwoWeeks: {
            DateComponents w = firstDayOfWeek(s, calendar.firstWeekday());
            int startOffset = type == TLIntervalType::PreviousWeek   ? -7
                              : type == TLIntervalType::CalendarWeek ? 0
                                                                     : -14;
            int endOffset = type == TLIntervalType::CalendarWeek ? 7 : 0;
            rawStart = date(plusDays(w, startOffset));
            rawEnd = date(plusDays(w, endOffset));
            break;
        }
        case TLIntervalType::PreviousMonth:
            rawStart = date(day(year, month - 1, 1));
            rawEnd = date(day(year, month, 0));
            break;
        case TLIntervalType::CalendarMonth:
            rawStart = date(day(year, month, 1));
            rawEnd = date(day(year, month + 1, 0));
            break;
        case TLIntervalType::MonthToDate:
            rawStart = date(day(year, month, 1));
            rawEnd = startDate_;
            break;
        case TLIntervalType::PreviousQuarter:
            rawStart = date(day(year, quarterFirstMonth - 3, 1));
            rawEnd = date(day(year, quarterFirstMonth, 0));
            break;
        case TLIntervalType::CalendarQuarter:
            rawStart = date(day(year, quarterFirstMonth, 1));
            rawEnd = date(day(year, quarterFirstMonth + 3, 0));
            break;
        case TLIntervalType::PreviousYear:
            rawStart = date(day(year - 1, 1, 1));
            rawEnd = date(day(year - 1, 12, 31));
            break;
        case TLIntervalType::CalendarYear:
            rawStart = date(day(year, 1, 1));
            rawEnd = date(day(year, 12, 31));
            break;
        default:  // Custom and unknown types keep the end as set
            break;
    }
    startDate_ = *CVDates::startOfDayDate(rawStart);
    endDate_ = CVDates::endOfDayDate(rawEnd);
}

void TLTimeInterval::setMonthIntervalFromYear(uint32_t year, uint32_t month) {
    Calendar calendar = Calendar::current();
    startDate_ = calendar.dateFromComponents(day(static_cast<int>(year), static_cast<int>(month), 1));
    endDate_ = calendar.dateFromComponents(day(static_cast<int>(year), static_cast<int>(month) + 1, 1)).addingTimeInterval(-1);
}

void TLTimeInterval::setLastDayOfMonthToComponents(DateComponents& components) {
    components.month = components.month.value_or(1) + 1;
    components.day = 1;
    *components.day -= 1;
}

int32_t TLTimeInterval::inSeconds() const {
    if (!endDate_) return 0;
    return static_cast<int32_t>(endDate_->timeIntervalSinceDate(startDate_));
}

TLTimeInterval TLTimeInterval::intersectionWithInterval(const TLTimeInterval& other) const {
    TLTimeInterval result;
    result.startDate_ = std::max(startDate_, other.startDate_);
    std::optional<Date> end;
    if (endDate_ && other.endDate_) {
        end = std::min(*endDate_, *other.endDate_);
    } else {
        end = endDate_ ? endDate_ : other.endDate_;
    }
    result.endDate_ = end;
    if (end && result.startDate_ > *end) result.startDate_ = *end;
    return result;
}

bool TLTimeInterval::containsDate(Date date) const {
    return startDate_ <= date && endDate_ && date <= *endDate_;
}

}  // namespace tallo
