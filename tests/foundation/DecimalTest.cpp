#include "Platform/foundation/Decimal.h"

#include <gtest/gtest.h>

#include <boost/multiprecision/cpp_int.hpp>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace tallo {
namespace {

Decimal dec(std::string_view text) {
    std::string error;
    auto value = Decimal::fromString(text, &error);
    EXPECT_TRUE(value.has_value()) << "'" << text << "': " << error;
    return value.value_or(Decimal::notANumber());
}

const char* name(DecimalOperation operation) {
    const char* names[] = {"Add", "Subtract", "Multiply", "Divide", "MultiplyByPowerOf10", "Round"};
    return names[static_cast<int>(operation)];
}

const char* name(DecimalError error) {
    const char* names[] = {"", "LossOfPrecision", "Underflow", "Overflow", "DivideByZero"};
    return names[static_cast<int>(error)];
}

const char* name(RoundingMode mode) {
    const char* names[] = {"Plain", "Down", "Up", "Bankers"};
    return names[static_cast<int>(mode)];
}

// A behaviour that writes down every error it is told about, one line a call
// ("Divide DivideByZero 5 0"), and answers each with `answer`.
class RecordingBehavior : public DecimalBehavior {
public:
    RecordingBehavior(int16_t scale, RoundingMode mode, std::optional<Decimal> answer = std::nullopt)
        : scale_(scale), mode_(mode), answer_(answer) {}

    int16_t scale() const override { return scale_; }
    RoundingMode roundingMode() const override { return mode_; }
    std::optional<Decimal> exceptionDuringOperation(DecimalOperation operation, DecimalError error,
                                                    const Decimal& left, const Decimal* right) override {
        if (!log.empty()) log += "\n";
        log += std::string(name(operation)) + " " + name(error) + " " + left.toString() + " " +
               (right ? right->toString() : "none");
        errors.push_back(error);
        return answer_;
    }

