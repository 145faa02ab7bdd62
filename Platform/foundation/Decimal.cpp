#include "Platform/foundation/Decimal.h"

// How every operation works: it first computes its exact result as
// (coefficient + fraction) × 10^exponent, where the fraction is only known to
// be zero or strictly between 0 and 1 (the "sticky" bit a division leaves), and
// then rounds that exact result once, in roundExact(). Small operands stay in
// unsigned __int128; anything wider (long products, far-apart exponents in an
// addition, long division) goes through cpp_int, so no operation ever rounds
// an intermediate.

#include <algorithm>
#include <array>
#include <bit>
#include <cassert>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <vector>

#include <boost/multiprecision/cpp_int.hpp>

namespace tallo {

namespace {

using u128 = unsigned __int128;
using BigInt = boost::multiprecision::cpp_int;

constexpr u128 kU64Max = std::numeric_limits<uint64_t>::max();
constexpr u128 kU128Max = ~u128(0);

constexpr std::array<u128, 39> makePowersOf10() {
    std::array<u128, 39> powers{};
    powers[0] = 1;
    for (size_t i = 1; i < powers.size(); ++i) powers[i] = powers[i - 1] * 10;
    return powers;
}

// 10^0 … 10^38; 10^38 is the first coefficient too long for a value.
constexpr std::array<u128, 39> kPow10 = makePowersOf10();
constexpr u128 kCoefficientLimit = kPow10[Decimal::kMaxDigits];

int bitWidth(u128 v) {
    auto high = static_cast<uint64_t>(v >> 64);
    return high ? 64 + std::bit_width(high) : std::bit_width(static_cast<uint64_t>(v));
}

// Number of decimal digits; 0 has none.
int64_t digitCount(u128 v) {
    // bits × log10(2) is the digit count or one less; one comparison decides.
    int estimate = bitWidth(v) * 1233 >> 12;
    return estimate + (v >= kPow10[estimate] ? 1 : 0);
}

BigInt toBig(u128 v) {
    BigInt big = static_cast<uint64_t>(v >> 64);
    big <<= 64;
    big |= static_cast<uint64_t>(v);
    return big;
}

// Only for values known to fit.
u128 toU128(const BigInt& v) {
    auto high = static_cast<uint64_t>(v >> 64);
    auto low = static_cast<uint64_t>(v & BigInt(std::numeric_limits<uint64_t>::max()));
    return (u128(high) << 64) | low;
}

const BigInt& bigPow10(int64_t n) {
    // Additions align exponents up to 255 apart, long divisions shift by about
    // 80 digits and no wide coefficient has more than about 300 digits; the
    // table covers all of that.
    static const std::vector<BigInt> table = [] {
        std::vector<BigInt> powers(512);
        powers[0] = 1;
        for (size_t i = 1; i < powers.size(); ++i) powers[i] = powers[i - 1] * 10;
        return powers;
    }();
    if (n < static_cast<int64_t>(table.size())) return table[static_cast<size_t>(n)];
    thread_local BigInt beyond;
    beyond = boost::multiprecision::pow(BigInt(10), static_cast<unsigned>(n));
    return beyond;
}

int64_t digitCount(const BigInt& v) {
    if (v == 0) return 0;
    int64_t estimate = (static_cast<int64_t>(boost::multiprecision::msb(v)) + 1) * 1233 >> 12;
    return estimate + (v >= bigPow10(estimate) ? 1 : 0);
}

bool isOdd(u128 v) { return (v & 1) != 0; }
bool isOdd(const BigInt& v) { return boost::multiprecision::bit_test(v, 0); }

// The exact value (coefficient + fraction) cut at `drop` digits: what is kept,
// how the cut part compares with half a unit of the kept part, and whether the
// cut part is non-zero at all.
template <class Int>
struct Split {
    Int kept;
    int halfOrder = -1;  // <0 below half, 0 exactly half, >0 above half
    bool inexact = false;
};

int orderAgainstHalf(int ordering, bool sticky) {
    // An exact half with more non-zero digits below it is above half.
    return ordering == 0 && sticky ? 1 : ordering;
}

Split<u128> splitAt(u128 coefficient, int64_t drop, bool sticky) {
    if (drop == 0) return {coefficient, -1, sticky};
    if (drop > Decimal::kMaxDigits) {
        // Everything is cut, and any 128-bit coefficient is below half of 10^39.
        return {0, -1, coefficient != 0 || sticky};
    }
    u128 unit = kPow10[drop];
    u128 kept;
    u128 rest;
    if (coefficient <= kU64Max && unit <= kU64Max) {
        kept = static_cast<uint64_t>(coefficient) / static_cast<uint64_t>(unit);
        rest = static_cast<uint64_t>(coefficient) % static_cast<uint64_t>(unit);
    } else {
        kept = coefficient / unit;
        rest = coefficient % unit;
    }
    u128 half = unit / 2;
    int ordering = rest < half ? -1 : (rest > half ? 1 : 0);
    return {kept, orderAgainstHalf(ordering, sticky), rest != 0 || sticky};
}

Split<BigInt> splitAt(const BigInt& coefficient, int64_t drop, bool sticky) {
    if (drop == 0) return {coefficient, -1, sticky};
    if (drop > digitCount(coefficient)) return {BigInt(0), -1, coefficient != 0 || sticky};
    BigInt unit = bigPow10(drop);
    BigInt kept;
    BigInt rest;
    boost::multiprecision::divide_qr(coefficient, unit, kept, rest);
    BigInt half = unit / 2;
    int ordering = rest < half ? -1 : (rest > half ? 1 : 0);
    return {std::move(kept), orderAgainstHalf(ordering, sticky), rest != 0 || sticky};
}

// Whether the magnitude kept after a cut goes up by one unit.
template <class Int>
bool roundsAwayFromZero(RoundingMode mode, bool negative, const Split<Int>& split) {
    if (!split.inexact) return false;
    switch (mode) {
        case RoundingMode::Down: return negative;
        case RoundingMode::Up: return !negative;
        case RoundingMode::Bankers: return split.halfOrder > 0 || (split.halfOrder == 0 && isOdd(split.kept));
        case RoundingMode::Plain: break;
    }
    return split.halfOrder >= 0;
}

// Where an operation's result is cut: at the behaviour's scale (when it has
// one), at 38 significant digits, and never below `minExponent`, whichever
// keeps the fewest digits.
struct Cut {
    bool hasScale = false;
    int64_t scaleExponent = 0;  // the lowest power of ten the scale keeps, −scale
    RoundingMode mode = RoundingMode::Plain;
    int64_t minExponent = Decimal::kMinExponent;
};

Cut plainCut() { return Cut{}; }

Cut cutFor(const DecimalBehavior* behavior) {
    Cut cut;
    if (!behavior) return cut;
    int16_t scale = behavior->scale();
    cut.hasScale = scale != DecimalBehavior::kNoScale;
    cut.scaleExponent = -static_cast<int64_t>(scale);
    cut.mode = behavior->roundingMode();
    return cut;
}

Cut scaleCut(int scale, RoundingMode mode) {
    Cut cut;
    cut.hasScale = true;
    cut.scaleExponent = -static_cast<int64_t>(scale);
    cut.mode = mode;
    return cut;
}

// An operation's rounded result: compact, with its exponent not yet checked
// against the lower limit when the cut allows lower, and the one error to
// report (the gravest, when several apply).
struct Rounded {
    bool negative = false;
    u128 coefficient = 0;
    int64_t exponent = 0;
    std::optional<DecimalError> error;
};

Rounded failure(DecimalError error) {
    Rounded rounded;
    rounded.error = error;
    return rounded;
}

int64_t stripTrailingZeros(u128& coefficient) {
    int64_t stripped = 0;
    if (coefficient == 0) return 0;
    while (coefficient > kU64Max && coefficient % 10 == 0) {
        coefficient /= 10;
        ++stripped;
    }
    if (coefficient <= kU64Max) {
        auto small = static_cast<uint64_t>(coefficient);
        while (small % 10 == 0) {
            small /= 10;
            ++stripped;
        }
        coefficient = small;
    }
    return stripped;
}

int64_t precisionDrop(u128 coefficient) { return coefficient >= kCoefficientLimit ? 1 : 0; }
int64_t precisionDrop(const BigInt& coefficient) {
    return std::max<int64_t>(0, digitCount(coefficient) - Decimal::kMaxDigits);
}

u128 narrow(u128 v) { return v; }
u128 narrow(const BigInt& v) { return toU128(v); }
BigInt widen(u128 v) { return toBig(v); }
const BigInt& widen(const BigInt& v) { return v; }

// Rounds an exact result once. `sticky` says a non-zero fraction lies below
// the coefficient's last digit; callers then make sure the cut drops at least
// one digit, so the fraction always falls into the cut part.
//
// LossOfPrecision is reported when the digit limit or the exponent floor, not
// the behaviour's scale, changed the result: that is, when the result differs
// from the exact value rounded to the scale alone. Underflow is a non-zero
// exact value the floor (not the scale) turned into zero.
template <class Int>
Rounded roundExact(bool negative, const Int& coefficient, int64_t exponent, bool sticky, const Cut& cut) {
    // One result object for every path, so it is built in place.
    Rounded rounded;
    if (coefficient == 0 && !sticky) return rounded;

    int64_t scaleDrop = cut.hasScale ? std::max<int64_t>(0, cut.scaleExponent - exponent) : 0;
    int64_t drop = std::max({scaleDrop, precisionDrop(coefficient), std::max<int64_t>(0, cut.minExponent - exponent)});
    assert(drop > 0 || !sticky);

    Split<Int> split = splitAt(coefficient, drop, sticky);
    u128 kept = narrow(split.kept) + (roundsAwayFromZero(cut.mode, negative, split) ? 1 : 0);

    bool lost = false;
    bool scaledNonZero = true;
    if (drop > scaleDrop && split.inexact) {
        if (scaleDrop == 0) {
            // The scale keeps every digit computed. Without a sticky fraction
            // it keeps the exact value, which the result is not. With one,
            // the scale lies at least k digits below the last digit for a
            // divisor of k digits (divideExact() computes the digits down to
            // any scale above that): the exact quotient is more than 10^-k
            // units away from every result, and rounding it to the scale moves
            // it by less than that, so the scale alone cannot give the result.
            lost = true;
        } else {
            Split<Int> scaled = splitAt(coefficient, scaleDrop, sticky);
            BigInt atScale = widen(scaled.kept);
            if (roundsAwayFromZero(cut.mode, negative, scaled)) ++atScale;
            scaledNonZero = atScale != 0;
            int64_t finer = drop - scaleDrop;  // digits the scale kept and the result did not
            if (kept == 0) {
                lost = scaledNonZero;
            } else if (finer > digitCount(atScale)) {
                lost = true;  // kept × 10^finer has more digits than the scaled value
            } else {
                lost = atScale != toBig(kept) * bigPow10(finer);
            }
        }
    }

    if (kept == 0) {
        if (lost && scaledNonZero) rounded.error = DecimalError::Underflow;
        return rounded;
    }
    int64_t finalExponent = exponent + drop + stripTrailingZeros(kept);
    if (finalExponent > Decimal::kMaxExponent) {
        rounded.error = DecimalError::Overflow;
        return rounded;
    }
    rounded.negative = negative;
    rounded.exponent = finalExponent;
    rounded.coefficient = kept;
    if (lost) rounded.error = DecimalError::LossOfPrecision;
    return rounded;
}

struct Term {
    bool negative;
    u128 coefficient;
    int64_t exponent;
};

// a + b, exactly, then rounded.
Rounded addExact(const Term& a, const Term& b, const Cut& cut) {
    if (b.coefficient == 0) return roundExact(a.negative, a.coefficient, a.exponent, false, cut);
    if (a.coefficient == 0) return roundExact(b.negative, b.coefficient, b.exponent, false, cut);

    const Term& high = a.exponent >= b.exponent ? a : b;  // the one with the larger exponent
    const Term& low = a.exponent >= b.exponent ? b : a;
    int64_t shift = high.exponent - low.exponent;

    if (shift <= Decimal::kMaxDigits && high.coefficient < kPow10[Decimal::kMaxDigits - shift]) {
        // Both aligned terms stay below 10^38, so their sum fits in 128 bits.
        u128 aligned = high.coefficient * kPow10[shift];
        if (high.negative == low.negative) {
            return roundExact(high.negative, aligned + low.coefficient, low.exponent, false, cut);
        }
        if (aligned >= low.coefficient) {
            return roundExact(high.negative, aligned - low.coefficient, low.exponent, false, cut);
        }
        return roundExact(low.negative, low.coefficient - aligned, low.exponent, false, cut);
    }

    BigInt aligned = toBig(high.coefficient) * bigPow10(shift);
    BigInt other = toBig(low.coefficient);
    if (high.negative == low.negative) {
        return roundExact(high.negative, BigInt(aligned + other), low.exponent, false, cut);
    }
    if (aligned >= other) return roundExact(high.negative, BigInt(aligned - other), low.exponent, false, cut);
    return roundExact(low.negative, BigInt(other - aligned), low.exponent, false, cut);
}

Rounded multiplyExact(const Term& a, const Term& b, const Cut& cut) {
    bool negative = a.negative != b.negative;
    int64_t exponent = a.exponent + b.exponent;
    if (a.coefficient <= kU64Max && b.coefficient <= kU64Max) {
        return roundExact(negative, a.coefficient * b.coefficient, exponent, false, cut);
    }
    return roundExact(negative, BigInt(toBig(a.coefficient) * toBig(b.coefficient)), exponent, false, cut);
}

// a / b: the quotient is computed to just enough digits that the cut drops at
// least one of them (39 significant digits, or one digit below the scale when
// that is fewer), and the remainder becomes the sticky bit.
Rounded divideExact(const Term& a, const Term& b, const Cut& cut) {
    if (b.coefficient == 0) return failure(DecimalError::DivideByZero);
    if (a.coefficient == 0) return Rounded{};

    bool negative = a.negative != b.negative;
    int64_t dividendDigits = digitCount(a.coefficient);
    int64_t divisorDigits = digitCount(b.coefficient);
    // a × 10^shift / b has 39 or 40 digits.
    int64_t shift = Decimal::kMaxDigits + 1 + divisorDigits - dividendDigits;
    if (cut.hasScale) {
        // One digit below the scale; no point in shifting the divisor past the
        // dividend (the quotient is then zero with a sticky remainder either way).
        int64_t scaleShift = a.exponent - b.exponent - (cut.scaleExponent - 1);
        shift = std::min(shift, std::max(scaleShift, -(dividendDigits + 1)));
    }
    int64_t exponent = a.exponent - b.exponent - shift;
    if (cut.hasScale && cut.scaleExponent <= exponent && cut.scaleExponent > exponent - divisorDigits) {
        // Whether the scale alone would round to the same result depends on
        // quotient digits down to the scale: compute them. A scale further
        // down needs none, see roundExact().
        shift += exponent - cut.scaleExponent + 1;
        exponent = cut.scaleExponent - 1;
    }

    if (shift >= 0 && shift <= Decimal::kMaxDigits && a.coefficient <= kU128Max / kPow10[shift]) {
        u128 dividend = a.coefficient * kPow10[shift];
        if (dividend <= kU64Max && b.coefficient <= kU64Max) {
            auto n = static_cast<uint64_t>(dividend);
            auto d = static_cast<uint64_t>(b.coefficient);
            return roundExact(negative, u128(n / d), exponent, n % d != 0, cut);
        }
        return roundExact(negative, dividend / b.coefficient, exponent, dividend % b.coefficient != 0, cut);
    }
    if (shift < 0 && -shift <= Decimal::kMaxDigits && b.coefficient <= kU128Max / kPow10[-shift]) {
        u128 divisor = b.coefficient * kPow10[-shift];
        return roundExact(negative, a.coefficient / divisor, exponent, a.coefficient % divisor != 0, cut);
    }

    BigInt dividend = toBig(a.coefficient);
    BigInt divisor = toBig(b.coefficient);
    if (shift >= 0) {
        dividend *= bigPow10(shift);
    } else {
        divisor *= bigPow10(-shift);
    }
    BigInt quotient;
    BigInt remainder;
    boost::multiprecision::divide_qr(dividend, divisor, quotient, remainder);
    return roundExact(negative, quotient, exponent, remainder != 0, cut);
}

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool equalsIgnoringCase(std::string_view text, std::string_view word) {
    if (text.size() != word.size()) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != word[i]) return false;
    }
    return true;
}

