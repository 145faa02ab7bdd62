#include "Classes/ledger/TLCategoryTotals.h"

#include <vector>

#include "Classes/currencies/TLCurrencyCenter.h"
#include "Classes/ledger/TLCategory.h"
#include "Classes/ledger/TLGlobalCurrencyRates.h"
#include "Classes/ledger/TLSplit.h"
#include "Classes/ledger/TLTransaction.h"
#include "Classes/store/TLDatabase.h"

namespace tallo {

TLCategoryTotals::~TLCategoryTotals() { forget(); }

Decimal TLCategoryTotals::totalOf(const TLCategory& category) {
    update();
    return sumOf(category);
}

Decimal TLCategoryTotals::sumOf(const TLCategory& category) const {
    Decimal sum = Decimal::zero();
    if (auto own = byCategory_.find(category.primaryKey()); own != byCategory_.end()) sum = own->second;
    for (const TLCategory* sub : category.subcats()) sum = sum + sumOf(*sub);
    return sum;
}

void TLCategoryTotals::update() {
    ManagedObjectContext* context = TLDatabase::sharedDatabase().context();
    if (context == nullptr) {
        forget();
        bySplit_.clear();
        byCategory_.clear();
        stale_ = true;
        return;
    }
    bool sameContext = context == context_ && !contextAlive_.expired() && contextAlive_.lock() == context->lifetimeToken();
    if (!sameContext) follow(*context);
    // Changes not yet processed are reported by the processing.
    context->processPendingChanges();
    if (stale_ || ratesChanged()) return rebuild(*context);
    if (!touchedSplits_.empty() || !touchedTransactions_.empty()) rateAgain(*context);
}

void TLCategoryTotals::follow(ManagedObjectContext& context) {
    forget();
    context_ = &context;
    contextAlive_ = context.lifetimeToken();
    const Model& model = context.model();
    splitTable_ = model.entityNamed("Split")->rootEntity();
    transactionTable_ = model.entityNamed("Transaction")->rootEntity();
    const EntityDescription* currencies = model.entityNamed("Currency");
    listener_ = context.addChangeListener([this, currencies](const ManagedObjectContext::Changes& changes) {
        // A currency's code decides which rate converts its money.
        if (changes.everything || changes.entities.count(currencies) != 0) stale_ = true;
        if (stale_) return;
        for (const ManagedObjectContext::ObjectKey& key : changes.objects) {
            if (key.root == splitTable_) touchedSplits_.insert(key.primaryKey);
            if (key.root == transactionTable_) touchedTransactions_.insert(key.primaryKey);
        }
    });
    stale_ = true;
}

void TLCategoryTotals::forget() {
    if (listener_ != 0 && !contextAlive_.expired()) context_->removeChangeListener(listener_);
    listener_ = 0;
    context_ = nullptr;
    contextAlive_.reset();
}

bool TLCategoryTotals::ratesChanged() {
    TLCurrencyCenter& center = TLCurrencyCenter::sharedCenter();
    return center.defaultCurrency() != defaultCurrency_ || center.ratesToDefaultCurrencyCache() != rates_;
}

void TLCategoryTotals::rebuild(ManagedObjectContext& context) {
    TLCurrencyCenter& center = TLCurrencyCenter::sharedCenter();
    defaultCurrency_ = center.defaultCurrency();
    rates_ = center.ratesToDefaultCurrencyCache();
    bySplit_.clear();
    byCategory_.clear();
    TLGlobalCurrencyRates rates;
    for (ManagedObject* object : context.executeFetchRequest(FetchRequest{"Category"})) {
        auto* category = static_cast<TLCategory*>(object);
        for (TLSplit* split : category->splits()) {
            give(split->primaryKey(), category->primaryKey(), split->getSignedAmountRatedToGlobalCurrency(rates));
        }
    }
    touchedSplits_.clear();
    touchedTransactions_.clear();
    stale_ = false;
}

void TLCategoryTotals::rateAgain(ManagedObjectContext& context) {
    std::set<int64_t> splits;
    splits.swap(touchedSplits_);
    std::set<int64_t> transactions;
    transactions.swap(touchedTransactions_);
    // A transaction's type and currency decide its splits' signs and rates.
    for (int64_t key : transactions) {
        auto* transaction = static_cast<TLTransaction*>(context.registeredObject(*transactionTable_, key));
        if (transaction == nullptr) continue;  // gone: its splits went with it and were reported
        for (TLSplit* split : transaction->splits()) splits.insert(split->primaryKey());
    }
    TLGlobalCurrencyRates rates;
    for (int64_t key : splits) {
        take(key);
        auto* split = static_cast<TLSplit*>(context.registeredObject(*splitTable_, key));
        if (split == nullptr || split->category() == nullptr) continue;
        give(key, split->category()->primaryKey(), split->getSignedAmountRatedToGlobalCurrency(rates));
    }
}

void TLCategoryTotals::take(int64_t split) {
    auto found = bySplit_.find(split);
    if (found == bySplit_.end()) return;
    Decimal& sum = byCategory_[found->second.category];
    sum = sum - found->second.amount;
    bySplit_.erase(found);
}

void TLCategoryTotals::give(int64_t split, int64_t category, const Decimal& amount) {
    ++splitsRated_;
    bySplit_[split] = Contribution{category, amount};
    Decimal& sum = byCategory_[category];
    sum = sum + amount;
}

}  // namespace tallo
