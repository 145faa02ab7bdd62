#include "Classes/values/TLDecimalInput.h"

#include "Classes/values/CVCammon.h"
#include "Classes/values/DecimalCorvane.h"
#include "Classes/values/TLCurrencyFormatter.h"
#include "Platform/foundation/InternalError.h"

namespace tallo {

namespace {

// Digits are refused once the magnitude passes this.
constexpr double kMaximumMagnitude = 10000000000.0;

}  // namespace

TLDecimalInput::TLDecimalInput() : decimal_(Decimal::zero()) { TLCurrencyFormatter::configure(formatter_); }

void TLDecimalInput::setCurrCode(const std::string& code) {
    currCode_ = code;
    formatter_.setCurrencyCode(code);
    int16_t digits = static_cast<int16_t>(formatter_.maximumFractionDigits());
    scale_ = digits;
    maximumScale_ = digits;
    if (decimal_) {
        decimal_ = cutScaleToDecimal(*decimal_, maximumScale_);
        if (isZero(*decimal_)) scale_ = 0;
    }
    pressedPoint_ = false;
}

void TLDecimalInput::setMaximumScale(int16_t scale) {
    formatter_.setMaximumFractionDigits(scale);
    maximumScale_ = scale;
}

void TLDecimalInput::setScale(int16_t scale) {
    scale_ = scale;
    setMaximumScale(scale);
}

void TLDecimalInput::setDecimal(std::optional<Decimal> value) {
    decimal_ = std::move(value);
    if (decimal_ && isZero(*decimal_) && !pressedPoint_) scale_ = 0;
}

void TLDecimalInput::setSavedDecimal(std::optional<Decimal> value) { savedDecimal_ = std::move(value); }

void TLDecimalInput::push(int digit) {
    if (clearOnPush_) {
        clearC();
        clearOnPush_ = false;
    }
    if (!decimal_) {
        InternalError::report("Decimal is nil, can't push!");
        return;
    }
    if (digit < 0 || digit > 9) return;
    if (scale_ >= maximumScale_ && scale_ != 0) return;
    double magnitude = decimal_->doubleValue();
    if (magnitude < 0) magnitude = -magnitude;
    if (magnitude > kMaximumMagnitude) return;

    if (pressedPoint_) ++scale_;
    bool wasNegative = CVCammon::isNegative(*decimal_);
    Decimal value = absolute(*decimal_);
    Decimal digitValue = Decimal(digit).divide(Decimal(1).multiplyByPowerOf10(scale_), this);
    if (pressedPoint_) {
        value = value + digitValue;
    } else {
        Decimal integerPart = cutScaleToDecimal(value, 0);
        Decimal fraction = value - integerPart;
        value = integerPart * Decimal(10) + digitValue + fraction;
    }
    decimal_ = wasNegative ? negative(value) : value;
    lastPressWasPussOrMinus_ = false;
}

void TLDecimalInput::point() {
    if (clearOnPush_) {
        clearC();
        clearOnPush_ = false;
    }
    pressedPoint_ = true;
}

void TLDecimalInput::pop() {
    if (!decimal_) {
        InternalError::report("Decimal is nil, can't pop!");
        return;
    }
    bool wasNegative = CVCammon::isNegative(*decimal_);
    Decimal value = absolute(*decimal_);
    if (scale_ == 0) {
        if (pressedPoint_) {
            pressedPoint_ = false;
        } else {
            value = cutScaleToDecimal(value.multiplyByPowerOf10(-1), 0);
        }
    } else {
        value = cutScaleToDecimal(value.multiplyByPowerOf10(-1), scale_).multiplyByPowerOf10(1);
        --scale_;
    }
    decimal_ = wasNegative ? negative(value) : value;
}

void TLDecimalInput::plus() { startOperation(kAdd); }

void TLDecimalInput::minus() { startOperation(kSubtract); }

void TLDecimalInput::startOperation(Operation operation) {
    clearOnPush_ = true;
    if (inputOperation_ != kNone && !lastPressWasPussOrMinus_) equal();
    inputOperation_ = operation;
    if (!lastPressWasPussOrMinus_) savedDecimal_ = decimal_;
    lastPressWasPussOrMinus_ = true;
}

void TLDecimalInput::equal() {
    clearOnPush_ = true;
    if (decimal_ && savedDecimal_) {
        if (inputOperation_ == kAdd) decimal_ = *savedDecimal_ + *decimal_;
        if (inputOperation_ == kSubtract) decimal_ = *savedDecimal_ - *decimal_;
    }
    savedDecimal_ = Decimal::zero();
    inputOperation_ = kNone;
    lastPressWasPussOrMinus_ = false;
}

void TLDecimalInput::clear() {
    clearC();
    savedDecimal_ = Decimal::zero();
}

void TLDecimalInput::clearC() {
    pressedPoint_ = false;
    decimal_ = Decimal::zero();
    scale_ = 0;
}

std::string TLDecimalInput::resultString() const {
    return formatter_.stringFromNumber(decimal_.value_or(Decimal::zero()));
}

Decimal TLDecimalInput::cutScaleToDecimal(const Decimal& value, int16_t scale) {
    // Truncation toward zero is rounding down for positive values and up for
    // negative ones. Exact for every value, not only those whose scaled
    // magnitude fits a 64-bit integer.
    return value.rounded(scale, value.isNegativeSign() ? RoundingMode::Up : RoundingMode::Down);
}

}  // namespace tallo