std::string unexpectedCharacter(char c, size_t position) {
    char text[64];
    auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7f) {
        std::snprintf(text, sizeof text, "unexpected character '%c' at %zu", c, position);
    } else {
        std::snprintf(text, sizeof text, "unexpected byte 0x%02x at %zu", byte, position);
    }
    return text;
}

// "12.50" read: its significant digits (at most 40: beyond that only
// whether anything non-zero follows matters, and 40 digits and that bit
// round to 38 exactly as all of them would), the power of ten of the last
// kept digit, and the sign.
struct DecimalText {
    bool negative = false;
    std::string digits;
    bool sticky = false;
    int64_t exponent = 0;
};

std::string readSignificand(std::string_view text, size_t& i, size_t end, DecimalText& number) {
    constexpr size_t kKeptDigits = Decimal::kMaxDigits + 2;
    bool sawDigit = false;
    bool sawPoint = false;
    for (; i < end; ++i) {
        char c = text[i];
        if (c == '.') {
            if (sawPoint) return unexpectedCharacter(c, i);
            sawPoint = true;
            continue;
        }
        if (!isDigit(c)) break;
        sawDigit = true;
        if (number.digits.empty() && c == '0') {
            if (sawPoint) --number.exponent;
        } else if (number.digits.size() < kKeptDigits) {
            number.digits.push_back(c);
            if (sawPoint) --number.exponent;
        } else {
            number.sticky = number.sticky || c != '0';
            if (!sawPoint) ++number.exponent;
        }
    }
    if (sawDigit) return "";
    if (i < end) return unexpectedCharacter(text[i], i);
    return "expected a digit at " + std::to_string(i);
}

