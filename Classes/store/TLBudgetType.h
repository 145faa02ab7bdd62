#pragma once
// TLBudgetType: the period a budget's limits are for — the `type` of a
// "Budget" record. The values are written into the store and shared with the
// desktop companion: they are stored and never change. The launch merge
// leaves one monthly budget; the other types come from older stores and the
// desktop.
//
//   Monthly 0:     a month from startDate's day number
//   Yearly 1:      a year from startDate's day and month
//   FixedPeriod 2: startDate to endDate

namespace tallo::TLBudgetType {

inline constexpr int Monthly = 0;
inline constexpr int Yearly = 1;
inline constexpr int FixedPeriod = 2;

}  // namespace tallo::TLBudgetType
