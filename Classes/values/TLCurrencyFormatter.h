#pragma once
// TLCurrencyFormatter: the shared currency formatter. TLGlobal and
// TLCurrencyCenter each own one; both are configured the same way: currency
// style, parsing to exact decimals, the device's current locale (never set
// explicitly), so symbol position, separators and grouping follow the
// person's region while the currency code decides symbol and fraction
// digits. It has no fixed currency: every call sets the code it needs.
//
// In en_US: currencyStringFromNumber(1234.5, "USD") is "$1,234.50",
// currencyStringFromCode("JPY") is "¥0". Display rounds at the code's
// fraction digits; the value is never changed.

#include <string>
#include <string_view>

#include "Platform/foundation/Decimal.h"
#include "Platform/foundation/NumberFormatter.h"

namespace tallo {

class TLCurrencyFormatter {
public:
    TLCurrencyFormatter();

    // Sets the code, formats the number.
    std::string currencyStringFromNumber(const Decimal& number, const std::string& code);
    // Zero in that currency.
    std::string currencyStringFromCode(const std::string& code);
    // Sets the code and parses text written in that currency's form; text
    // that is not such an amount gives NaN (the caller's "no number").
    Decimal decimalNumberFromCurrencyString(std::string_view text, const std::string& code);
    // Applies the code to the formatter and answers 2 for every code: the
    // scale keypad entry really uses comes from the formatter's fraction
    // digits, not from here.
    int scaleFromCurrencyCode(const std::string& code);

    // The formatter itself; callers may change its style.
    NumberFormatter& currencyFormatter() { return formatter_; }

    // Gives `formatter` the shared configuration (the keypad's own formatter
    // is configured the same way).
    static void configure(NumberFormatter& formatter);

private:
    NumberFormatter formatter_;
};

}  // namespace tallo