// An optional "e-12" or "E+3", added to `exponent`.
std::string readExponent(std::string_view text, size_t& i, size_t end, int64_t& exponent) {
    if (i >= end || (text[i] != 'e' && text[i] != 'E')) return "";
    ++i;
    bool negative = false;
    if (i < end && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    size_t start = i;
    int64_t written = 0;
    for (; i < end && isDigit(text[i]); ++i) {
        // Anything this far out is out of range anyway; stop before int64 ends.
        written = std::min<int64_t>(written * 10 + (text[i] - '0'), int64_t(1) << 40);
    }
    if (i == start) {
        if (i < end) return unexpectedCharacter(text[i], i);
        return "expected exponent digits at " + std::to_string(i);
    }
    exponent += negative ? -written : written;
    return "";
}

// Writes the digits of v backwards, ending just before `end`; returns where they start.
char* writeDigits(u128 v, char* end) {
    char* p = end;
    do {
        // Peel off 19 digits at a time so most of the work is 64-bit division.
        auto chunk = static_cast<uint64_t>(v % kPow10[19]);
        v /= kPow10[19];
        for (int i = 0; i < 19 && (chunk != 0 || v != 0); ++i) {
            *--p = static_cast<char>('0' + chunk % 10);
            chunk /= 10;
        }
    } while (v != 0);
    if (p == end) *--p = '0';
    return p;
}

// "<digits>e<exponent>", which strtod and strtof read the same in every locale.
void scientificText(u128 coefficient, int exponent, bool negative, char* out, size_t size) {
    char digits[48];
    char* end = digits + sizeof digits - 1;
    *end = '\0';
    char* start = writeDigits(coefficient, end);
    std::snprintf(out, size, "%s%se%d", negative ? "-" : "", start, exponent);
}

}  // namespace

