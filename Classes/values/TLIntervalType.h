#pragma once
// TLIntervalType: the fourteen ways a TLTimeInterval is laid out around its
// start date S — the argument of TLTimeInterval::setType, kept in its
// `type`. Budgets measure their periods with CalendarMonth and CalendarYear.
// Intervals live in memory only, not in the store; the values are fixed all
// the same and never change. W is the first day of S's week by the locale;
// every interval covers whole days.
//
//   MonthFromStart 0    S … S + 1 month          YearFromStart 1   S … S + 1 year
//   Custom 2            S … the end already set  AllTime 3         S in 2000 … S in 4000
//   PreviousWeek 4      W − 7 days … W           CalendarWeek 5    W … W + 7 days
//   PreviousTwoWeeks 6  W − 14 days … W          PreviousMonth 7   the month before S's
//   CalendarMonth 8     S's month                MonthToDate 9     first of S's month … S
//   PreviousQuarter 10  the quarter before S's   CalendarQuarter 11  S's quarter
//   PreviousYear 12     the year before S's      CalendarYear 13   S's year
//
// Any other value lays out as Custom.

namespace tallo::TLIntervalType {

inline constexpr int MonthFromStart = 0;
inline constexpr int YearFromStart = 1;
inline constexpr int Custom = 2;
inline constexpr int AllTime = 3;
inline constexpr int PreviousWeek = 4;
inline constexpr int CalendarWeek = 5;
inline constexpr int PreviousTwoWeeks = 6;
inline constexpr int PreviousMonth = 7;
inline constexpr int CalendarMonth = 8;
inline constexpr int MonthToDate = 9;
inline constexpr int PreviousQuarter = 10;
inline constexpr int CalendarQuarter = 11;
inline constexpr int PreviousYear = 12;
inline constexpr int CalendarYear = 13;

}  // namespace tallo::TLIntervalType
