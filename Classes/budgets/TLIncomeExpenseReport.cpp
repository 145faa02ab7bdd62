#include "Classes/budgets/TLIncomeExpenseReport.h"

#include <algorithm>

#include "Classes/budgets/TLBudgetActivity.h"
#include "Classes/budgets/TLReportPeriod.h"
#include "Classes/budgets/TLRememberedMonths.h"
#include "Classes/ledger/TLCategory.h"
#include "Classes/ledger/TLGlobalCurrencyRates.h"
#include "Classes/ledger/TLSplit.h"
#include "Classes/ledger/TLTransaction.h"
#include "Classes/store/TLDatabase.h"
#include "Classes/store/TLTransactionType.h"
#include "Classes/values/TLMonthID.h"

namespace tallo {

namespace {

std::vector<TLMonthFigures> compute(Date now, uint32_t count);

}  // namespace

std::vector<TLMonthFigures> TLIncomeExpenseReport::lastMonths(Date now, uint32_t count) {
    static TLRememberedMonths<TLMonthFigures> remembered;
    return remembered.answer(now, count, compute);
}

namespace {

std::vector<TLMonthFigures> compute(Date now, uint32_t count) {
    std::vector<TLMonthFigures> months;
    if (count == 0) return months;
    // The months' first instants, oldest first; one gathering of the whole
    // span, then each split goes to the last month starting at or before it.
    std::vector<Date> starts;
    uint32_t current = TLMonthID::fromDate(now);
    for (uint32_t back = count; back-- > 0;) {
        starts.push_back(TLReportPeriod::monthBefore(now, back).startDate());
        months.push_back({current - back, Decimal::zero(), Decimal::zero()});
    }
    TLTimeInterval span;
    span.setStartDate(starts.front());
    span.setEndDate(TLReportPeriod::monthBefore(now, 0).endDate());

    std::vector<const TLCategory*> categories = {nullptr};
    for (ManagedObject* object : TLDatabase::sharedDatabase().fetchEntityCustom("Category")) {
        categories.push_back(static_cast<const TLCategory*>(object));
    }
    const TLBudgetActivity& activity = TLBudgetActivity::of(span);
    TLGlobalCurrencyRates rates;
    for (const TLCategory* category : categories) {
        for (const TLSplit* split : activity.splitsOf(category)) {
            const TLTransaction* owner = split->transaction();
            int type = owner->type().value_or(TLTransactionType::Expense);
            if (type != TLTransactionType::Income && type != TLTransactionType::Expense) continue;
            Date when = owner->transactionDate().value_or(starts.front());
            auto after = std::upper_bound(starts.begin(), starts.end(), when);
            if (after == starts.begin()) continue;
            TLMonthFigures& month = months[static_cast<size_t>(after - starts.begin() - 1)];
            Decimal amount = rates.convert(split->amount().value_or(Decimal::zero()), owner->currency());
            if (type == TLTransactionType::Income) {
                month.income = month.income + amount;
            } else {
                month.expenses = month.expenses + amount;
            }
        }
    }
    return months;
}

}  // namespace

}  // namespace tallo