struct Decimal::Internal {
    static std::optional<Decimal> roundParsed(const DecimalText& number, std::string* error);

    static Decimal make(const Rounded& rounded) {
        Decimal value;
        if (rounded.coefficient == 0) return value;
        value.setSignificand(rounded.coefficient);
        value.exponent_ = static_cast<int16_t>(rounded.exponent);
        value.negative_ = rounded.negative;
        return value;
    }

    // Hands an error to the behaviour; its answer replaces the result.
    // Without an answer, a rounded result stands and the other errors give NaN.
    static Decimal settle(const Rounded& rounded, DecimalBehavior* behavior, DecimalOperation operation,
                          const Decimal& left, const Decimal* right) {
        if (rounded.error) {
            if (behavior) {
                if (auto answer = behavior->exceptionDuringOperation(operation, *rounded.error, left, right)) {
                    return *answer;
                }
            }
            if (*rounded.error != DecimalError::LossOfPrecision) return notANumber();
        }
        return make(rounded);
    }

    static Term term(const Decimal& value, bool negate = false) {
        return Term{value.negative_ != negate, value.significand(), value.exponent_};
    }
};

Decimal::Decimal(long long value) {
    if (value == 0) return;
    negative_ = value < 0;
    uint64_t magnitude = negative_ ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    int16_t exponent = 0;
    while (magnitude % 10 == 0) {
        magnitude /= 10;
        ++exponent;
    }
    setSignificand(magnitude);
    exponent_ = exponent;
}

