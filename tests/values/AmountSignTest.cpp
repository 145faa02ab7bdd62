// The sign rules and the two-place rounding every amount follows.
#include <gtest/gtest.h>

#include "Classes/values/CVCammon.h"
#include "Classes/values/DecimalCorvane.h"
#include "Classes/values/TLDecNumHand2Places.h"

namespace tallo {
namespace {

Decimal D(const char* text) { return *Decimal::fromString(text); }

TEST(AmountSign, NegationIsSubtractionFromZero) {
    EXPECT_EQ(negative(D("0")).toString(), "0");
    EXPECT_FALSE(negative(D("0")).isNegativeSign());  // never a signed zero
    EXPECT_EQ(negative(D("-5")).toString(), "5");
    EXPECT_EQ(negative(D("12.34")).toString(), "-12.34");
}

TEST(AmountSign, AbsoluteFollowsTheFloatSignTest) {
    EXPECT_EQ(absolute(D("-0.001")).toString(), "0.001");
    EXPECT_EQ(absolute(D("3")).toString(), "3");
    // Too small for a 32-bit float: neither negative nor positive, so it is
    // left as it is.
    Decimal tiny = D("-1e-50");
    EXPECT_FALSE(CVCammon::isNegative(tiny));
    EXPECT_FALSE(CVCammon::isPositive(tiny));
    EXPECT_EQ(absolute(tiny), tiny);
}

TEST(AmountSign, IsZeroIsNumeric) {
    EXPECT_TRUE(isZero(D("0")));
    EXPECT_TRUE(isZero(D("0.0")));
    EXPECT_TRUE(isZero(D("0.00")));
    EXPECT_FALSE(isZero(D("0.001")));
    EXPECT_FALSE(isZero(Decimal::notANumber()));
}

TEST(TwoPlaceRounding, RoundsTowardPositiveInfinityAtTheSecondPlace) {
    auto* behaviour = TLDecNumHand2Places::sharedInstance();
    EXPECT_EQ(D("1.231").round(behaviour).toString(), "1.24");
    EXPECT_EQ(D("1.230").round(behaviour).toString(), "1.23");
    EXPECT_EQ(D("-1.239").round(behaviour).toString(), "-1.23");
    EXPECT_EQ(D("7").round(behaviour).toString(), "7");
    EXPECT_EQ(D("2.5").round(behaviour).toString(), "2.5");
    // A net-worth product: 1,234.56 at a rate of 1.0837 is 1337.892672 → 1337.90.
    EXPECT_EQ(D("1234.56").multiply(D("1.0837"), behaviour).toString(), "1337.9");
}

TEST(TwoPlaceRounding, ErrorsLetTheComputedResultStand) {
    auto* behaviour = TLDecNumHand2Places::sharedInstance();
    EXPECT_EQ(behaviour, TLDecNumHand2Places::sharedInstance());
    // Division by zero: nothing raised, the computed result (not-a-number) stands.
    Decimal result = D("10").divide(Decimal::zero(), behaviour);
    EXPECT_TRUE(result.isNaN());
}

TEST(CVCammon, BareIdentifiersAreFreshUpperCaseUUIDs) {
    std::string first = CVCammon::generateUniqueID();
    ASSERT_EQ(first.size(), 36u);
    EXPECT_EQ(first[8], '-');
    EXPECT_EQ(first[14], '4');  // a random (version 4) UUID
    EXPECT_EQ(first.find_first_of("abcdef"), std::string::npos);
    EXPECT_NE(first, CVCammon::generateUniqueID());
}

}  // namespace
}  // namespace tallo
