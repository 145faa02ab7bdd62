#include "Classes/values/TLDecimalInput.h"

#include <gtest/gtest.h>

#include "Platform/foundation/InternalError.h"
#include "tests/support/TestEnvironment.h"

namespace tallo {
namespace {

Decimal D(const char* text) { return *Decimal::fromString(text); }

// Presses keys the way the amount screen's buttons do: digits, '.', '+',
// '-', '=', '<' (backspace).
void press(TLDecimalInput& input, const std::string& keys) {
    for (char key : keys) {
        if (key >= '0' && key <= '9') input.push(key - '0');
        else if (key == '.') input.point();
        else if (key == '+') input.plus();
        else if (key == '-') input.minus();
        else if (key == '=') input.equal();
        else if (key == '<') input.pop();
    }
}

std::string value(const TLDecimalInput& input) { return input.decimal() ? input.decimal()->toString() : "nil"; }

class TLDecimalInputTest : public ::testing::Test {
protected:
    TLDecimalInputTest() { input.setCurrCode("USD"); }
    TLDecimalInput input;
};

TEST_F(TLDecimalInputTest, DigitsAndPointFillUpToTheCurrencysPlaces) {
    press(input, "12.5");
    EXPECT_EQ(value(input), "12.5");
    press(input, "7");
    EXPECT_EQ(value(input), "12.57");
    press(input, "9");  // a third place is refused
    EXPECT_EQ(value(input), "12.57");
    EXPECT_EQ(input.typedScale(), 2);
}

TEST_F(TLDecimalInputTest, BackspaceRemovesDigitsThenThePoint) {
    press(input, "1.<");
    EXPECT_EQ(value(input), "1");
    EXPECT_FALSE(input.pressedPoint());
    press(input, "<");
    EXPECT_EQ(value(input), "0");

    input.clear();
    press(input, "12.57<");
    EXPECT_EQ(value(input), "12.5");
    press(input, "<");
    EXPECT_EQ(value(input), "12");
    EXPECT_TRUE(input.pressedPoint());  // the point is still typed
    press(input, "3");
    EXPECT_EQ(value(input), "12.3");
}

TEST_F(TLDecimalInputTest, DigitsExtendANegativeAmountsMagnitude) {
    input.setDecimal(D("-12"));
    press(input, "3");
    EXPECT_EQ(value(input), "-123");
    press(input, "<");
    EXPECT_EQ(value(input), "-12");
}

TEST_F(TLDecimalInputTest, AdditionAndSubtractionChainLikeACalculator) {
    press(input, "5+3=");
    EXPECT_EQ(value(input), "8");

    input.clear();
    press(input, "5+3+");
    EXPECT_EQ(value(input), "8");
    EXPECT_EQ(input.inputOperation(), TLDecimalInput::kAdd);
    press(input, "2=");
    EXPECT_EQ(value(input), "10");

    input.clear();
    press(input, "5+-2=");  // plus then minus only switches the operation
    EXPECT_EQ(value(input), "3");

    input.clear();
    press(input, "5+.3=");  // the point after an operator starts a new number
    EXPECT_EQ(value(input), "5.3");

    press(input, "4");  // after equals a digit starts a new number
    EXPECT_EQ(value(input), "4");
}

TEST_F(TLDecimalInputTest, SubtractionBelowZeroGivesANegativeAmount) {
    press(input, "3-12.5=");
    EXPECT_EQ(value(input), "-9.5");
}

TEST_F(TLDecimalInputTest, NoDigitIsTakenAboveTenBillion) {
    input.setDecimal(D("10000000000"));
    press(input, "1");  // exactly ten billion still takes one digit
    EXPECT_EQ(value(input), "100000000001");
    press(input, "2");
    EXPECT_EQ(value(input), "100000000001");
}

TEST_F(TLDecimalInputTest, ACurrencyTruncatesTheAmountAndCountsItAsTyped) {
    TLDecimalInput fresh;
    fresh.setDecimal(D("12.345"));
    fresh.setCurrCode("USD");
    EXPECT_EQ(value(fresh), "12.34");
    EXPECT_EQ(fresh.typedScale(), 2);
    EXPECT_EQ(fresh.maximumScale(), 2);
    press(fresh, "9");  // fully typed: refused until cleared or backspaced
    EXPECT_EQ(value(fresh), "12.34");

    fresh.setDecimal(D("-7.999"));
    fresh.setCurrCode("JPY");  // no minor units: truncated toward zero
    EXPECT_EQ(value(fresh), "-7");
    EXPECT_EQ(fresh.maximumScale(), 0);
    press(fresh, "5");  // integers go on in a currency without places
    EXPECT_EQ(value(fresh), "-75");
}

TEST_F(TLDecimalInputTest, ZeroAmountWithACurrencyStartsUntyped) {
    TLDecimalInput fresh;
    fresh.setCurrCode("EUR");
    EXPECT_EQ(fresh.typedScale(), 0);
    press(fresh, "4.25");
    EXPECT_EQ(value(fresh), "4.25");
}

TEST_F(TLDecimalInputTest, ClearKeepsThePendingOperationClearCKeepsTheLeftOperand) {
    press(input, "7+");
    input.clearC();
    EXPECT_EQ(value(input), "0");
    EXPECT_EQ(input.savedDecimal()->toString(), "7");
    EXPECT_EQ(input.inputOperation(), TLDecimalInput::kAdd);
    input.clear();
    EXPECT_EQ(input.savedDecimal()->toString(), "0");
    EXPECT_EQ(input.inputOperation(), TLDecimalInput::kAdd);
}

TEST_F(TLDecimalInputTest, WithoutAValueKeysReportAndChangeNothing) {
    input.setDecimal(std::nullopt);
    InternalError::clearLast();
    input.push(5);
    EXPECT_EQ(InternalError::last(), "Decimal is nil, can't push!");
    input.pop();
    EXPECT_EQ(InternalError::last(), "Decimal is nil, can't pop!");
    EXPECT_FALSE(input.decimal().has_value());
}

TEST_F(TLDecimalInputTest, ResultStringShowsTheCurrencysForm) {
    press(input, "12");
    EXPECT_EQ(input.resultString(), "$12.00");
    input.currencyFormatter().setNumberStyle(NumberStyle::Decimal);
    input.setMaximumScale(2);
    press(input, ".5");
    EXPECT_EQ(input.resultString(), "12.5");
}

TEST(TLDecimalInputBehaviour, ArithmeticErrorsInsideEntryGiveZero) {
    TLDecimalInput input;
    EXPECT_EQ(input.roundingMode(), RoundingMode::Plain);
    Decimal result = Decimal(5).divide(Decimal::zero(), &input);
    EXPECT_EQ(result.toString(), "0");
}

TEST(TLDecimalInputCut, TruncatesTowardZero) {
    EXPECT_EQ(TLDecimalInput::cutScaleToDecimal(D("12.349"), 2).toString(), "12.34");
    EXPECT_EQ(TLDecimalInput::cutScaleToDecimal(D("-12.349"), 2).toString(), "-12.34");
    EXPECT_EQ(TLDecimalInput::cutScaleToDecimal(D("99.99"), 0).toString(), "99");
    EXPECT_EQ(TLDecimalInput::cutScaleToDecimal(D("5"), 2).toString(), "5");
    // Beyond the 64-bit range the truncation is still exact.
    EXPECT_EQ(TLDecimalInput::cutScaleToDecimal(D("123456789012345678901234.5678"), 2).toString(),
              "123456789012345678901234.56");
}

}  // namespace
}  // namespace tallo