Decimal::Decimal(unsigned __int128 significand, int exponent, bool negative) {
    *this = Internal::settle(roundExact(negative, significand, exponent, false, plainCut()), nullptr,
                             DecimalOperation::Round, *this, nullptr);
}

Decimal Decimal::zero() { return Decimal(); }

Decimal Decimal::one() { return Decimal(1LL); }

Decimal Decimal::notANumber() {
    Decimal value;
    value.nan_ = true;
    return value;
}

// Text is read in steps — spaces and sign, the significand, the exponent —
// each answering "" or what is wrong at which position; then rounded once.
std::optional<Decimal> Decimal::fromString(std::string_view text, std::string* error) {
    auto fail = [error](std::string message) -> std::optional<Decimal> {
        if (error) *error = std::move(message);
        return std::nullopt;
    };
    size_t i = 0;
    size_t end = text.size();
    while (i < end && isSpace(text[i])) ++i;
    while (end > i && isSpace(text[end - 1])) --end;
    if (i == end) return fail("empty text");
    if (equalsIgnoringCase(text.substr(i, end - i), "nan")) return notANumber();

    DecimalText number;
    if (text[i] == '+' || text[i] == '-') {
        number.negative = text[i] == '-';
        ++i;
    }
    if (std::string problem = readSignificand(text, i, end, number); !problem.empty()) return fail(problem);
    if (std::string problem = readExponent(text, i, end, number.exponent); !problem.empty()) return fail(problem);
    if (i < end) return fail(unexpectedCharacter(text[i], i));
    if (number.digits.empty()) return Decimal();
    return Internal::roundParsed(number, error);
}

