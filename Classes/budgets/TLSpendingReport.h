#pragma once
// TLSpendingReport: where the money went during a span of days — the
// expenses booked in it by master category, or, drilled down, by the
// subcategories of one master — in the default currency.
//
// Spending is the splits of expense transactions (TLTransactionType::Expense)
// dated within the span, as the budget screen gathers them
// (TLBudgetActivity), so both count the same splits for a month. Transfers
// only move money between the person's own accounts and are not spending;
// investment buys turn cash into an asset and are not either; income never
// lowers spending.
//
// Each split is converted to the default currency by the rule of every
// category total (TLGlobalCurrencyRates: 20 € at 1.30 $ a euro count 26 $)
// and never rounded, so each slice is an exact sum and the slices add up to
// total() exactly: 12.50 + 26 + 0.015 is 38.515, not 38.52.
//
// Master view: a subcategory's splits count for its master; uncategorised
// splits make a slice of their own (category nothing). Master drilled down:
// one slice for the splits filed on the master itself, one per subcategory.
// Slices with nothing spent are left out; the largest comes first (equal
// amounts by name). Main thread; the answer does not follow later changes.

#include <string>
#include <vector>

#include "Classes/values/TLTimeInterval.h"
#include "Platform/foundation/Decimal.h"

namespace tallo {

class TLCategory;
class TLTransaction;

struct TLReportSlice {
    const TLCategory* category = nullptr;  // nothing: the uncategorised splits
    Decimal amount;                        // spent, a positive amount in the default currency
};

class TLSpendingReport {
public:
    // Spending by master category.
    static TLSpendingReport byMaster(const TLTimeInterval& span);
    // The spending of `master` (and its subcategories) by subcategory.
    static TLSpendingReport ofMaster(const TLCategory* master, const TLTimeInterval& span);
    // The expense transactions with a split filed under exactly `category`
    // (nothing: uncategorised) within the span, newest first, each once.
    static std::vector<TLTransaction*> transactionsOf(const TLCategory* category, const TLTimeInterval& span);

    const std::vector<TLReportSlice>& slices() const { return slices_; }
    // The span's spending (of the master, drilled down): the sum of the slices.
    const Decimal& total() const { return total_; }
    // `amount` as a percentage of the total to one place, rounded to nearest
    // (26 of 38.515: 67.5); 0 when nothing was spent.
    Decimal percentOf(const Decimal& amount) const;

private:
    std::vector<TLReportSlice> slices_;
    Decimal total_;
};

}  // namespace tallo
