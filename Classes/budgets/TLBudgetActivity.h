#pragma once
// TLBudgetActivity: the splits booked within an interval, by category — what
// the budget screen asks about for every row of both sections. The
// interval's transactions are read through the store's index of dates (a
// month costs its own rows, however long the book), their splits in a few
// reads for all of them; the answers for all rows come from the gathered
// lists, reused for as long as the store is unchanged: any change of any
// object makes them be gathered again, so an answer never comes from an
// older state of the store.
//
// Booked within means: a split of a transaction (never of a schedule) whose
// transactionDate lies in the interval, both ends included. Main thread only.

#include <memory>
#include <unordered_map>
#include <vector>

namespace tallo {

class TLCategory;
class TLSplit;
class TLTimeInterval;

class TLBudgetActivity {
public:
    // The activity of `interval` in the current store.
    static const TLBudgetActivity& of(const TLTimeInterval& interval);

    // The splits of `category` (nothing: the uncategorised ones) booked
    // within the interval, in no particular order.
    const std::vector<const TLSplit*>& splitsOf(const TLCategory* category) const;

private:
    std::unordered_map<const TLCategory*, std::vector<const TLSplit*>> byCategory_;
};

}  // namespace tallo
