#pragma once
// TLBudgetBarIndicator: the colour a budget bar is drawn in — how the month
// stands against its limit and against today's pace. Not stored; the numbers
// never change.
//
//   Green 0   within the limit and not ahead of the pace (expenses), or the
//             limit reached (income)
//   Yellow 1  spending at or ahead of the pace, income ahead of it, this month
//   Red 2     over the limit (expenses), or short of it (income)

namespace tallo::TLBudgetBarIndicator {

inline constexpr int Green = 0;
inline constexpr int Yellow = 1;
inline constexpr int Red = 2;

}  // namespace tallo::TLBudgetBarIndicator
