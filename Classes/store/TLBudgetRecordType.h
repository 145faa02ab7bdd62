#pragma once
// TLBudgetRecordType: the direction of a budget record — the `type` of a
// "BudgetRecord" record, also the direction the budget sections and fields
// are asked about. The values are written into the store and shared with the
// desktop companion: they are stored and never change.
//
//   Expense 0: limits on what goes out (expenses, investment buys, the
//              sending side of transfers)
//   Income 1:  limits on what comes in (everything else)
//
// The record of either type without a category holds the section's total
// limit ("category == nil && type == 0" for the expense total).

namespace tallo::TLBudgetRecordType {

inline constexpr int Expense = 0;
inline constexpr int Income = 1;

}  // namespace tallo::TLBudgetRecordType
