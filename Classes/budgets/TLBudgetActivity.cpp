#include "Classes/budgets/TLBudgetActivity.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "Classes/ledger/TLSplit.h"
#include "Classes/ledger/TLTransaction.h"
#include "Classes/store/TLDatabase.h"
#include "Classes/store/TLStoreState.h"
#include "Classes/values/TLTimeInterval.h"

namespace tallo {

namespace {

// Every dated transaction, in date order.
struct DateOrder {
    TLStoreState state;
    std::vector<std::pair<double, const TLTransaction*>> transactions;
};

const DateOrder& dateOrder() {
    static DateOrder order;
    if (order.state.isCurrent()) return order;
    order.transactions.clear();
    for (ManagedObject* object : TLDatabase::sharedDatabase().fetchEntityCustom("Transaction")) {
        auto* transaction = static_cast<const TLTransaction*>(object);
        if (std::optional<Date> date = transaction->transactionDate()) {
            order.transactions.emplace_back(date->timeIntervalSince1970(), transaction);
        }
    }
    std::sort(order.transactions.begin(), order.transactions.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    order.state = TLStoreState::current();
    return order;
}

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
    if (context != nullptr) {
        const auto& order = dateOrder().transactions;
        auto first = std::lower_bound(order.begin(), order.end(), from,
                                      [](const auto& entry, double value) { return entry.first < value; });
        for (auto at = first; at != order.end() && at->first <= to; ++at) {
            for (const TLSplit* split : at->second->splits()) {
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
