#include "Classes/ledger/TLCategoryTotals.h"

#include <vector>

#include "Classes/currencies/TLCurrency.h"
#include "Classes/currencies/TLCurrencyCenter.h"
#include "Classes/ledger/TLCategory.h"
#include "Classes/ledger/TLGlobalCurrencyRates.h"
#include "Classes/ledger/TLSplit.h"
#include "Classes/ledger/TLSplitRowRating.h"
#include "Classes/ledger/TLTransaction.h"
#include "Classes/store/TLDatabase.h"
#include "Platform/objectstore/SqliteStore.h"

namespace tallo {

namespace {

// Every categorised split's contribution from the saved rows of the store
// file at `path`, read through a connection of this thread's own.
TLCategoryTotals::Prepared readContributions(const std::string& path, const std::shared_ptr<const Model>& model,
                                             const TLSplitRowRating& rating) {
    TLCategoryTotals::Prepared prepared;
    SqliteStoreOptions options;
    options.integrityCheck = SqliteStoreOptions::IntegrityCheck::None;  // the program's own open checked it
    std::string error;
    auto store = SqliteStore::open(path, model, &error, options);
    if (!store) return prepared;
    StoreValueScan scan;
    scan.root = model->entityNamed("Split")->rootEntity();
    scan.keyPaths = TLSplitRowRating::keyPaths();
    prepared.complete = store->scanValues(
        scan,
        [&](int64_t key, const std::vector<Value>& row) {
            auto rated = rating.rate(row);
            if (!rated) return;
            prepared.bySplit.emplace(key, TLCategoryTotals::Contribution{rated->category, rated->amount});
            Decimal& sum = prepared.byCategory[rated->category];
            sum = sum + rated->amount;
        },
        &error);
    return prepared;
}

}  // namespace

TLCategoryTotals::~TLCategoryTotals() {
    forget();
    settle();
}

void TLCategoryTotals::prepareInBackground() {
    TLDatabase& database = TLDatabase::sharedDatabase();
    ManagedObjectContext* context = database.context();
    if (context == nullptr || !database.hasPersistentStore()) return;
    if (!follows(*context)) {
        settle();  // a read of the store this replaced (a sync) is of no use
        follow(*context);
    }
    if (pending_.valid()) return;
    context->processPendingChanges();
    if (!stale_ || context->hasChanges()) return;
    takeRates(*context);
    touchedSplits_.clear();
    touchedTransactions_.clear();
    preparing_ = true;
    preparedVoid_ = false;
    pending_ = std::async(std::launch::async, readContributions, database.urlToSqliteFile(), database.managedObjectModel(),
                          TLSplitRowRating::from(*context));
}

void TLCategoryTotals::waitUntilPrepared() {
    if (pending_.valid()) pending_.wait();
}

void TLCategoryTotals::settle() {
    if (pending_.valid()) pending_.get();
    preparing_ = false;
}

void TLCategoryTotals::adoptPrepared() {
    Prepared prepared = pending_.get();
    preparing_ = false;
    if (!prepared.complete || preparedVoid_) return;  // still stale: taken again
    // Made on the reading thread, so taking them costs nothing here.
    bySplit_.swap(prepared.bySplit);
    byCategory_.swap(prepared.byCategory);
    stale_ = false;
}

bool TLCategoryTotals::follows(ManagedObjectContext& context) const {
    return &context == context_ && !contextAlive_.expired() && contextAlive_.lock() == context.lifetimeToken();
}

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
        settle();
        bySplit_.clear();
        byCategory_.clear();
        stale_ = true;
        return;
    }
    if (!follows(*context)) {
        settle();  // read from another store
        follow(*context);
    }
    // Changes not yet processed are reported by the processing.
    context->processPendingChanges();
    if (pending_.valid()) adoptPrepared();
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
        if (changes.everything) {
            stale_ = true;
            preparedVoid_ = true;
        }
        // While the rows are read elsewhere, every change is noted: the read
        // may have seen the row before or after it.
        if (stale_ && !preparing_) return;
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

void TLCategoryTotals::takeRates(ManagedObjectContext& context) {
    TLCurrencyCenter& center = TLCurrencyCenter::sharedCenter();
    defaultCurrency_ = center.defaultCurrency();
    rates_ = center.ratesToDefaultCurrencyCache();
    codes_.clear();
    for (ManagedObject* object : context.executeFetchRequest(FetchRequest{"Currency"})) {
        codes_[object->primaryKey()] = static_cast<TLCurrency*>(object)->code();
    }
    touchedCurrencies_.clear();
}

void TLCategoryTotals::rebuild(ManagedObjectContext& context) {
    takeRates(context);
    bySplit_.clear();
    byCategory_.clear();
    if (!rateSavedRows(context)) {
        bySplit_.clear();
        byCategory_.clear();
        TLGlobalCurrencyRates rates;
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

bool TLCategoryTotals::rateSavedRows(ManagedObjectContext& context) {
    TLSplitRowRating rating = TLSplitRowRating::from(context);
    return context.scanSavedValues("Split", TLSplitRowRating::keyPaths(), [&](int64_t key, const std::vector<Value>& row) {
        if (auto rated = rating.rate(row)) give(key, rated->category, rated->amount);
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