// Rounds to 38 digits but keeps any exponent, so that text needing digits
// below 10^-128 is refused rather than rounded away.
std::optional<Decimal> Decimal::Internal::roundParsed(const DecimalText& number, std::string* error) {
    Cut cut = plainCut();
    cut.minExponent = std::numeric_limits<int64_t>::min() / 4;
    Rounded rounded;
    if (number.digits.size() <= static_cast<size_t>(Decimal::kMaxDigits)) {
        u128 coefficient = 0;
        for (char c : number.digits) coefficient = coefficient * 10 + static_cast<unsigned>(c - '0');
        rounded = roundExact(number.negative, coefficient, number.exponent, number.sticky, cut);
    } else {
        BigInt coefficient = 0;
        for (char c : number.digits) coefficient = coefficient * 10 + static_cast<unsigned>(c - '0');
        rounded = roundExact(number.negative, coefficient, number.exponent, number.sticky, cut);
    }
    std::string problem;
    if (rounded.error == DecimalError::Overflow) problem = "number too large: exponent above 127";
    if (rounded.coefficient != 0 && rounded.exponent < Decimal::kMinExponent) problem = "number too small: digits below 10^-128";
    if (!problem.empty()) {
        if (error) *error = problem;
        return std::nullopt;
    }
    return Internal::make(rounded);
}

