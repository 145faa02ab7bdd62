#pragma once
// TLTimeInterval: a span of whole days between two instants, both inclusive,
// of one of the fourteen types of TLIntervalType computed from its start date
// S (W is the first day of S's week by the locale, S's time of day kept).
// MonthFromStart keeps S's day number, so 31 January runs to 3 March in a
// common year; YearFromStart from 29 February runs to 1 March.
//
// Setting a type widens both ends to whole days: start 00:00:00, end
// 23:59:59. With S = 15 March 2011 10:30: MonthFromStart is 15 Mar 00:00:00
// … 15 Apr 23:59:59; CalendarMonth is 1 Mar … 31 Mar 23:59:59;
// CalendarQuarter is 1 Jan … 31 Mar.

#include <cstdint>
#include <optional>

#include "Classes/values/TLIntervalType.h"
#include "Platform/foundation/Date.h"
#include "Platform/foundation/DateComponents.h"

namespace tallo {

class TLTimeInterval {
public:
    // Starts now, no end, type MonthFromStart (0), though no type is applied yet.
    TLTimeInterval();

    // Stores the type (a TLIntervalType) and recomputes both ends from the
    // start date.
    void setType(int32_t type);
    int32_t type() const { return type_; }

    // 00:00:00 on day 1 of the month … 23:59:59 on its last day; the type
    // is not changed. Month 12 ends on 31 December.
    void setMonthIntervalFromYear(uint32_t year, uint32_t month);
    // Moves `components` to the last day of their month: month + 1, day 0,
    // which the calendar reads as the last day of the month before.
    static void setLastDayOfMonthToComponents(DateComponents& components);

    // End minus start in whole seconds, truncated; 0 without an end.
    int32_t inSeconds() const;
    // The later start to the earlier end; when those do not overlap, a
    // zero-length interval at that end. Type MonthFromStart, as a new one.
    TLTimeInterval intersectionWithInterval(const TLTimeInterval& other) const;
    // start ≤ date ≤ end.
    bool containsDate(Date date) const;

    Date startDate() const { return startDate_; }
    void setStartDate(Date date) { startDate_ = date; }
    std::optional<Date> endDate() const { return endDate_; }
    void setEndDate(std::optional<Date> date) { endDate_ = date; }

private:
    Date startDate_;
    std::optional<Date> endDate_;
    int32_t type_ = TLIntervalType::MonthFromStart;
};

}  // namespace tallo
