#include "Classes/ledger/TLGlobalCurrencyRates.h"

#include "Classes/currencies/TLCurrency.h"
#include "Classes/currencies/TLCurrencyCenter.h"

namespace tallo {

TLGlobalCurrencyRates::TLGlobalCurrencyRates() : defaultCurrency_(TLCurrencyCenter::sharedCenter().defaultCurrency()) {}

Decimal TLGlobalCurrencyRates::convert(const Decimal& amount, const TLCurrency* currency) {
    std::optional<Decimal> factor = factorFor(currency);
    return factor ? amount * *factor : amount;
}

std::optional<Decimal> TLGlobalCurrencyRates::factorFor(const TLCurrency* currency) {
    if (currency == nullptr || defaultCurrency_ == nullptr || currency == defaultCurrency_) return std::nullopt;
    auto known = factors_.find(currency);
    if (known == factors_.end()) {
        std::optional<Decimal> factor;
        if (std::optional<std::string> code = currency->code()) {
            const auto& rates = TLCurrencyCenter::sharedCenter().ratesToDefaultCurrencyCache();
            if (auto found = rates.find(*code); found != rates.end()) factor = found->second;
        }
        known = factors_.emplace(currency, factor).first;
    }
    return known->second;
}

}  // namespace tallo
