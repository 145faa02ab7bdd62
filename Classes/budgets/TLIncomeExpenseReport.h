#pragma once
// TLIncomeExpenseReport: what came in and what went out in each of the last
// months, and what was left, in the default currency.
//
// A month is the calendar month as the budget screen lays it out (day 1
// 00:00:00 to the last day 23:59:59 local time, whatever daylight saving
// does inside it). Income is the splits of income transactions
// (TLTransactionType::Income), expenses those of expense transactions —
// exactly what the spending report counts for that month, so a month's
// expenses here equal TLSpendingReport::byMaster(month).total(). Transfers
// and investment buys and sells are neither. Amounts are converted by the
// rule of every category total (TLGlobalCurrencyRates) and never rounded.
//
// On 15 March 2011 lastMonths(now, 12) answers April 2010 … March 2011,
// oldest first, one entry a month, months without activity at zero. The
// last answer is kept and given again while the store is unchanged and the
// month and count are the same.

#include <cstdint>
#include <vector>

#include "Platform/foundation/Date.h"
#include "Platform/foundation/Decimal.h"

namespace tallo {

struct TLMonthFigures {
    uint32_t month = 0;  // a month ID (TLMonthID)
    Decimal income;
    Decimal expenses;
    Decimal net() const { return income - expenses; }
};

class TLIncomeExpenseReport {
public:
    static std::vector<TLMonthFigures> lastMonths(Date now, uint32_t count = 12);
};

}  // namespace tallo
