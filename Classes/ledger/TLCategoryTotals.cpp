#include "Classes/ledger/TLCategoryTotals.h"

#include <vector>

#include "Classes/currencies/TLCurrency.h"
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
    if (stale_ || ratesChanged() || codesChanged(*context)) return rebuild(*context);
    if (!touchedSplits_.empty() || !touchedTransactions_.empty()) rateAgain(*context);
}

void TLCategoryTotals::follow(ManagedObjectContext& context) {
    forget();
    context_ = &context;
    contextAlive_ = context.lifetimeToken();
    const Model& model = context.model();
    splitTable_ = model.entityNamed("Split")->rootEntity();
    transactionTable_ = model.entityNamed("Transaction")->rootEntity();
    currencyTable_ = model.entityNamed("Currency")->rootEntity();
    listener_ = context.addChangeListener([this](const ManagedObjectContext::Changes& changes) {
        if (changes.everything) stale_ = true;
        if (stale_) return;
        for (const ManagedObjectContext::ObjectKey& key : changes.objects) {
            if (key.root == splitTable_) touchedSplits_.insert(key.primaryKey);
            if (key.root == transactionTable_) touchedTransactions_.insert(key.primaryKey);
            if (key.root == currencyTable_) touchedCurrencies_.insert(key.primaryKey);
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

bool TLCategoryTotals::codesChanged(ManagedObjectContext& context) {
    // A currency's code decides which rate converts its money; a currency
    // changes too whenever one of its transactions comes or goes, which
    // leaves the code alone.
    std::set<int64_t> touched;
    touched.swap(touchedCurrencies_);
    for (int64_t key : touched) {
        auto* currency = static_cast<TLCurrency*>(context.registeredObject(*currencyTable_, key));
        auto known = codes_.find(key);
        std::optional<std::string> code = currency != nullptr ? currency->code() : std::nullopt;
        if (known == codes_.end() ? currency != nullptr : known->second != code) return true;
    }
    return false;
}

void TLCategoryTotals::rebuild(ManagedObjectContext& context) {
    TLCurrencyCenter& center = TLCurrencyCenter::sharedCenter();
    defaultCurrency_ = center.defaultCurrency();
    rates_ = center.ratesToDefaultCurrencyCache();
    codes_.clear();
    for (ManagedObject* object : context.executeFetchRequest(FetchRequest{"Currency"})) {
        codes_[object->primaryKey()] = static_cast<TLCurrency*>(object)->code();
    }
    touchedCurrencies_.clear();
    bySplit_.clear();
    byCategory_.clear();
    TLGlobalCurrencyRates rates;
    if (!rateSavedRows(context, rates)) {
        bySplit_.clear();
        byCategory_.clear();
        for (ManagedObject* object : context.executeFetchRequest(FetchRequest{"Category"})) {
            auto* category = static_cast<TLCategory*>(object);
            for (TLSplit* split : category->splits()) {
                give(split->primaryKey(), category->primaryKey(), split->getSignedAmountRatedToGlobalCurrency(rates));
            }
        }
    }
    touchedSplits_.clear();
    touchedTransactions_.clear();
    stale_ = false;
}

bool TLCategoryTotals::rateSavedRows(ManagedObjectContext& context, TLGlobalCurrencyRates& rates) {
    // What TLSplit::getSignedAmountRatedToGlobalCurrency does with an object,
    // done with its saved row: a target missing from the store reads as none.
    const EntityDescription& splits = *context.model().entityNamed("Split");
    auto rootOf = [&](const char* relationship) { return splits.relationshipNamed(relationship)->destination->rootEntity(); };
    const EntityDescription* categories = rootOf("category");
    const EntityDescription* schedules = rootOf("bill");
    const EntityDescription* currencies = splits.relationshipNamed("transaction")->destination->relationshipNamed("currency")->destination->rootEntity();
    enum { Category, Amount, Bill, Transaction, Type, TransferPrimary, Currency };
    std::vector<std::string> paths = {"category",         "amount",         "bill", "transaction.self", "transaction.type",
                                      "transaction.transferPrimary", "transaction.currency"};
    return context.scanSavedValues("Split", paths, [&](int64_t key, const std::vector<Value>& row) {
        std::optional<long long> category = row[Category].asInteger();
        if (!category || context.registeredObject(*categories, *category) == nullptr) return;
        Decimal amount = row[Amount].asDecimal().value_or(Decimal::zero());
        std::optional<long long> bill = row[Bill].asInteger();
        if (bill && context.registeredObject(*schedules, *bill) != nullptr) {
            amount = Decimal::zero();  // a schedule's split
        } else if (!row[Transaction].isNull()) {
            if (TLTransaction::isNegativeType(row[Type].asInteger(), row[TransferPrimary].asBool())) amount = Decimal::zero() - amount;
            std::optional<long long> currency = row[Currency].asInteger();
            ManagedObject* in = currency ? context.registeredObject(*currencies, *currency) : nullptr;
            amount = rates.convert(amount, static_cast<TLCurrency*>(in));
        }
        give(key, *category, amount);
    });
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
