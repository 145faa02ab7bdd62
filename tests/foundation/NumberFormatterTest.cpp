#include "Platform/foundation/NumberFormatter.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "tests/support/TestEnvironment.h"

namespace tallo {

namespace {

using test::ScopedLocale;

constexpr const char* kNoBreakSpace = "\u00a0";

Decimal dec(const char* text) { return Decimal::fromString(text).value(); }

// What numberFromString reads, as the decimal's canonical text.
std::string read(const NumberFormatter& formatter, std::string_view text) {
    std::optional<Decimal> number = formatter.numberFromString(text);
    return number ? number->toString() : "(nothing)";
}

std::string currency(const std::string& locale, const std::string& code, const char* amount) {
    NumberFormatter formatter(locale);
    formatter.setNumberStyle(NumberStyle::Currency);
    formatter.setCurrencyCode(code);
    return formatter.stringFromNumber(dec(amount));
}

TEST(NumberFormatterTest, CurrencyAmountsInTheLocalesForm) {
    EXPECT_EQ(currency("en_US", "USD", "1234.5"), "$1,234.50");
    EXPECT_EQ(currency("en_US", "USD", "12"), "$12.00");
    EXPECT_EQ(currency("en_US", "USD", "-1234.5"), "-$1,234.50");
    // German puts the symbol after the amount, behind a no-break space.
    EXPECT_EQ(currency("de_DE", "EUR", "1234.5"), std::string("1.234,50") + kNoBreakSpace + "\u20ac");
    EXPECT_EQ(currency("de_DE", "USD", "12"), std::string("12,00") + kNoBreakSpace + "$");
}

TEST(NumberFormatterTest, TheCurrencyCodeDecidesFractionDigitsRoundingHalfToEven) {
    // Yen have no minor unit: 1234.5 rounds to the even 1234, 1235.5 to 1236.
    EXPECT_EQ(currency("en_US", "JPY", "1234.5"), "\u00a51,234");
    EXPECT_EQ(currency("en_US", "JPY", "1235.5"), "\u00a51,236");
    EXPECT_EQ(currency("en_US", "KWD", "1234.5"), std::string("KWD") + kNoBreakSpace + "1,234.500");
    EXPECT_EQ(currency("en_US", "USD", "0.125"), "$0.12");
    EXPECT_EQ(currency("en_US", "USD", "0.135"), "$0.14");
}

TEST(NumberFormatterTest, AnUnknownCodeIsShownAsItStands) {
    EXPECT_EQ(currency("en_US", "XYZ", "12"), std::string("XYZ") + kNoBreakSpace + "12.00");
    EXPECT_EQ(currency("en_US", "ABC", "0.5"), std::string("ABC") + kNoBreakSpace + "0.50");
    // Not a code at all: the generic currency sign, the text kept as given.
    NumberFormatter formatter("en_US");
    formatter.setNumberStyle(NumberStyle::Currency);
    formatter.setCurrencyCode("US");
    EXPECT_EQ(formatter.stringFromNumber(dec("12")), "\u00a412.00");
    EXPECT_EQ(formatter.currencyCode(), "US");
}

TEST(NumberFormatterTest, SettingTheCodeResetsFractionDigitOverrides) {
    NumberFormatter formatter("en_US");
    formatter.setNumberStyle(NumberStyle::Currency);
    formatter.setCurrencyCode("USD");
    EXPECT_EQ(formatter.minimumFractionDigits(), 2);
    EXPECT_EQ(formatter.maximumFractionDigits(), 2);

    formatter.setMaximumFractionDigits(1);  // the minimum follows a smaller maximum
    EXPECT_EQ(formatter.minimumFractionDigits(), 1);
    EXPECT_EQ(formatter.stringFromNumber(dec("12.25")), "$12.2");
    formatter.setMaximumFractionDigits(4);
    formatter.setMinimumFractionDigits(3);
    EXPECT_EQ(formatter.stringFromNumber(dec("12.34567")), "$12.3457");
    EXPECT_EQ(formatter.stringFromNumber(dec("12")), "$12.000");

    formatter.setCurrencyCode("USD");  // the same code still resets
    EXPECT_EQ(formatter.stringFromNumber(dec("12.34567")), "$12.35");
    formatter.setCurrencyCode("JPY");
    EXPECT_EQ(formatter.maximumFractionDigits(), 0);
    EXPECT_EQ(formatter.stringFromNumber(dec("12.5")), "\u00a512");
    formatter.setCurrencyCode("KWD");
    EXPECT_EQ(formatter.minimumFractionDigits(), 3);
    EXPECT_EQ(formatter.maximumFractionDigits(), 3);
}

TEST(NumberFormatterTest, DecimalStyleShowsUpToThreeDigitsOrTheSetMaximum) {
    NumberFormatter formatter("en_US");
    formatter.setNumberStyle(NumberStyle::Decimal);
    EXPECT_EQ(formatter.minimumFractionDigits(), 0);
    EXPECT_EQ(formatter.maximumFractionDigits(), 3);
    EXPECT_EQ(formatter.stringFromNumber(dec("1234.5678")), "1,234.568");
    EXPECT_EQ(formatter.stringFromNumber(dec("12")), "12");

    formatter.setMaximumFractionDigits(2);
    EXPECT_EQ(formatter.stringFromNumber(dec("1234.565")), "1,234.56");
    EXPECT_EQ(formatter.stringFromNumber(dec("1234.575")), "1,234.58");
    EXPECT_EQ(formatter.stringFromNumber(dec("12.5")), "12.5");
}

// The keypad's amount screen switches its currency formatter to decimal
// style and caps the digits at the typed scale: no symbol, no padding.
TEST(NumberFormatterTest, KeypadSwitchFromCurrencyToDecimalStyle) {
    NumberFormatter formatter("en_US");
    formatter.setNumberStyle(NumberStyle::Currency);
    formatter.setCurrencyCode("USD");
    EXPECT_EQ(formatter.stringFromNumber(dec("12")), "$12.00");
    formatter.setNumberStyle(NumberStyle::Decimal);
    formatter.setMaximumFractionDigits(1);
    EXPECT_EQ(formatter.stringFromNumber(dec("12.5")), "12.5");
    EXPECT_EQ(formatter.stringFromNumber(dec("12")), "12");
    EXPECT_EQ(formatter.currencyCode(), "USD");
}

TEST(NumberFormatterTest, PlainAndPercentStyles) {
    NumberFormatter formatter("en_US");
    EXPECT_EQ(formatter.numberStyle(), NumberStyle::None);
    EXPECT_EQ(formatter.stringFromNumber(dec("1234.5")), "1234");  // no grouping, no fraction, half to even
    EXPECT_EQ(formatter.stringFromNumber(dec("1235.5")), "1236");
    formatter.setNumberStyle(NumberStyle::Percent);
    EXPECT_EQ(formatter.stringFromNumber(dec("0.25")), "25%");
    EXPECT_EQ(read(formatter, "25%"), "0.25");
}

TEST(NumberFormatterTest, NotANumberShowsAsNaN) {
    NumberFormatter formatter("de_DE");
    formatter.setNumberStyle(NumberStyle::Currency);
    EXPECT_EQ(formatter.stringFromNumber(Decimal::notANumber()), "NaN");
}

TEST(NumberFormatterTest, FormatsAndParsesThirtyDigitAmountsExactly) {
    NumberFormatter formatter("en_US");
    formatter.setNumberStyle(NumberStyle::Currency);
    formatter.setCurrencyCode("USD");
    Decimal large = dec("1234567890123456789012345678.91");
    std::string text = formatter.stringFromNumber(large);
    EXPECT_EQ(text, "$1,234,567,890,123,456,789,012,345,678.91");
    EXPECT_EQ(read(formatter, text), "1234567890123456789012345678.91");
    // Nineteen fraction digits: a double keeps only about sixteen.
    formatter.setMaximumFractionDigits(20);
    EXPECT_EQ(formatter.stringFromNumber(dec("0.1234567890123456789")), "$0.1234567890123456789");
}

TEST(NumberFormatterTest, ParsesCurrencyTextToTheExactDecimal) {
    NumberFormatter formatter("en_US");
    formatter.setNumberStyle(NumberStyle::Currency);
    formatter.setCurrencyCode("USD");
    EXPECT_EQ(read(formatter, "$1,234.56"), "1234.56");
    EXPECT_EQ(read(formatter, "-$1,234.56"), "-1234.56");
    EXPECT_EQ(read(formatter, "$12"), "12");

    NumberFormatter german("de_DE");
    german.setNumberStyle(NumberStyle::Currency);
    german.setCurrencyCode("EUR");
    EXPECT_EQ(read(german, std::string("1.234,50") + kNoBreakSpace + "\u20ac"), "1234.5");
    EXPECT_EQ(read(german, "1.234,50 \u20ac"), "1234.5");  // a typed ordinary space
}

TEST(NumberFormatterTest, BrokenTextGivesNothing) {
    NumberFormatter formatter("en_US");
    formatter.setNumberStyle(NumberStyle::Currency);
    formatter.setCurrencyCode("USD");
    EXPECT_EQ(read(formatter, ""), "(nothing)");
    EXPECT_EQ(read(formatter, "abc"), "(nothing)");
    EXPECT_EQ(read(formatter, "12abc"), "(nothing)");
    EXPECT_EQ(read(formatter, "$1,234.56 and more"), "(nothing)");
    EXPECT_EQ(read(formatter, "\u20ac12.00"), "(nothing)");  // another currency's symbol
    EXPECT_EQ(read(formatter, "\u221e"), "(nothing)");       // infinity is no decimal
}

TEST(NumberFormatterTest, CurrencyOfALocaleAndDigitsOfACode) {
    EXPECT_EQ(NumberFormatter::currencyCodeForLocale("de_DE"), "EUR");
    EXPECT_EQ(NumberFormatter::currencyCodeForLocale("en_US"), "USD");
    EXPECT_EQ(NumberFormatter::currencyCodeForLocale("ja_JP"), "JPY");
    EXPECT_EQ(NumberFormatter::currencyCodeForLocale("de"), "EUR");  // the likely region, Germany

    EXPECT_EQ(NumberFormatter::fractionDigitsForCurrency("USD"), 2);
    EXPECT_EQ(NumberFormatter::fractionDigitsForCurrency("JPY"), 0);
    EXPECT_EQ(NumberFormatter::fractionDigitsForCurrency("KWD"), 3);
    EXPECT_EQ(NumberFormatter::fractionDigitsForCurrency("XYZ"), 2);
    EXPECT_EQ(NumberFormatter::fractionDigitsForCurrency(""), 2);
}

TEST(NumberFormatterTest, DefaultFormatterTakesTheCurrentLocaleAndItsCurrency) {
    ScopedLocale german("de_DE", "Europe/Berlin");
    NumberFormatter formatter;
    EXPECT_EQ(formatter.localeIdentifier(), "de_DE");
    EXPECT_EQ(formatter.currencyCode(), "EUR");
    formatter.setNumberStyle(NumberStyle::Currency);
    EXPECT_EQ(formatter.stringFromNumber(dec("0.5")), std::string("0,50") + kNoBreakSpace + "\u20ac");
}

}  // namespace
}  // namespace tallo
