#include "Classes/budgets/TLNetWorthHistory.h"

#include <algorithm>

#include "Classes/budgets/TLReportPeriod.h"
#include "Classes/budgets/TLRememberedMonths.h"
#include "Classes/ledger/TLAccount.h"
#include "Classes/ledger/TLTransaction.h"
#include "Classes/values/TLMonthID.h"

namespace tallo {

namespace {

std::vector<TLNetWorthPoint> compute(Date now, uint32_t count);

}  // namespace

std::vector<TLNetWorthPoint> TLNetWorthHistory::lastMonthEnds(Date now, uint32_t count) {
    static TLRememberedMonths<TLNetWorthPoint> remembered;
    return remembered.answer(now, count, compute);
}

namespace {

std::vector<TLNetWorthPoint> compute(Date now, uint32_t count) {
    std::vector<TLNetWorthPoint> points;
    if (count == 0) return points;
    uint32_t current = TLMonthID::fromDate(now);
    std::vector<Date> ends;
    for (uint32_t back = count; back-- > 0;) {
        Date end = *TLReportPeriod::monthBefore(now, back).endDate();
        ends.push_back(end);
        points.push_back({current - back, end, Decimal::zero()});
    }
    for (TLAccount* account : TLAccount::getAccounts()) {
        // movedBy[k]: what the account's transactions dated after month end
        // k − 1 and up to month end k moved (k 0: up to the first end);
        // those after the last end never count.
        std::vector<Decimal> movedBy(ends.size(), Decimal::zero());
        for (TLTransaction* transaction : account->transactions()) {
            std::optional<Date> date = transaction->transactionDate();
            size_t at = date ? static_cast<size_t>(std::lower_bound(ends.begin(), ends.end(), *date) - ends.begin()) : 0;
            if (at == ends.size()) continue;
            movedBy[at] = movedBy[at] + transaction->totalamountInAccountCurrency().value_or(Decimal::zero());
        }
        Decimal balance = account->startingBalance().value_or(Decimal::zero());
        for (size_t k = 0; k < ends.size(); ++k) {
            balance = balance + movedBy[k];
            points[k].amount = points[k].amount + account->getAmountInDefaultCurrency(balance);
        }
    }
    return points;
}

}  // namespace

}  // namespace tallo
