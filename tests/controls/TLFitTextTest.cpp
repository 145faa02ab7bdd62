// Shortening a row's title to fit beside its amount: the widths the rows
// are measured with, and the cuts that follow from them.

#include "Classes/controls/TLFitText.h"

#include <gtest/gtest.h>

#include "Platform/ui/Font.h"

namespace tallo {
namespace {

using TLFitText::fitText;

TEST(TLFitText, TextIsMeasuredInTheInterfaceFontsWidths) {
    EXPECT_DOUBLE_EQ(Font::widthOfText("Checking", 10), 41.68);
    EXPECT_DOUBLE_EQ(Font::widthOfText("Checking", 10, true), 45.01);
    // A character outside ASCII counts as a digit, whatever its bytes.
    EXPECT_DOUBLE_EQ(Font::widthOfText("Café", 10), Font::widthOfText("Caf0", 10));
    EXPECT_DOUBLE_EQ(Font::widthOfText("", 17), 0);
}

TEST(TLFitText, ATitleThatFitsStaysAsItIs) {
    EXPECT_EQ(fitText("Checking", {17, true}, "$1,250.50", {15, false}), "Checking");
}

TEST(TLFitText, ALongTitleLosesFiveCharactersThenTwoAtATime) {
    // 17-point bold beside "$1,234,567.89" (95.9 points at 15): the name may
    // take 144 points.
    EXPECT_EQ(fitText("Household Expenses Account", {17, true}, "$1,234,567.89", {15, false}), "Household Exp...");
    // The cuts of the header's example, at a width that allows each in turn.
    double amount = Font::widthOfText("$1.00", 15);
    double firstCut = Font::widthOfText("Savings Ac...", 17, true) + amount;
    EXPECT_EQ(fitText("Savings Account", {17, true}, "$1.00", {15, false}, firstCut), "Savings Ac...");
    EXPECT_EQ(fitText("Savings Account", {17, true}, "$1.00", {15, false}, firstCut - 1), "Savings ...");
}

TEST(TLFitText, CutsKeepWholeCharactersAndStopAtTheEllipsis) {
    EXPECT_EQ(fitText("Crème brûlée café", {17, true}, "$9.99", {15, false}, 120), "Crème ...");
    // Nothing fits: the ellipsis alone is left, and the cutting ends.
    EXPECT_EQ(fitText("Groceries", {17, true}, "$1,000,000.00", {15, false}, 50), "...");
}

}  // namespace
}  // namespace tallo
