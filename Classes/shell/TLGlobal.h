#pragma once
// TLGlobal: the shared state of the application — the shared amount
// formatter, the default currency and the rates to it, the transaction
// settings, the budget month — made on first use and kept for the process.
// Main thread only.
//
// The default currency and the rates cache are the currency center's own:
// clearing them here clears them there, and the other way round. The
// transaction settings live in TLTransactionSettings, where the ledger reads
// them; readUserDefaults fills them from the user defaults.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "Classes/values/TLCurrencyFormatter.h"
#include "Platform/foundation/Date.h"
#include "Platform/foundation/Decimal.h"

namespace tallo {

class TLAccount;
class TLCurrency;
class TLRateRecord;

class TLGlobal {
public:
    static TLGlobal& sharedGlobal();
    // Tests only: forgets the shared object.
    static void resetSharedGlobal();

    // The shared formatter, set to the code under "default_currency_code"
    // ("USD", written there, when absent).
    NumberFormatter& currencyFormatter() { return formatter_.currencyFormatter(); }
    void updateFormatterCurrencyCode();
    std::string currencyStringFromNumber(const Decimal& number, const std::string& code);
    // In the default currency's code (the formatter's code when there is none).
    std::string currencyStringFromNumber(const Decimal& number);
    std::string currencyStringFromCode(const std::string& code);
    Decimal decimalNumberFromCurrencyString(std::string_view text, const std::string& code);
    int scaleFromCurrencyCode(const std::string& code);

    // Currencies, as the currency center answers them.
    TLCurrency* defaultCurrency();
    void setDefaultCurrency(TLCurrency* currency);
    TLCurrency* getDefaultCurrency();
    TLCurrency* getCurrencyByCode(const std::string& code);
    // Nothing (and no complaint) when either currency has no code.
    TLRateRecord* getRateRecordFrom(TLCurrency* from, TLCurrency* to);
    const std::map<std::string, Decimal>& ratesToDefaultCurrency();
    void clearRatesCache();
    std::optional<Date> lastUpdatedCurrencyDate() const;
    bool isConnection() const;

    // Launch steps: the currency list of a new store, the default categories.
    void createDefaultCurrenciesIfNeeded();
    void createDefaultCategoriesIfNeeded();

    // With exactly two listed accounts, the one that is not `account`;
    // otherwise nothing.
    TLAccount* getOtherAccountToAccount(const TLAccount* account);

    // Transaction settings. On the first run "not_first_time" and
    // "use_category" become YES; then both settings are read.
    void readUserDefaults();
    bool useCategory() const;
    bool usePayee() const;

    // The month shown by the budget screens, and today's month.
    uint32_t currentMonthID() const;
    uint32_t activeMonthID() const { return activeMonthID_; }
    void setActiveMonthID(uint32_t monthID) { activeMonthID_ = monthID; }

private:
    TLGlobal();

    TLCurrencyFormatter formatter_;
    std::string formatterCode_;
    uint32_t activeMonthID_ = 0;
};

}  // namespace tallo
