#pragma once
// TLGlobalCurrencyRates: converts amounts into the default currency with the
// currency center's cached rates, the way category totals and budget sums
// count foreign money: an amount in the default currency (or with no default
// currency at all) stays as it is; another currency's amount is multiplied by
// the cached rate of its code; a currency without a cached rate counts
// unconverted. Never rounded.
//
// It reads the default currency and the rates once and remembers each
// currency's factor, so totalling a category's thousands of splits costs one
// lookup per currency rather than one per split. Make one per computation:
// it does not see rates changed after it was made.

#include <optional>
#include <unordered_map>

#include "Platform/foundation/Decimal.h"

namespace tallo {

class TLCurrency;

class TLGlobalCurrencyRates {
public:
    TLGlobalCurrencyRates();

    // `amount`, in `currency`, in the default currency.
    Decimal convert(const Decimal& amount, const TLCurrency* currency);
    // What `convert` multiplies by for `currency`; nothing when an amount in
    // it stays as it is.
    std::optional<Decimal> factorFor(const TLCurrency* currency);

private:
    const TLCurrency* defaultCurrency_;
    std::unordered_map<const TLCurrency*, std::optional<Decimal>> factors_;
};

}  // namespace tallo
