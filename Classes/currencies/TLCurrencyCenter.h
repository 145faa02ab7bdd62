#pragma once
// TLCurrencyCenter: the currency service. It seeds the currency list of a new
// store, finds currencies by code, keeps the default currency and the rates
// to it cached, finds or makes the rate record of a pair, and formats amounts
// with the shared currency formatter. Main thread only (the rate download
// only reads codes handed to it).
//
// Conversions always multiply: an amount in `from` times the record's
// oneFromInTo is the amount in `to`. The record of a pair is its own; the
// other direction is another record, never derived from this one.
//
// The caches belong to the store they were read from: when the store is
// reloaded they are cleared (TLDatabase's reload hook), and a cache whose
// store is gone is never used.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "Classes/values/TLCurrencyFormatter.h"
#include "Platform/foundation/Date.h"
#include "Platform/foundation/Decimal.h"

namespace tallo {

class TLCurrency;
class TLRateRecord;

class TLCurrencyCenter {
public:
    static TLCurrencyCenter& sharedCenter();
    // Tests only: forgets the shared center.
    static void resetSharedCenter();

    // When the store has no currency: the locale's currency (order 0, the
    // default), titled from the currency list when the list has it, then the
    // first three currencies of the list other than it (orders 1 to 3 by
    // their line). Nothing when the store already has currencies.
    void createDefaultCurrenciesIfNeeded();

    TLCurrency* getCurrencyByCode(const std::string& code);
    // Fetched now ("default == YES"); nothing when there is no currency.
    TLCurrency* getDefaultCurrency();
    // Cached; read with getDefaultCurrency the first time.
    TLCurrency* defaultCurrency();
    void setDefaultCurrency(TLCurrency* currency);
    // The record of the pair, made (and saved with the next save) when
    // missing. Nothing, with the internal error "Currency codes can't be
    // nil!", when either currency has no code.
    TLRateRecord* getRateRecordFrom(TLCurrency* from, TLCurrency* to);
    // Code → oneFromInTo of every record into the default currency; cached.
    const std::map<std::string, Decimal>& ratesToDefaultCurrencyCache();
    // Drops the rates cache and reads the default currency again.
    void clearRatesCache();

    // Whether the last download request received data.
    bool isConnection() const { return isConnection_; }
    void setIsConnection(bool connected) { isConnection_ = connected; }
    // The time of the last download ("lastUpdatedCurrencyDate").
    std::optional<Date> updateDate() const;
    void setUpdateDate(Date date);

    // Formatting with the shared formatter.
    std::string currencyStringFromNumber(const Decimal& number, const std::string& code);
    // In the default currency (the locale's currency when there is none).
    std::string currencyStringFromNumber(const Decimal& number);
    std::string currencyStringFromCode(const std::string& code);
    Decimal decimalNumberFromCurrencyString(std::string_view text, const std::string& code);
    int scaleFromCurrencyCode(const std::string& code);
    NumberFormatter& currencyFormatter() { return formatter_.currencyFormatter(); }

private:
    TLCurrencyCenter();
    // Drops the caches when they belong to a store that is gone.
    void checkStore();

    TLCurrencyFormatter formatter_;
    TLCurrency* defaultCurrency_ = nullptr;
    bool defaultCurrencyRead_ = false;
    std::optional<std::map<std::string, Decimal>> ratesCache_;
    std::weak_ptr<void> store_;  // the context the caches were read from
    bool isConnection_ = false;
};

}  // namespace tallo
