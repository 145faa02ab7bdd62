#pragma once
// TLNetWorthHistory: the net worth at the end of each of the last months —
// what the accounts list's "Net Worth" would have shown at 23:59:59 on the
// last day of each month, local time.
//
// An account's balance at a month end is its opening balance plus the
// totals, in the account's currency, of its transactions dated up to that
// instant (a transaction without a date counts from the start). The
// balances go into the default currency at today's rates, through the same
// conversion as the net worth itself (TLAccount::getAmountInDefaultCurrency:
// each account's amount rounded up to two places), so the point of the
// current month equals the accounts list's net worth while nothing is dated
// after this month. Only the listed accounts count (TLAccount::getAccounts).
//
// On 15 March 2011 lastMonthEnds(now, 24) answers 30 April 2009 …
// 31 March 2011, oldest first. The last answer is kept and given again
// while the store is unchanged and the month and count are the same.

#include <cstdint>
#include <vector>

#include "Platform/foundation/Date.h"
#include "Platform/foundation/Decimal.h"

namespace tallo {

struct TLNetWorthPoint {
    uint32_t month = 0;  // a month ID (TLMonthID)
    Date monthEnd;       // 23:59:59 on its last day
    Decimal amount;      // in the default currency
};

class TLNetWorthHistory {
public:
    static std::vector<TLNetWorthPoint> lastMonthEnds(Date now, uint32_t count = 24);
};

}  // namespace tallo
