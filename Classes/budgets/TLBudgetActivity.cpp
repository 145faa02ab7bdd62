#include "Classes/budgets/TLBudgetActivity.h"

#include <optional>
#include <utility>

#include "Classes/ledger/TLSplit.h"
#include "Classes/ledger/TLTransaction.h"
#include "Classes/store/TLDatabase.h"
#include "Classes/store/TLStoreState.h"
#include "Classes/values/TLTimeInterval.h"

namespace tallo {

namespace {

struct CachedActivity {
    TLStoreState state;
    double from = 0;
    double to = 0;
    std::unique_ptr<TLBudgetActivity> activity;
};

}  // namespace

const TLBudgetActivity& TLBudgetActivity::of(const TLTimeInterval& interval) {
    static CachedActivity cached;
    ManagedObjectContext* context = TLDatabase::sharedDatabase().context();
    double from = interval.startDate().timeIntervalSince1970();
    std::optional<Date> end = interval.endDate();
    double to = end ? end->timeIntervalSince1970() : from - 1;  // no end: nothing is within
    if (cached.activity && cached.state.isCurrent() && cached.from == from && cached.to == to) return *cached.activity;

    auto activity = std::make_unique<TLBudgetActivity>();
    if (context != nullptr && from <= to) {
        // The interval's transactions come from the store's index of dates,
        // their splits in a few reads for all of them.
        auto predicate = Predicate::parse("transactionDate >= %@ AND transactionDate <= %@",
                                          {Value(interval.startDate()), Value(*end)});
        std::vector<ManagedObject*> transactions = TLDatabase::sharedDatabase().fetchEntityCustom("Transaction", predicate);
        context->prefetchToMany(transactions, "splits");
        for (ManagedObject* object : transactions) {
            for (const TLSplit* split : static_cast<const TLTransaction*>(object)->splits()) {
                if (split->bill() == nullptr) activity->byCategory_[split->category()].push_back(split);
            }
        }
    }
    cached.activity = std::move(activity);
    cached.state = TLStoreState::current();
    cached.from = from;
    cached.to = to;
    return *cached.activity;
}

const std::vector<const TLSplit*>& TLBudgetActivity::splitsOf(const TLCategory* category) const {
    static const std::vector<const TLSplit*> kNone;
    auto found = byCategory_.find(category);
    return found == byCategory_.end() ? kNone : found->second;
}

}  // namespace tallo