std::string Decimal::toString() const {
    if (nan_) return "NaN";
    char buffer[48];
    char* end = buffer + sizeof buffer;
    char* start = writeDigits(significand(), end);
    std::string_view digits(start, static_cast<size_t>(end - start));

    std::string text;
    if (negative_) text.push_back('-');
    if (exponent_ >= 0) {
        text.append(digits);
        text.append(static_cast<size_t>(exponent_), '0');
        return text;
    }
    auto fraction = static_cast<size_t>(-exponent_);
    if (digits.size() > fraction) {
        text.append(digits.substr(0, digits.size() - fraction));
        text.push_back('.');
        text.append(digits.substr(digits.size() - fraction));
    } else {
        text.append("0.");
        text.append(fraction - digits.size(), '0');
        text.append(digits);
    }
    return text;
}

Decimal Decimal::add(const Decimal& other, DecimalBehavior* behavior) const {
    if (nan_ || other.nan_) return notANumber();
    return Internal::settle(addExact(Internal::term(*this), Internal::term(other), cutFor(behavior)), behavior,
                            DecimalOperation::Add, *this, &other);
}

Decimal Decimal::subtract(const Decimal& other, DecimalBehavior* behavior) const {
    if (nan_ || other.nan_) return notANumber();
    return Internal::settle(addExact(Internal::term(*this), Internal::term(other, true), cutFor(behavior)),
                            behavior, DecimalOperation::Subtract, *this, &other);
}

Decimal Decimal::multiply(const Decimal& other, DecimalBehavior* behavior) const {
    if (nan_ || other.nan_) return notANumber();
    return Internal::settle(multiplyExact(Internal::term(*this), Internal::term(other), cutFor(behavior)),
                            behavior, DecimalOperation::Multiply, *this, &other);
}

Decimal Decimal::divide(const Decimal& other, DecimalBehavior* behavior) const {
    if (nan_ || other.nan_) return notANumber();
    return Internal::settle(divideExact(Internal::term(*this), Internal::term(other), cutFor(behavior)), behavior,
                            DecimalOperation::Divide, *this, &other);
}

Decimal Decimal::multiplyByPowerOf10(int16_t power, DecimalBehavior* behavior) const {
    if (nan_) return notANumber();
    Rounded rounded = roundExact(negative_, significand(), int64_t(exponent_) + power, false, cutFor(behavior));
    return Internal::settle(rounded, behavior, DecimalOperation::MultiplyByPowerOf10, *this, nullptr);
}

Decimal Decimal::round(DecimalBehavior* behavior) const {
    if (nan_ || !behavior) return *this;
    Rounded rounded = roundExact(negative_, significand(), exponent_, false, cutFor(behavior));
    return Internal::settle(rounded, behavior, DecimalOperation::Round, *this, nullptr);
}

