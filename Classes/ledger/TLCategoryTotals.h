#pragma once
// TLCategoryTotals: every category's total in the default currency, equal
// to TLCategory::getTotalAmount, kept from one question to the next. The
// first question (and any after the store was replaced or reloaded, the
// default currency or a cached rate changed, or a currency was edited)
// rates every categorised split once; after that, a change costs only the
// splits it touched: a changed split is rated again, a changed transaction
// has its splits rated again (its type gives the sign, its currency the
// rate), a deleted split leaves its category's sum. The touched objects come
// from the shared store's change reports.
//
// Each split's contribution (its category and rated amount) is remembered,
// so a moved or deleted split can be taken out of the category it was in.
// Main thread only.

#include <cstdint>
#include <future>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>

#include "Platform/foundation/Decimal.h"
#include "Platform/objectstore/ManagedObjectContext.h"

namespace tallo {

class TLCategory;
class TLCurrency;

class TLCategoryTotals {
public:
    TLCategoryTotals() = default;
    ~TLCategoryTotals();
    TLCategoryTotals(const TLCategoryTotals&) = delete;
    TLCategoryTotals& operator=(const TLCategoryTotals&) = delete;

    // The category's own splits plus its subcategories' (every level), as
    // the shared store holds them now, unsaved changes included.
    Decimal totalOf(const TLCategory& category);
    // How many splits were rated on this thread since this was made: what
    // the totals cost the screens.
    uint64_t splitsRated() const { return splitsRated_; }

    // Starts reading every split's contribution from the store file on a
    // thread and a connection of its own (the program shows its first
    // screen meanwhile), when nothing is unsaved and the totals are not
    // taken yet. The next question waits for the read if it is still going
    // and takes its result, then rates again whatever changed since it
    // started (a change noted while the rows are read may or may not be in
    // them); a reset or new rates meanwhile throw the result away.
    void prepareInBackground();
    // Blocks until a read started by prepareInBackground has finished.
    void waitUntilPrepared();

    struct Contribution {
        int64_t category = 0;  // primary key
        Decimal amount;
    };
    // What the read in the background hands over.
    struct Prepared {
        bool complete = false;  // every row was read
        std::unordered_map<int64_t, Contribution> bySplit;
        std::unordered_map<int64_t, Decimal> byCategory;
    };

private:
    // Brings the sums up to the store's present state.
    void update();
    Decimal sumOf(const TLCategory& category) const;
    bool follows(ManagedObjectContext& context) const;
    void follow(ManagedObjectContext& context);
    void forget();
    // Waits for a read in the background and drops its result.
    void settle();
    void adoptPrepared();
    // The default currency, its rates and the currencies' codes, as now.
    void takeRates(ManagedObjectContext& context);
    void rebuild(ManagedObjectContext& context);
    // Every split's contribution from the saved rows, without objects; false
    // when the context holds unsaved changes (the objects are read instead).
    bool rateSavedRows(ManagedObjectContext& context);
    void rateAgain(ManagedObjectContext& context);
    void take(int64_t split);
    void give(int64_t split, int64_t category, const Decimal& amount);
    bool ratesChanged();
    bool codesChanged(ManagedObjectContext& context);

    ManagedObjectContext* context_ = nullptr;
    std::weak_ptr<void> contextAlive_;
    int listener_ = 0;
    const EntityDescription* splitTable_ = nullptr;
    const EntityDescription* transactionTable_ = nullptr;
    const EntityDescription* currencyTable_ = nullptr;

    std::unordered_map<int64_t, Contribution> bySplit_;  // split → what it adds
    std::unordered_map<int64_t, Decimal> byCategory_;    // category → its own splits' sum
    std::set<int64_t> touchedSplits_;
    std::set<int64_t> touchedTransactions_;
    std::set<int64_t> touchedCurrencies_;
    bool stale_ = true;  // everything is to be taken again
    std::future<Prepared> pending_;  // the read in the background
    bool preparing_ = false;
    bool preparedVoid_ = false;  // the store was read again meanwhile
    uint64_t splitsRated_ = 0;

    // What the rated amounts were converted with.
    const TLCurrency* defaultCurrency_ = nullptr;
    std::map<std::string, Decimal> rates_;
    std::map<int64_t, std::optional<std::string>> codes_;  // currency → its code
};

}  // namespace tallo
