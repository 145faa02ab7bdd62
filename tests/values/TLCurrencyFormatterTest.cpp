#include "Classes/values/TLCurrencyFormatter.h"

#include <gtest/gtest.h>

#include "tests/support/TestEnvironment.h"

namespace tallo {
namespace {

Decimal D(const char* text) { return *Decimal::fromString(text); }

TEST(TLCurrencyFormatter, TheCodeDecidesSymbolAndPlacesTheLocaleTheForm) {
    TLCurrencyFormatter formatter;
    EXPECT_EQ(formatter.currencyStringFromNumber(D("1234.5"), "USD"), "$1,234.50");
    EXPECT_EQ(formatter.currencyStringFromNumber(D("-12.345"), "USD"), "-$12.34");  // display rounds half to even
    EXPECT_EQ(formatter.currencyStringFromNumber(D("1234.5"), "JPY"), "¥1,234");
    EXPECT_EQ(formatter.currencyStringFromCode("EUR"), "€0.00");
    test::ScopedLocale german("de_DE");
    TLCurrencyFormatter inGermany;
    EXPECT_EQ(inGermany.currencyStringFromNumber(D("1234.5"), "EUR"), "1.234,50\u00a0€");
    EXPECT_EQ(inGermany.currencyStringFromNumber(D("1234.5"), "USD"), "1.234,50\u00a0$");
}

TEST(TLCurrencyFormatter, ParsesAmountsBackExactly) {
    TLCurrencyFormatter formatter;
    EXPECT_EQ(formatter.decimalNumberFromCurrencyString("$1,234.56", "USD"), D("1234.56"));
    EXPECT_EQ(formatter.decimalNumberFromCurrencyString("$98,765,432,109,876,543.21", "USD"),
              D("98765432109876543.21"));
    EXPECT_TRUE(formatter.decimalNumberFromCurrencyString("twelve dollars", "USD").isNaN());
}

TEST(TLCurrencyFormatter, ScaleFromCurrencyCodeIsAlwaysTwo) {
    TLCurrencyFormatter formatter;
    EXPECT_EQ(formatter.scaleFromCurrencyCode("USD"), 2);
    EXPECT_EQ(formatter.scaleFromCurrencyCode("JPY"), 2);
    // ...while the formatter now carries the code's real places.
    EXPECT_EQ(formatter.currencyFormatter().maximumFractionDigits(), 0);
}

}  // namespace
}  // namespace tallo