Decimal Decimal::rounded(int scale, RoundingMode mode) const {
    if (nan_) return *this;
    Rounded rounded = roundExact(negative_, significand(), exponent_, false, scaleCut(scale, mode));
    return Internal::settle(rounded, nullptr, DecimalOperation::Round, *this, nullptr);
}

std::strong_ordering Decimal::compare(const Decimal& other) const {
    if (nan_ || other.nan_) {
        if (nan_ && other.nan_) return std::strong_ordering::equal;
        return nan_ ? std::strong_ordering::less : std::strong_ordering::greater;
    }
    auto signOf = [](const Decimal& d) { return d.significand() == 0 ? 0 : (d.negative_ ? -1 : 1); };
    int sign = signOf(*this);
    if (sign != signOf(other)) return sign <=> signOf(other);
    if (sign == 0) return std::strong_ordering::equal;

    // Compact coefficients have no leading zeros, so the position of the
    // leading digit orders the magnitudes unless it is the same.
    int64_t top = exponent_ + digitCount(significand());
    int64_t otherTop = other.exponent_ + digitCount(other.significand());
    std::strong_ordering magnitude = top <=> otherTop;
    if (magnitude == 0) {
        // Same leading position: aligning to the lower exponent keeps both
        // within 38 digits.
        u128 mine = significand();
        u128 theirs = other.significand();
        if (exponent_ > other.exponent_) mine *= kPow10[exponent_ - other.exponent_];
        if (other.exponent_ > exponent_) theirs *= kPow10[other.exponent_ - exponent_];
        magnitude = mine <=> theirs;
    }
    return sign > 0 ? magnitude : 0 <=> magnitude;
}

float Decimal::floatValue() const {
    if (nan_) return std::numeric_limits<float>::quiet_NaN();
    if (significand() == 0) return 0.0f;
    // Both the coefficient and the power of ten are exact floats here, so one
    // correctly rounded operation gives the correctly rounded value.
    static constexpr float kExact[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
    if (significand() < (u128(1) << 24) && exponent_ >= -10 && exponent_ <= 10) {
        auto v = static_cast<float>(static_cast<uint32_t>(significand()));
        v = exponent_ >= 0 ? v * kExact[exponent_] : v / kExact[-exponent_];
        return negative_ ? -v : v;
    }
    char text[64];
    scientificText(significand(), exponent_, negative_, text, sizeof text);
    return std::strtof(text, nullptr);
}

double Decimal::doubleValue() const {
    if (nan_) return std::numeric_limits<double>::quiet_NaN();
    if (significand() == 0) return 0.0;
    static constexpr double kExact[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                        1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    if (significand() < (u128(1) << 53) && exponent_ >= -22 && exponent_ <= 22) {
        auto v = static_cast<double>(static_cast<uint64_t>(significand()));
        v = exponent_ >= 0 ? v * kExact[exponent_] : v / kExact[-exponent_];
        return negative_ ? -v : v;
    }
    char text[64];
    scientificText(significand(), exponent_, negative_, text, sizeof text);
    return std::strtod(text, nullptr);
}

long long Decimal::longLongValue() const {
    if (nan_ || significand() == 0) return 0;
    constexpr u128 kLimit = u128(1) << 63;  // |LLONG_MIN|
    u128 magnitude;
    if (exponent_ >= 0) {
        if (exponent_ > 19 || significand() > kLimit / kPow10[exponent_]) {
            magnitude = kLimit + 1;  // saturates below
        } else {
            magnitude = significand() * kPow10[exponent_];
        }
    } else {
        magnitude = -exponent_ > kMaxDigits ? 0 : significand() / kPow10[-exponent_];
    }
    if (negative_) return magnitude >= kLimit ? LLONG_MIN : -static_cast<long long>(magnitude);
    return magnitude >= kLimit ? LLONG_MAX : static_cast<long long>(magnitude);
}

}  // namespace tallo
