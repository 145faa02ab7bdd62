#pragma once
// NumberFormatter: decimals to text and back in a locale (ICU). The currency
// code is set per call by its users; the locale decides symbol position,
// separators and grouping, the code decides symbol and fraction digits.
//
// Fraction digits: setting the style or (in currency style) the currency code
// resets them to the defaults: currency style uses the code's digits for both
// minimum and maximum (2 for "USD", 0 for "JPY"); decimal style 0 to 3;
// plain (None, no grouping) and percent style 0.
// setMinimum/MaximumFractionDigits override until the next reset (a maximum
// below the minimum lowers the minimum, and the other way round). Display
// rounds half to even at the maximum; the value itself is not changed.
//
// An unknown currency code is used as it stands (the code shows as the
// symbol, two fraction digits); a code that is not three letters shows the
// generic sign "¤". Formatting never fails; NaN shows as "NaN". Decimals
// reach ICU as their exact text, so no digit is lost to floating point.

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "Platform/foundation/Decimal.h"

namespace tallo {

enum class NumberStyle : int { None = 0, Decimal = 1, Currency = 2, Percent = 3 };

class NumberFormatter {
public:
    // Current locale, NumberStyle::None, currency code of the locale.
    NumberFormatter();
    explicit NumberFormatter(const std::string& localeIdentifier);
    NumberFormatter(const NumberFormatter&) = delete;
    NumberFormatter& operator=(const NumberFormatter&) = delete;
    ~NumberFormatter();

    void setNumberStyle(NumberStyle style);
    NumberStyle numberStyle() const;
    void setCurrencyCode(const std::string& isoCode);
    const std::string& currencyCode() const;
    void setMaximumFractionDigits(int digits);
    int maximumFractionDigits() const;
    void setMinimumFractionDigits(int digits);
    int minimumFractionDigits() const;
    const std::string& localeIdentifier() const;

    std::string stringFromNumber(const Decimal& number) const;
    // The exact decimal written in `text` in this formatter's form ("$1,234.56"
    // in currency style for en_US); nothing when the text is not such a number.
    // Lenient about what a person types (a missing symbol, an ordinary space
    // for a no-break one, grouping), but the whole text must be read:
    // "12abc" gives nothing.
    std::optional<Decimal> numberFromString(std::string_view text) const;

    // The ISO 4217 code of a locale's currency ("EUR" for "de_DE"; a language
    // alone takes its likely region, "de" gives "EUR"); "XXX" (no currency)
    // when the locale names none.
    static std::string currencyCodeForLocale(const std::string& localeIdentifier);
    // The minor-unit digits of a code (2 "USD", 0 "JPY", 3 "KWD"; 2 if unknown).
    static int fractionDigitsForCurrency(const std::string& isoCode);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace tallo
