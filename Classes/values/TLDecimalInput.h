#pragma once
// TLDecimalInput: the keypad model behind amount entry. Key presses become an
// exact decimal, with a pending addition or subtraction like a pocket
// calculator.
//
// Digits fill the integer part until the point is pressed, then one
// fractional digit each up to maximumScale (the currency's fraction digits):
//   1 2 . 5   → 12.5     then 7 → 12.57, then 9 is refused (two places)
//   1 . ⌫ ⌫   → 0        (the first backspace removes only the point)
//   −12, 3    → −123     (digits extend the magnitude; the sign stays)
// Once the magnitude is above 10,000,000,000 no digit is taken (exactly
// 10,000,000,000 still takes one).
//   5 + 3 =   → 8        5 + 3 +  → 8 with plus pending
//   5 + − 2 = → 3        (plus then minus only switches the operation)
//   5 + . 3 = → 5.3      (a key after an operator starts a new number)
//
// It is also the rounding behaviour of its own digit arithmetic: scale is the
// typed scale, rounding plain, and every arithmetic error gives 0.

#include <optional>
#include <string>

#include "Platform/foundation/Decimal.h"
#include "Platform/foundation/NumberFormatter.h"

namespace tallo {

class TLDecimalInput final : public DecimalBehavior {
public:
    enum Operation : int32_t { kNone = 0, kAdd = 1, kSubtract = 2 };

    TLDecimalInput();

    // Applies a currency: both scales become its fraction digits, the value
    // is truncated to them and the point is released, so an existing
    // non-zero amount counts as fully typed.
    void setCurrCode(const std::string& code);
    const std::string& currCode() const { return currCode_; }
    void setMaximumScale(int16_t scale);
    void setScale(int16_t scale);
    void setDecimal(std::optional<Decimal> value);
    void setSavedDecimal(std::optional<Decimal> value);

    // Keys.
    void push(int digit);
    void point();
    void pop();
    void plus();
    void minus();
    void equal();
    void clear();
    void clearC();

    const std::optional<Decimal>& decimal() const { return decimal_; }
    const std::optional<Decimal>& savedDecimal() const { return savedDecimal_; }
    // The formatter's text for the value ("$12.00" in currency style).
    std::string resultString() const;
    int16_t typedScale() const { return scale_; }
    int16_t maximumScale() const { return maximumScale_; }
    bool pressedPoint() const { return pressedPoint_; }
    bool clearOnPush() const { return clearOnPush_; }
    int32_t inputOperation() const { return inputOperation_; }
    NumberFormatter& currencyFormatter() { return formatter_; }

    // Truncation toward zero to `scale` fractional digits: 12.349 → 12.34,
    // −12.349 → −12.34.
    static Decimal cutScaleToDecimal(const Decimal& value, int16_t scale);

    // DecimalBehavior.
    int16_t scale() const override { return scale_; }
    RoundingMode roundingMode() const override { return RoundingMode::Plain; }
    std::optional<Decimal> exceptionDuringOperation(DecimalOperation, DecimalError, const Decimal&,
                                                    const Decimal*) override {
        return Decimal::zero();
    }

private:
    void startOperation(Operation operation);

    std::optional<Decimal> decimal_;
    std::optional<Decimal> savedDecimal_;
    std::string currCode_;
    NumberFormatter formatter_;
    int16_t scale_ = 0;
    int16_t maximumScale_ = 2;
    bool pressedPoint_ = false;
    bool clearOnPush_ = false;
    bool lastPressWasPussOrMinus_ = false;
    int32_t inputOperation_ = kNone;
};

}  // namespace tallo
