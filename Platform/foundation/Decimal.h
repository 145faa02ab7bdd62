#pragma once
// Decimal: the exact base-10 number every amount, balance, limit and rate is
// kept in. Never a floating-point number.
//
// A value is sign × significand × 10^exponent with a significand of at most
// 38 decimal digits and an exponent in −128…127, or the distinct value
// not-a-number (NaN). Values are immutable and cheap to copy; every operation
// returns a new value. Values are kept compact (no trailing zeros in the
// significand), so 12.50 and 12.5 are the same value with the same text.
//
// Every operation computes its exact result and rounds it once, at the
// coarsest of: the behaviour's scale (when it is given one and it is not
// kNoScale), the 38th significant digit, and 10^−128; by the behaviour's
// rounding mode (plain without a behaviour).
//
// Errors never throw and never crash; an operation reports at most one, the
// gravest:
//   - a result the 38-digit limit or exponent −128 rounded (not the scale: a
//     result equal to the exact value rounded to the scale lost nothing)
//     reports LossOfPrecision to the behaviour;
//   - division by zero, overflow (exponent above 127 after compaction) and
//     underflow (a non-zero result that exponent −128 would make zero) are
//     reported to the behaviour and, without one, give NaN;
//   - the behaviour's answer replaces the result; no answer lets the computed
//     result stand (for DivideByZero, Overflow and Underflow that is NaN).
//   - any operation with a NaN operand gives NaN and reports nothing.
//
// Rounding to a scale, by example (scale 2):
//   mode Plain   (halves away from zero):  1.235 → 1.24   −1.235 → −1.24
//   mode Down    (toward −infinity):        1.239 → 1.23   −1.231 → −1.24
//   mode Up      (toward +infinity):        1.231 → 1.24   −1.239 → −1.23
//   mode Bankers (halves to even digit):    1.225 → 1.22    1.235 → 1.24
// A value with fewer fractional digits than the scale is left as it is: the
// scale caps, it does not pad (7 stays 7, 2.5 stays 2.5).

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tallo {

enum class RoundingMode : int { Plain = 0, Down = 1, Up = 2, Bankers = 3 };

enum class DecimalError : int { LossOfPrecision = 1, Underflow = 2, Overflow = 3, DivideByZero = 4 };

enum class DecimalOperation : int { Add, Subtract, Multiply, Divide, MultiplyByPowerOf10, Round };

class Decimal;

// What an operation consults when it is given a behaviour: the scale the
// result keeps, the rounding mode, and a hook for errors. A scale of
// kNoScale means "no rounding to a scale" (only the 38-digit limit applies).
class DecimalBehavior {
public:
    static constexpr int16_t kNoScale = INT16_MAX;

    virtual ~DecimalBehavior() = default;
    virtual int16_t scale() const = 0;
    virtual RoundingMode roundingMode() const = 0;
    // Called with the operation, the error and both operands (`right` is
    // nullptr for one-operand operations). A value replaces the result;
    // std::nullopt lets the computed result stand.
    virtual std::optional<Decimal> exceptionDuringOperation(DecimalOperation operation, DecimalError error,
                                                            const Decimal& left, const Decimal* right) = 0;
};

class Decimal {
public:
    static constexpr int kMaxDigits = 38;
    static constexpr int kMinExponent = -128;
    static constexpr int kMaxExponent = 127;

    // Zero.
    Decimal() = default;
    // An exact integer.
    explicit Decimal(long long value);
    // significand × 10^exponent, negated when `negative`. A significand of more
    // than 38 digits or an exponent out of range is rounded/reported as the
    // arithmetic would be, without a behaviour (so it may give NaN).
    Decimal(unsigned __int128 significand, int exponent, bool negative);

    static Decimal zero();
    static Decimal one();
    static Decimal notANumber();

    // Parses decimal text: optional sign, digits with an optional '.', an
    // optional exponent ("1.5e-3", "-12.345", ".5", "5."), or "NaN". Leading
    // and trailing white space is allowed; anything else is an error, reported
    // in `error` when given ("unexpected character 'x' at 3", counting bytes
    // from 0). More than 38 significant digits are rounded (plain); a value
    // out of range (exponent above 127, or digits below 10^−128) is an error.
    static std::optional<Decimal> fromString(std::string_view text, std::string* error = nullptr);
    // Plain decimal text without exponent: "-12.5", "0.001", "1200", "NaN".
    std::string toString() const;

    bool isNaN() const { return nan_; }
    bool isNegativeSign() const { return negative_; }  // the sign flag; 0 is never negative
    unsigned __int128 significand() const { return (static_cast<unsigned __int128>(high_) << 64) | low_; }
    int exponent() const { return exponent_; }

    Decimal add(const Decimal& other, DecimalBehavior* behavior = nullptr) const;
    Decimal subtract(const Decimal& other, DecimalBehavior* behavior = nullptr) const;
    Decimal multiply(const Decimal& other, DecimalBehavior* behavior = nullptr) const;
    Decimal divide(const Decimal& other, DecimalBehavior* behavior = nullptr) const;
    Decimal multiplyByPowerOf10(int16_t power, DecimalBehavior* behavior = nullptr) const;
    // Rounds to `behavior`'s scale with its mode (no behaviour: unchanged).
    Decimal round(DecimalBehavior* behavior) const;
    // Rounds to `scale` fractional digits with `mode`, reporting nothing.
    Decimal rounded(int scale, RoundingMode mode) const;

    // Numeric order: 1.50 == 1.5. NaN equals NaN and sorts before every number.
    std::strong_ordering compare(const Decimal& other) const;
    bool isEqualToNumber(const Decimal& other) const { return compare(other) == 0; }

    float floatValue() const;
    double doubleValue() const;
    // Truncated toward zero; saturates at the 64-bit limits; NaN gives 0.
    long long longLongValue() const;

    friend Decimal operator+(const Decimal& a, const Decimal& b) { return a.add(b); }
    friend Decimal operator-(const Decimal& a, const Decimal& b) { return a.subtract(b); }
    friend Decimal operator*(const Decimal& a, const Decimal& b) { return a.multiply(b); }
    friend Decimal operator/(const Decimal& a, const Decimal& b) { return a.divide(b); }
    friend bool operator==(const Decimal& a, const Decimal& b) { return a.compare(b) == 0; }
    friend std::strong_ordering operator<=>(const Decimal& a, const Decimal& b) { return a.compare(b); }

private:
    struct Internal;  // the arithmetic's helpers that build values, in Decimal.cpp

    void setSignificand(unsigned __int128 value) {
        low_ = static_cast<uint64_t>(value);
        high_ = static_cast<uint64_t>(value >> 64);
    }

    // The significand in two halves rather than one __int128, so a Decimal
    // needs 8-byte alignment and 24 bytes, not 16 and 32: stored objects
    // hold one per amount.
    uint64_t low_ = 0;
    uint64_t high_ = 0;
    int16_t exponent_ = 0;
    bool negative_ = false;
    bool nan_ = false;
};

}  // namespace tallo
