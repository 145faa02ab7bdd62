#include "Classes/ledger/TLSplitRowRating.h"

#include "Classes/currencies/TLCurrency.h"
#include "Classes/ledger/TLGlobalCurrencyRates.h"
#include "Classes/ledger/TLTransaction.h"

namespace tallo {

namespace {

enum Column { Category, Amount, Bill, Transaction, Type, TransferPrimary, Currency };

std::vector<int64_t> keysOf(ManagedObjectContext& context, const EntityDescription& entity) {
    std::vector<int64_t> keys;
    for (const ManagedObject* object : context.executeFetchRequest(FetchRequest{entity.name()})) keys.push_back(object->primaryKey());
    return keys;
}

}  // namespace

const std::vector<std::string>& TLSplitRowRating::keyPaths() {
    static const std::vector<std::string> paths = {"category",         "amount",
                                                   "bill",             "transaction.self",
                                                   "transaction.type", "transaction.transferPrimary",
                                                   "transaction.currency"};
    return paths;
}

TLSplitRowRating TLSplitRowRating::from(ManagedObjectContext& context) {
    TLSplitRowRating rating;
    const EntityDescription& splits = *context.model().entityNamed("Split");
    auto destination = [&](const char* relationship) { return splits.relationshipNamed(relationship)->destination->rootEntity(); };
    for (int64_t key : keysOf(context, *destination("category"))) rating.categories_.insert(key);
    for (int64_t key : keysOf(context, *destination("bill"))) rating.schedules_.insert(key);
    TLGlobalCurrencyRates rates;
    for (ManagedObject* object : context.executeFetchRequest(FetchRequest{"Currency"})) {
        if (std::optional<Decimal> factor = rates.factorFor(static_cast<TLCurrency*>(object))) {
            rating.factors_[object->primaryKey()] = *factor;
        }
    }
    return rating;
}

std::optional<TLSplitRowRating::Rated> TLSplitRowRating::rate(const std::vector<Value>& row) const {
    std::optional<long long> category = row[Category].asInteger();
    if (!category || categories_.count(*category) == 0) return std::nullopt;
    Rated rated{*category, row[Amount].asDecimal().value_or(Decimal::zero())};
    std::optional<long long> bill = row[Bill].asInteger();
    if (bill && schedules_.count(*bill) != 0) {
        rated.amount = Decimal::zero();  // a schedule's split
    } else if (!row[Transaction].isNull()) {
        if (TLTransaction::isNegativeType(row[Type].asInteger(), row[TransferPrimary].asBool())) {
            rated.amount = Decimal::zero() - rated.amount;
        }
        std::optional<long long> currency = row[Currency].asInteger();
        if (auto factor = currency ? factors_.find(*currency) : factors_.end(); factor != factors_.end()) {
            rated.amount = rated.amount * factor->second;
        }
    }
    return rated;
}

}  // namespace tallo
