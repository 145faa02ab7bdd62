#include "Classes/budgets/TLSpendingReport.h"

#include <algorithm>
#include <functional>
#include <unordered_map>
#include <unordered_set>

#include "Classes/budgets/TLBudgetActivity.h"
#include "Classes/ledger/TLCategory.h"
#include "Classes/ledger/TLGlobalCurrencyRates.h"
#include "Classes/ledger/TLSplit.h"
#include "Classes/ledger/TLTransaction.h"
#include "Classes/store/TLDatabase.h"
#include "Classes/store/TLTransactionType.h"

namespace tallo {

namespace {

bool isSpending(const TLTransaction* transaction) {
    return transaction != nullptr && transaction->type().value_or(TLTransactionType::Expense) == TLTransactionType::Expense;
}

// The spending of each category's own splits, added into the slice that
// `sliceOf` names for the category.
using SliceOf = std::function<const TLCategory*(const TLCategory*)>;

std::vector<TLReportSlice> gather(const std::vector<const TLCategory*>& categories, const SliceOf& sliceOf,
                                  const TLTimeInterval& span) {
    const TLBudgetActivity& activity = TLBudgetActivity::of(span);
    TLGlobalCurrencyRates rates;
    std::unordered_map<const TLCategory*, Decimal> sums;
    std::vector<const TLCategory*> order;  // slices in the order first met
    for (const TLCategory* category : categories) {
        for (const TLSplit* split : activity.splitsOf(category)) {
            const TLTransaction* owner = split->transaction();
            if (!isSpending(owner)) continue;
            const TLCategory* slice = sliceOf(category);
            auto [at, added] = sums.try_emplace(slice, Decimal::zero());
            if (added) order.push_back(slice);
            at->second = at->second + rates.convert(split->amount().value_or(Decimal::zero()), owner->currency());
        }
    }
    std::vector<TLReportSlice> slices;
    for (const TLCategory* category : order) {
        if (sums[category] > Decimal::zero()) slices.push_back({category, sums[category]});
    }
    auto name = [](const TLCategory* c) { return c != nullptr ? c->name().value_or("") : std::string(); };
    std::stable_sort(slices.begin(), slices.end(), [&](const TLReportSlice& a, const TLReportSlice& b) {
        if (a.amount != b.amount) return a.amount > b.amount;
        return name(a.category) < name(b.category);
    });
    return slices;
}

Decimal sumOf(const std::vector<TLReportSlice>& slices) {
    Decimal total = Decimal::zero();
    for (const TLReportSlice& slice : slices) total = total + slice.amount;
    return total;
}

}  // namespace

TLSpendingReport TLSpendingReport::byMaster(const TLTimeInterval& span) {
    std::vector<const TLCategory*> categories = {nullptr};
    for (ManagedObject* object : TLDatabase::sharedDatabase().fetchEntityCustom("Category")) {
        categories.push_back(static_cast<const TLCategory*>(object));
    }
    TLSpendingReport report;
    report.slices_ = gather(
        categories,
        [](const TLCategory* category) -> const TLCategory* {
            if (category == nullptr || category->mastercat() == nullptr) return category;
            return category->mastercat();
        },
        span);
    report.total_ = sumOf(report.slices_);
    return report;
}

TLSpendingReport TLSpendingReport::ofMaster(const TLCategory* master, const TLTimeInterval& span) {
    TLSpendingReport report;
    if (master == nullptr) {
        report.slices_ = gather({nullptr}, [](const TLCategory*) { return nullptr; }, span);
    } else {
        std::vector<const TLCategory*> categories = {master};
        for (TLCategory* sub : master->getOrderedSubcats()) categories.push_back(sub);
        report.slices_ = gather(categories, [](const TLCategory* category) { return category; }, span);
    }
    report.total_ = sumOf(report.slices_);
    return report;
}

std::vector<TLTransaction*> TLSpendingReport::transactionsOf(const TLCategory* category, const TLTimeInterval& span) {
    std::vector<TLTransaction*> transactions;
    std::unordered_set<const TLTransaction*> seen;
    for (const TLSplit* split : TLBudgetActivity::of(span).splitsOf(category)) {
        TLTransaction* owner = split->transaction();
        if (isSpending(owner) && seen.insert(owner).second) transactions.push_back(owner);
    }
    auto when = [](const TLTransaction* t) { return t->transactionDate().value_or(Date()); };
    std::stable_sort(transactions.begin(), transactions.end(),
                     [&](const TLTransaction* a, const TLTransaction* b) { return when(a) > when(b); });
    return transactions;
}

Decimal TLSpendingReport::percentOf(const Decimal& amount) const {
    if (!(total_ > Decimal::zero())) return Decimal::zero();
    return (amount * Decimal(100)).divide(total_).rounded(1, RoundingMode::Plain);
}

}  // namespace tallo