    std::string log;
    std::vector<DecimalError> errors;

private:
    int16_t scale_;
    RoundingMode mode_;
    std::optional<Decimal> answer_;
};

// The system's two behaviours: two places rounded up and letting results
// stand, and the keypad's, which answers every error with zero.
RecordingBehavior twoPlacesUp() { return RecordingBehavior(2, RoundingMode::Up); }
RecordingBehavior keypad(int16_t scale) { return RecordingBehavior(scale, RoundingMode::Plain, Decimal::zero()); }
RecordingBehavior unscaled(RoundingMode mode) { return RecordingBehavior(DecimalBehavior::kNoScale, mode); }

std::string zeros(size_t count) { return std::string(count, '0'); }

// ---------------------------------------------------------------- rounding

TEST(DecimalRounding, EachModeAtTwoPlacesFollowsTheTable) {
    struct Case {
        RoundingMode mode;
        const char* value;
        const char* rounded;
    };
    const Case cases[] = {
        {RoundingMode::Plain, "1.235", "1.24"},    {RoundingMode::Plain, "-1.235", "-1.24"},
        {RoundingMode::Plain, "1.234", "1.23"},    {RoundingMode::Plain, "-1.2349", "-1.23"},
        {RoundingMode::Down, "1.239", "1.23"},     {RoundingMode::Down, "-1.231", "-1.24"},
        {RoundingMode::Down, "-1.230", "-1.23"},   {RoundingMode::Up, "1.231", "1.24"},
        {RoundingMode::Up, "-1.239", "-1.23"},     {RoundingMode::Up, "1.2300", "1.23"},
        {RoundingMode::Bankers, "1.225", "1.22"},  {RoundingMode::Bankers, "1.235", "1.24"},
        {RoundingMode::Bankers, "-1.225", "-1.22"}, {RoundingMode::Bankers, "1.2251", "1.23"},
        {RoundingMode::Bankers, "0.995", "1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(name(c.mode)) + " " + c.value);
        EXPECT_EQ(dec(c.value).rounded(2, c.mode).toString(), c.rounded);
        RecordingBehavior behavior(2, c.mode);
        EXPECT_EQ(dec(c.value).round(&behavior).toString(), c.rounded);
        EXPECT_EQ(behavior.log, "") << "rounding to the scale is not an error";
    }
}

TEST(DecimalRounding, TwoPlacesUpwardRoundsTowardPlusInfinityAndNeverPads) {
    auto behavior = twoPlacesUp();
    EXPECT_EQ(dec("1.231").round(&behavior).toString(), "1.24");
    EXPECT_EQ(dec("1.230").round(&behavior).toString(), "1.23");
    EXPECT_EQ(dec("-1.239").round(&behavior).toString(), "-1.23");
    EXPECT_EQ(dec("7").round(&behavior).toString(), "7");
    EXPECT_EQ(dec("2.5").round(&behavior).toString(), "2.5");
    EXPECT_EQ(dec("-0.001").round(&behavior).toString(), "0");
    EXPECT_FALSE(dec("-0.001").round(&behavior).isNegativeSign());
    EXPECT_EQ(behavior.log, "");
    EXPECT_EQ(dec("1.231").round(nullptr).toString(), "1.231") << "no behaviour, no rounding";
}

TEST(DecimalRounding, ScalesCountFromTheDecimalPointInBothDirections) {
    EXPECT_EQ(dec("1250").rounded(-2, RoundingMode::Plain).toString(), "1300");
    EXPECT_EQ(dec("1250").rounded(-2, RoundingMode::Bankers).toString(), "1200");
    EXPECT_EQ(dec("1250").rounded(-2, RoundingMode::Down).toString(), "1200");
    EXPECT_EQ(dec("0.000049").rounded(4, RoundingMode::Plain).toString(), "0");
    EXPECT_EQ(dec("0.000049").rounded(4, RoundingMode::Up).toString(), "0.0001");
    EXPECT_EQ(dec("99.999").rounded(2, RoundingMode::Plain).toString(), "100");
}

TEST(DecimalRounding, OperationsRoundTheExactResultOnlyOnce) {
    auto up = twoPlacesUp();
    RecordingBehavior plain(2, RoundingMode::Plain);
    // A balance in euros times the rate to dollars.
    EXPECT_EQ(dec("1234.56").multiply(dec("1.0837"), &up).toString(), "1337.9");
    EXPECT_EQ(dec("1234.56").multiply(dec("1.0837"), &plain).toString(), "1337.89");
    EXPECT_EQ(dec("1234.56").divide(dec("1.0837"), &up).toString(), "1139.21");
    EXPECT_EQ(dec("-1234.56").divide(dec("1.0837"), &up).toString(), "-1139.2");
    // 1.0049 must not become 1.005 first and then 1.01.
    EXPECT_EQ(dec("2.0098").multiply(dec("0.5"), &plain).toString(), "1");
    EXPECT_EQ(dec("100").divide(dec("3"), &up).toString(), "33.34");
    EXPECT_EQ(dec("-100").divide(dec("3"), &up).toString(), "-33.33");
    EXPECT_EQ(dec("10.004").add(dec("0.001"), &plain).toString(), "10.01");
    EXPECT_EQ(dec("10.004").subtract(dec("0.0001"), &plain).toString(), "10");
    EXPECT_EQ(dec("1.5").multiplyByPowerOf10(-2, &plain).toString(), "0.02");
    EXPECT_EQ(up.log + plain.log, "") << "the scale is not a loss of precision";
}

TEST(DecimalRounding, KeypadDigitEntryDividesByAPowerOfTen) {
    auto behavior = keypad(2);
    EXPECT_EQ(dec("7").divide(dec("100"), &behavior).toString(), "0.07");
    EXPECT_EQ(dec("12.3").add(dec("0.04"), &behavior).toString(), "12.34");
    EXPECT_EQ(behavior.log, "");
}

// ------------------------------------------------------- the 38-digit limit

TEST(DecimalPrecision, ThirtyEightDigitsAreExactAndTheThirtyNinthIsRounded) {
    auto behavior = unscaled(RoundingMode::Plain);
    Decimal nines = dec(std::string(38, '9'));
    EXPECT_EQ(nines.add(Decimal::one(), &behavior).toString(), "1" + zeros(38));
    EXPECT_EQ(behavior.log, "") << "10^38 compacts to 1e38 without losing anything";

    EXPECT_EQ(nines.add(dec("0.5"), &behavior).toString(), "1" + zeros(38));
    EXPECT_EQ(behavior.log, "Add LossOfPrecision " + std::string(38, '9') + " 0.5");

    Decimal thirtyEight = dec("1234567890123456789012345678.9012345678");
    EXPECT_EQ(thirtyEight.toString(), "1234567890123456789012345678.9012345678");
    EXPECT_EQ(thirtyEight.exponent(), -10);
}

TEST(DecimalPrecision, FarApartTermsAreAddedExactlyThenRoundedOnce) {
    Decimal big = dec("1e100");
    Decimal tiny = dec("1e-100");

    auto plain = unscaled(RoundingMode::Plain);
    EXPECT_EQ(big.add(tiny, &plain).toString(), "1" + zeros(100));
    EXPECT_EQ(plain.log, "Add LossOfPrecision 1" + zeros(100) + " 0." + zeros(99) + "1");

    auto up = unscaled(RoundingMode::Up);
    Decimal upward = big.add(tiny, &up);
    EXPECT_EQ(upward.toString(), "1" + zeros(36) + "1" + zeros(63));
    EXPECT_EQ(upward.exponent(), 63);
    EXPECT_EQ(up.errors, std::vector<DecimalError>{DecimalError::LossOfPrecision});

    auto down = unscaled(RoundingMode::Down);
    EXPECT_EQ(big.subtract(tiny, &down).toString(), std::string(38, '9') + zeros(62));
    EXPECT_EQ(big.subtract(tiny, &plain).toString(), "1" + zeros(100));
    EXPECT_EQ(big.add(tiny).toString(), "1" + zeros(100)) << "without a behaviour: plain, and no report";
}

TEST(DecimalPrecision, LongProductsAndQuotientsKeepThirtyEightDigits) {
    auto plain = unscaled(RoundingMode::Plain);
    auto up = unscaled(RoundingMode::Up);
    Decimal a = dec("12345678901234567891");
    Decimal b = dec("98765432109876543211");
    // Exactly 1219326311370217952348574912122374638001.
    EXPECT_EQ(a.multiply(b, &plain).toString(), "1219326311370217952348574912122374638000");
    EXPECT_EQ(a.multiply(b, &up).toString(), "1219326311370217952348574912122374638100");
    EXPECT_EQ(dec("1").divide(dec("3"), &plain).toString(), "0." + std::string(38, '3'));
    EXPECT_EQ(dec("2").divide(dec("3"), &plain).toString(), "0." + std::string(37, '6') + "7");
    EXPECT_EQ(dec("-2").divide(dec("3"), &up).toString(), "-0." + std::string(38, '6'));
    EXPECT_EQ(plain.log,
              "Multiply LossOfPrecision 12345678901234567891 98765432109876543211\n"
              "Divide LossOfPrecision 1 3\n"
              "Divide LossOfPrecision 2 3");
    EXPECT_EQ(dec("1").divide(dec("8"), &plain).toString(), "0.125");
    EXPECT_EQ(plain.errors.size(), 3u) << "an exact quotient is no loss";
}

TEST(DecimalPrecision, TheScaleIsNotALossButTheDigitLimitUnderItIs) {
    // The scale asks for 40 fractional digits; only 38 significant ones fit.
    RecordingBehavior behavior(40, RoundingMode::Plain);
    EXPECT_EQ(dec("1").divide(dec("3"), &behavior).toString(), "0." + std::string(38, '3'));
    EXPECT_EQ(behavior.log, "Divide LossOfPrecision 1 3");

    RecordingBehavior coarse(5, RoundingMode::Plain);
    EXPECT_EQ(dec("1").divide(dec("3"), &coarse).toString(), "0.33333");
    EXPECT_EQ(coarse.log, "");

    // Quotients of 38 digits whose next digits the scale would drop anyway:
    // ….374008… to four places is ….3740, and the 38-digit result ….374
    // is the same number, so nothing was lost to the digit limit.
    RecordingBehavior four(4, RoundingMode::Plain);
    EXPECT_EQ(dec("58357535507279531233246028317230392e5").divide(dec("62415.02"), &four).toString(),
              "93499185784574820665355916440033812.374");
    RecordingBehavior twoUp = twoPlacesUp();
    EXPECT_EQ(dec("2949115940872591352047222640421955951e108").divide(dec("-9586127246e98"), &twoUp).toString(),
              "-3076441471297147594787124986617307782.6");
    EXPECT_EQ(four.log + twoUp.log, "");
}

// ----------------------------------------------- overflow, underflow, zero

TEST(DecimalLimits, OverflowGivesNaNUnlessTheBehaviourAnswers) {
    Decimal huge = dec("1e127");
    EXPECT_TRUE(huge.multiply(dec("10")).isNaN());

    auto standing = twoPlacesUp();
    EXPECT_TRUE(huge.multiply(dec("10"), &standing).isNaN());
    EXPECT_EQ(standing.log, "Multiply Overflow 1" + zeros(127) + " 10");

    auto zeroing = keypad(2);
    Decimal answered = huge.multiply(dec("10"), &zeroing);
    EXPECT_FALSE(answered.isNaN());
    EXPECT_EQ(answered.toString(), "0");

    RecordingBehavior answering(2, RoundingMode::Plain, dec("42"));
    EXPECT_EQ(huge.add(dec(std::string(38, '9') + "e127"), &answering).toString(), "42");
    EXPECT_EQ(answering.errors, std::vector<DecimalError>{DecimalError::Overflow});

    EXPECT_EQ(dec("1.5").multiplyByPowerOf10(2).toString(), "150");
    auto power = unscaled(RoundingMode::Plain);
    EXPECT_TRUE(dec("1e120").multiplyByPowerOf10(10, &power).isNaN());
    EXPECT_EQ(power.log, "MultiplyByPowerOf10 Overflow 1" + zeros(120) + " none");
}

TEST(DecimalLimits, TooSmallResultsRoundAtTheLowestExponentOrUnderflow) {
    Decimal smallest = dec("1e-128");
    EXPECT_EQ(smallest.exponent(), -128);

    auto plain = unscaled(RoundingMode::Plain);
    EXPECT_EQ(smallest.multiply(dec("0.5"), &plain).exponent(), -128) << "5e-129 rounds up to 1e-128";
    EXPECT_EQ(plain.errors, std::vector<DecimalError>{DecimalError::LossOfPrecision});

    auto down = unscaled(RoundingMode::Down);
    EXPECT_TRUE(smallest.multiply(dec("0.5"), &down).isNaN());
    EXPECT_EQ(down.log, "Multiply Underflow 0." + zeros(127) + "1 0.5");

    EXPECT_TRUE(smallest.divide(dec("10")).isNaN());
    auto zeroing = keypad(DecimalBehavior::kNoScale);
    EXPECT_EQ(smallest.divide(dec("10"), &zeroing).toString(), "0");
    EXPECT_EQ(zeroing.errors, std::vector<DecimalError>{DecimalError::Underflow});

    // 123e-130 keeps what fits: 1e-128 after rounding off two digits.
    auto keep = unscaled(RoundingMode::Plain);
    EXPECT_EQ(dec("1.23e-126").multiplyByPowerOf10(-2, &keep).toString(), "0." + zeros(127) + "1");
    EXPECT_EQ(keep.log, "MultiplyByPowerOf10 LossOfPrecision 0." + zeros(125) + "123 none");
}

TEST(DecimalLimits, DivisionByZeroIsReportedWithBothOperands) {
    EXPECT_TRUE(dec("5").divide(Decimal::zero()).isNaN());

    auto standing = twoPlacesUp();
    EXPECT_TRUE(dec("5").divide(dec("0.00"), &standing).isNaN());
    EXPECT_EQ(standing.log, "Divide DivideByZero 5 0");

    auto zeroing = keypad(2);
    EXPECT_EQ(dec("5").divide(Decimal::zero(), &zeroing).toString(), "0");
    EXPECT_EQ(Decimal::zero().divide(Decimal::zero(), &zeroing).toString(), "0");
    EXPECT_EQ(zeroing.log, "Divide DivideByZero 5 0\nDivide DivideByZero 0 0");
}

TEST(DecimalLimits, NaNSpreadsSilently) {
    auto behavior = unscaled(RoundingMode::Plain);
    Decimal nan = Decimal::notANumber();
    EXPECT_TRUE(nan.add(Decimal::one(), &behavior).isNaN());
    EXPECT_TRUE(Decimal::one().subtract(nan, &behavior).isNaN());
    EXPECT_TRUE(nan.multiply(Decimal::zero(), &behavior).isNaN());
    EXPECT_TRUE(Decimal::one().divide(nan, &behavior).isNaN());
    EXPECT_TRUE(nan.divide(Decimal::zero(), &behavior).isNaN());
    EXPECT_TRUE(nan.round(&behavior).isNaN());
    EXPECT_TRUE(nan.multiplyByPowerOf10(3, &behavior).isNaN());
    EXPECT_EQ(behavior.log, "");
}

// ---------------------------------------------------------------- signs

TEST(DecimalSign, ZeroIsNeverNegative) {
    Decimal difference = Decimal::zero().subtract(Decimal::zero());
    EXPECT_EQ(difference.toString(), "0");
    EXPECT_FALSE(difference.isNegativeSign());
    EXPECT_FALSE(dec("5").subtract(dec("5")).isNegativeSign());
    EXPECT_FALSE(dec("-0.001").add(dec("0.001")).isNegativeSign());
    EXPECT_FALSE(dec("-3").multiply(Decimal::zero()).isNegativeSign());
    EXPECT_FALSE(dec("-0.00").isNegativeSign());
    EXPECT_EQ(Decimal::zero().subtract(dec("-5")).toString(), "5");
    EXPECT_EQ(Decimal::zero().subtract(dec("5")).toString(), "-5");
}

// ----------------------------------------------------------------- text

TEST(DecimalText, PrintsWithoutExponentAndParsesBackToTheSameValue) {
    const std::string texts[] = {
        "0",
        "-12.5",
        "0.001",
        "1200",
        "1234567890123456789012345678.9012345678",
        "-" + std::string(38, '9'),
        "1" + zeros(127),
        std::string(38, '9') + zeros(127),
        "0." + zeros(127) + "1",
        "-0." + zeros(90) + std::string(38, '7'),
        "NaN",
    };
    for (const std::string& text : texts) {
        std::string error;
        auto value = Decimal::fromString(text, &error);
        ASSERT_TRUE(value.has_value()) << text << ": " << error;
        EXPECT_EQ(value->toString(), text);
    }
}

TEST(DecimalText, AcceptsSignsPointsExponentsAndSurroundingSpace) {
    const std::pair<const char*, const char*> cases[] = {
        {"1.5e-3", "0.0015"}, {".5", "0.5"},    {"5.", "5"},           {"  42\n", "42"},
        {"+3", "3"},          {"12.50", "12.5"}, {"-0", "0"},          {"0.000", "0"},
        {"1E3", "1000"},      {"-2.5e+1", "-25"}, {"0e999999", "0"},    {"nan", "NaN"},
        {"00012.3400", "12.34"},
        // 40 significant digits round (plain) to 38.
        {"1234567890123456789012345678901234567895", "1234567890123456789012345678901234567900"},
        {"0.12345678901234567890123456789012345678500001", "0.12345678901234567890123456789012345679"},
        {"0.12345678901234567890123456789012345678499999", "0.12345678901234567890123456789012345678"},
        {"0.100000000000000000000000000000000000000000000000000000001", "0.1"},
    };
    for (const auto& [text, printed] : cases) {
        std::string error;
        auto value = Decimal::fromString(text, &error);
        ASSERT_TRUE(value.has_value()) << text << ": " << error;
        EXPECT_EQ(value->toString(), printed) << text;
    }
}

TEST(DecimalText, BrokenTextIsRefusedWithAReason) {
    const std::pair<std::string, const char*> cases[] = {
        {"", "empty text"},
        {" \t ", "empty text"},
        {"12..3", "unexpected character '.' at 3"},
        {"12.x", "unexpected character 'x' at 3"},
        {"1e", "expected exponent digits at 2"},
        {"1e+", "expected exponent digits at 3"},
        {"1e5.5", "unexpected character '.' at 3"},
        {"-", "expected a digit at 1"},
        {".", "expected a digit at 1"},
        {"e5", "unexpected character 'e' at 0"},
        {"--1", "unexpected character '-' at 1"},
        {"1,50", "unexpected character ',' at 1"},
        {"1 000", "unexpected character ' ' at 1"},
        {"0x10", "unexpected character 'x' at 1"},
        {"$12", "unexpected character '$' at 0"},
        {"NaNa", "unexpected character 'N' at 0"},
        {std::string("1\0", 2), "unexpected byte 0x00 at 1"},
        {"1e128", "number too large: exponent above 127"},
        {"1" + zeros(128), "number too large: exponent above 127"},
        {"1e-129", "number too small: digits below 10^-128"},
        {"1.5e-128", "number too small: digits below 10^-128"},
        {"1e99999999999999999999999", "number too large: exponent above 127"},
    };
    for (const auto& [text, reason] : cases) {
        std::string error;
        EXPECT_FALSE(Decimal::fromString(text, &error).has_value()) << text;
        EXPECT_EQ(error, reason) << text;
    }
    EXPECT_FALSE(Decimal::fromString("abc").has_value()) << "the error text is optional";
}

// ------------------------------------------------------------- comparing

TEST(DecimalCompare, OrdersByValueWhateverTheWriting) {
    EXPECT_EQ(dec("1.50"), dec("1.5"));
    EXPECT_TRUE(dec("1.50").isEqualToNumber(dec("1.5")));
    EXPECT_EQ(dec("1.50").toString(), "1.5");
    EXPECT_EQ(dec("1200").compare(dec("1.2e3")), std::strong_ordering::equal);
    EXPECT_EQ(dec("0.00"), Decimal::zero());

    const char* ascending[] = {"-1e127", "-2", "-1.5", "-0.0001", "0", "1e-128", "0.09999999999", "0.1",
                               "0.1000000000000000000000000000000000001", "1.5", "2", "10", "99", "100", "1e127"};
    for (size_t i = 0; i + 1 < std::size(ascending); ++i) {
        EXPECT_LT(dec(ascending[i]), dec(ascending[i + 1])) << ascending[i] << " < " << ascending[i + 1];
        EXPECT_GT(dec(ascending[i + 1]), dec(ascending[i])) << ascending[i + 1] << " > " << ascending[i];
    }
}

TEST(DecimalCompare, NaNEqualsNaNAndSortsFirst) {
    Decimal nan = Decimal::notANumber();
    EXPECT_EQ(nan, Decimal::notANumber());
    EXPECT_LT(nan, dec("-1e127"));
    EXPECT_LT(nan, Decimal::zero());
    EXPECT_GT(Decimal::zero(), nan);
    EXPECT_FALSE(nan.isEqualToNumber(Decimal::zero()));
}

// ----------------------------------------------------------- conversions

TEST(DecimalConversion, LongLongTruncatesTowardZeroAndSaturates) {
    EXPECT_EQ(dec("12.99").longLongValue(), 12);
    EXPECT_EQ(dec("-12.99").longLongValue(), -12);
    EXPECT_EQ(dec("0.5").longLongValue(), 0);
    EXPECT_EQ(dec("1200").longLongValue(), 1200);
    EXPECT_EQ(dec("9223372036854775807").longLongValue(), LLONG_MAX);
    EXPECT_EQ(dec("-9223372036854775808").longLongValue(), LLONG_MIN);
    EXPECT_EQ(dec("9223372036854775808").longLongValue(), LLONG_MAX);
    EXPECT_EQ(dec("-9223372036854775809.5").longLongValue(), LLONG_MIN);
    EXPECT_EQ(dec("1e30").longLongValue(), LLONG_MAX);
    EXPECT_EQ(dec("-1e30").longLongValue(), LLONG_MIN);
    EXPECT_EQ(dec("1e-100").longLongValue(), 0);
    EXPECT_EQ(Decimal::notANumber().longLongValue(), 0);
}

TEST(DecimalConversion, IntegersAndPartsBuildCompactValues) {
    Decimal twelveHundred(1200LL);
    EXPECT_EQ(twelveHundred.significand(), 12u);
    EXPECT_EQ(twelveHundred.exponent(), 2);
    EXPECT_EQ(Decimal(LLONG_MIN).toString(), "-9223372036854775808");
    EXPECT_EQ(Decimal(-7LL).toString(), "-7");
    EXPECT_EQ(Decimal(0LL).toString(), "0");

    EXPECT_EQ(Decimal(12345, -2, true).toString(), "-123.45");
    EXPECT_EQ(Decimal(0, 100, true).toString(), "0");
    EXPECT_FALSE(Decimal(0, 100, true).isNegativeSign());
    EXPECT_EQ(Decimal(0, 100, true).exponent(), 0);
    // 39 digits round (plain) to 38.
    unsigned __int128 longest = ~static_cast<unsigned __int128>(0);  // 340282366920938463463374607431768211455
    EXPECT_EQ(Decimal(longest, 0, false).toString(), "340282366920938463463374607431768211460");
    EXPECT_TRUE(Decimal(1, 128, false).isNaN());
    EXPECT_TRUE(Decimal(10, 127, false).isNaN()) << "compact, that is 1e128";
}

TEST(DecimalConversion, FloatingValuesAreTheNearestOnes) {
    const char* texts[] = {"0.1", "1234.56", "-1337.892672", "123456789012345678901234567890",
                           "0.3333333333333333333333333333333333333", "1e-50", "9007199254740993",
                           "-2.5e-10", "1e127", "0.000001"};
    for (const char* text : texts) {
        EXPECT_EQ(dec(text).doubleValue(), std::strtod(text, nullptr)) << text;
        EXPECT_EQ(dec(text).floatValue(), std::strtof(text, nullptr)) << text;
    }
    EXPECT_EQ(dec("16777217").floatValue(), 16777216.0f) << "halfway rounds to even";
    EXPECT_EQ(dec("16777219").floatValue(), 16777220.0f);
    EXPECT_EQ(dec("1e-50").floatValue(), 0.0f) << "too small for a float: counts as neither sign";
    EXPECT_GT(dec("1e-50").doubleValue(), 0.0);
    EXPECT_TRUE(std::isnan(Decimal::notANumber().doubleValue()));
}

// ----------------------------------------------------------- exactness

using BigInt = boost::multiprecision::cpp_int;

BigInt power10(int64_t n) { return boost::multiprecision::pow(BigInt(10), static_cast<unsigned>(n)); }

// A rational number num / den with den > 0: every operand and every exact
// result below is one.
struct Rational {
    BigInt num;
    BigInt den = 1;
};

Rational rationalOf(bool negative, const BigInt& coefficient, int64_t exponent) {
    BigInt num = negative ? BigInt(-coefficient) : coefficient;
    if (exponent >= 0) return {num * power10(exponent), 1};
    return {num, power10(-exponent)};
}

int64_t digits(const BigInt& v) { return static_cast<int64_t>(BigInt(abs(v)).str().size()); }

// floor(log10 |x|) for x ≠ 0.
int64_t floorLog10(const Rational& x) {
    BigInt a = BigInt(abs(x.num));
    int64_t e = digits(a) - digits(x.den);
    bool below = e >= 0 ? a < x.den * power10(e) : a * power10(-e) < x.den;
    return below ? e - 1 : e;
}

// The multiple k of 10^p that x rounds to, worked out on signed integers
// from the floor of x / 10^p and the remainder.
BigInt roundToPower(const Rational& x, int64_t p, RoundingMode mode) {
    BigInt n = x.num;
    BigInt d = x.den;
    if (p >= 0) {
        d *= power10(p);
    } else {
        n *= power10(-p);
    }
    BigInt floor = n / d;
    if (n % d != 0 && n < 0) floor -= 1;
    BigInt remainder = n - floor * d;  // 0 <= remainder < d
    if (remainder == 0) return floor;
    int half = BigInt(2 * remainder).compare(d);
    switch (mode) {
        case RoundingMode::Down: return floor;
        case RoundingMode::Up: return floor + 1;
        case RoundingMode::Plain:
            if (half != 0) return half < 0 ? floor : floor + 1;
            return n > 0 ? floor + 1 : floor;
        case RoundingMode::Bankers:
            if (half != 0) return half < 0 ? floor : floor + 1;
            return floor % 2 == 0 ? floor : floor + 1;
    }
    return floor;
}

bool equal(const Rational& a, const Rational& b) { return a.num * b.den == b.num * a.den; }

struct Expected {
    std::string value;  // as described by describe()
    std::optional<DecimalError> error;
};

std::string describe(bool negative, const BigInt& coefficient, int64_t exponent) {
    return (negative ? "-" : "") + coefficient.str() + "e" + std::to_string(exponent);
}

std::string describe(const Decimal& d) {
    if (d.isNaN()) return "NaN";
    BigInt coefficient = static_cast<uint64_t>(d.significand() >> 64);
    coefficient <<= 64;
    coefficient |= static_cast<uint64_t>(d.significand());
    return describe(d.isNegativeSign(), coefficient, d.exponent());
}

// What a correct decimal gives for the exact result x: x rounded once at the
// coarsest of the scale, the 38th significant digit and 10^-128.
Expected expectedFor(const Rational& x, bool hasScale, int scale, RoundingMode mode) {
    if (x.num == 0) return {"0e0", std::nullopt};
    int64_t p = std::max<int64_t>(floorLog10(x) - 37, -128);
    if (hasScale) p = std::max<int64_t>(p, -scale);
    BigInt k = roundToPower(x, p, mode);
    Rational result{k * power10(std::max<int64_t>(p, 0)), power10(std::max<int64_t>(-p, 0))};
    Rational atScale = hasScale ? Rational{roundToPower(x, -scale, mode) * power10(std::max(-scale, 0)),
                                           power10(std::max(scale, 0))}
                                : x;
    bool lost = !equal(result, atScale);
    if (k == 0) return lost ? Expected{"NaN", DecimalError::Underflow} : Expected{"0e0", std::nullopt};
    while (k % 10 == 0) {
        k /= 10;
        ++p;
    }
    if (p > 127) return {"NaN", DecimalError::Overflow};
    return {describe(k < 0, BigInt(abs(k)), p), lost ? std::optional(DecimalError::LossOfPrecision) : std::nullopt};
}

struct Operand {
    Decimal value;
    Rational exact;
    std::string text;
};

// Operands mostly of everyday size, some of them 33 to 38 digits long and
// some with exponents near either limit.
Operand randomOperand(std::mt19937_64& random) {
    std::uniform_int_distribution<int> percent(0, 99);
    int length = percent(random) < 60 ? 1 + static_cast<int>(random() % 8)
                                      : (percent(random) < 50 ? 9 + static_cast<int>(random() % 24)
                                                              : 33 + static_cast<int>(random() % 6));
    std::string digitsText;
    for (int i = 0; i < length; ++i) {
        int low = (i == 0 || i == length - 1) ? 1 : 0;  // no leading or trailing zeros
        digitsText.push_back(static_cast<char>('0' + low + static_cast<int>(random() % (10 - low))));
    }
    int where = percent(random);
    int exponent = where < 60   ? -8 + static_cast<int>(random() % 17)     // everyday
                   : where < 80 ? -128 + static_cast<int>(random() % 30)  // near the bottom
                                : 98 + static_cast<int>(random() % 30);   // near the top
    bool negative = random() % 2 == 0;

    unsigned __int128 coefficient = 0;
    for (char c : digitsText) coefficient = coefficient * 10 + static_cast<unsigned>(c - '0');
    BigInt big(digitsText.c_str());
    return {Decimal(coefficient, exponent, negative), rationalOf(negative, big, exponent),
            describe(negative, big, exponent)};
}

TEST(DecimalExactness, MatchesIntegerArithmeticOnRandomOperands) {
    std::mt19937_64 random(20240611);
    const int16_t scales[] = {DecimalBehavior::kNoScale, 0, 2, 4, -3, 20, 130};
    const RoundingMode modes[] = {RoundingMode::Plain, RoundingMode::Down, RoundingMode::Up, RoundingMode::Bankers};
    const DecimalOperation operations[] = {DecimalOperation::Add, DecimalOperation::Subtract,
                                           DecimalOperation::Multiply, DecimalOperation::Divide};
    int failures = 0;
    int errorsSeen[5] = {};
    for (int round = 0; round < 5000 && failures < 10; ++round) {
        for (DecimalOperation operation : operations) {
            Operand a = randomOperand(random);
            Operand b = randomOperand(random);
            ASSERT_EQ(describe(a.value), a.text);
            int16_t scale = scales[random() % std::size(scales)];
            RoundingMode mode = modes[random() % std::size(modes)];

            Rational x;
            switch (operation) {
                case DecimalOperation::Add:
                    x = {a.exact.num * b.exact.den + b.exact.num * a.exact.den, a.exact.den * b.exact.den};
                    break;
                case DecimalOperation::Subtract:
                    x = {a.exact.num * b.exact.den - b.exact.num * a.exact.den, a.exact.den * b.exact.den};
                    break;
                case DecimalOperation::Multiply:
                    x = {a.exact.num * b.exact.num, a.exact.den * b.exact.den};
                    break;
                default:
                    x = {a.exact.num * b.exact.den, a.exact.den * b.exact.num};
                    if (x.den < 0) x = {-x.num, -x.den};
                    break;
            }
            bool hasScale = scale != DecimalBehavior::kNoScale;
            Expected expected = expectedFor(x, hasScale, scale, mode);

            RecordingBehavior behavior(scale, mode);
            Decimal result;
            switch (operation) {
                case DecimalOperation::Add: result = a.value.add(b.value, &behavior); break;
                case DecimalOperation::Subtract: result = a.value.subtract(b.value, &behavior); break;
                case DecimalOperation::Multiply: result = a.value.multiply(b.value, &behavior); break;
                default: result = a.value.divide(b.value, &behavior); break;
            }
            if (!hasScale && mode == RoundingMode::Plain) {
                // Without a behaviour: the same plain rounding, and NaN for the errors.
                Decimal bare = operation == DecimalOperation::Add        ? a.value + b.value
                               : operation == DecimalOperation::Subtract ? a.value - b.value
                               : operation == DecimalOperation::Multiply ? a.value * b.value
                                                                         : a.value / b.value;
                EXPECT_EQ(describe(bare), expected.value) << a.text << " " << name(operation) << " " << b.text;
            }
            std::vector<DecimalError> expectedErrors;
            if (expected.error) {
                expectedErrors.push_back(*expected.error);
                ++errorsSeen[static_cast<int>(*expected.error)];
            }
            if (describe(result) != expected.value || behavior.errors != expectedErrors) {
                ++failures;
                ADD_FAILURE() << a.text << " " << name(operation) << " " << b.text << " scale " << scale << " "
                              << name(mode) << ": got " << describe(result) << " expected " << expected.value
                              << " (errors reported " << behavior.errors.size() << ", expected "
                              << (expected.error ? name(*expected.error) : "none") << ")";
            }
        }
    }
    // The operands reach every outcome, so each was really compared.
    EXPECT_GT(errorsSeen[static_cast<int>(DecimalError::LossOfPrecision)], 1000);
    EXPECT_GT(errorsSeen[static_cast<int>(DecimalError::Overflow)], 200);
    EXPECT_GT(errorsSeen[static_cast<int>(DecimalError::Underflow)], 50);
}

}  // namespace
}  // namespace tallo
