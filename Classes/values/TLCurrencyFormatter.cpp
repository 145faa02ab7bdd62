#include "Classes/values/TLCurrencyFormatter.h"

namespace tallo {

TLCurrencyFormatter::TLCurrencyFormatter() { configure(formatter_); }

void TLCurrencyFormatter::configure(NumberFormatter& formatter) { formatter.setNumberStyle(NumberStyle::Currency); }

std::string TLCurrencyFormatter::currencyStringFromNumber(const Decimal& number, const std::string& code) {
    formatter_.setCurrencyCode(code);
    return formatter_.stringFromNumber(number);
}

std::string TLCurrencyFormatter::currencyStringFromCode(const std::string& code) {
    return currencyStringFromNumber(Decimal::zero(), code);
}

Decimal TLCurrencyFormatter::decimalNumberFromCurrencyString(std::string_view text, const std::string& code) {
    formatter_.setCurrencyCode(code);
    return formatter_.numberFromString(text).value_or(Decimal::notANumber());
}

int TLCurrencyFormatter::scaleFromCurrencyCode(const std::string& code) {
    formatter_.setCurrencyCode(code);
    return 2;
}

}  // namespace tallo
