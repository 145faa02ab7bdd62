// The budget section bar: how full it is, its colour against the limit and
// today's pace, where the pace marker stands, and what its labels say.

#include "Classes/controls/TLBudgetBar.h"

#include "Classes/controls/TLBudgetBarIndicator.h"
#include "tests/support/LedgerTestSupport.h"

namespace tallo {
namespace {

using test::D;

class TLBudgetBarTest : public test::LedgerTest {
protected:
    TLBudgetBarTest() { currency("USD", true); }
    // A bar of `type` with `limit` and `amount`; today's pace at `pace` of
    // the month when given.
    static TLBudgetBar bar(int type, const char* limit, const char* amount, float pace = -1) {
        TLBudgetBar b;
        b.setBarType(type);
        b.setLimit(D(limit));
        b.setAmount(D(amount));
        if (pace >= 0) {
            b.setTodayAmount(D(limit).floatValue() * pace);
            b.setShowsToday(true);
        }
        return b;
    }
    static constexpr int kExpense = TLBudgetRecordType::Expense;
    static constexpr int kIncome = TLBudgetRecordType::Income;
    // Day 20 of a 30-day month.
    static constexpr float kDay20 = 0.62f;
};

TEST_F(TLBudgetBarTest, AnExpenseBarIsGreenBehindThePaceYellowAheadRedOver) {
    EXPECT_EQ(bar(kExpense, "100", "40", kDay20).indicatorType(), TLBudgetBarIndicator::Green);
    EXPECT_EQ(bar(kExpense, "100", "70", kDay20).indicatorType(), TLBudgetBarIndicator::Yellow);
    EXPECT_EQ(bar(kExpense, "100", "100.01", kDay20).indicatorType(), TLBudgetBarIndicator::Red);
    // A past month has no pace: green up to the limit itself.
    EXPECT_EQ(bar(kExpense, "100", "99").indicatorType(), TLBudgetBarIndicator::Green);
    EXPECT_EQ(bar(kExpense, "100", "100").indicatorType(), TLBudgetBarIndicator::Green);
    EXPECT_EQ(bar(kExpense, "100", "101").indicatorType(), TLBudgetBarIndicator::Red);
}

TEST_F(TLBudgetBarTest, AnIncomeBarIsRedBehindThePaceYellowAheadGreenAtTheLimit) {
    EXPECT_EQ(bar(kIncome, "1000", "500", kDay20).indicatorType(), TLBudgetBarIndicator::Red);
    EXPECT_EQ(bar(kIncome, "1000", "700", kDay20).indicatorType(), TLBudgetBarIndicator::Yellow);
    EXPECT_EQ(bar(kIncome, "1000", "1000", kDay20).indicatorType(), TLBudgetBarIndicator::Green);
    EXPECT_EQ(bar(kIncome, "1000", "900").indicatorType(), TLBudgetBarIndicator::Red) << "a past month short of it";
}

TEST_F(TLBudgetBarTest, WidthAndMarkerFollowTheSharesOfThe283PointBar) {
    TLBudgetBar half = bar(kExpense, "200", "100", kDay20);
    EXPECT_EQ(half.barWidth(), 153) << "0.5 × 283, whole part, + 12";
    EXPECT_EQ(half.todayPosition(), 175) << "0.62 × 283";
    EXPECT_EQ(half.todayMarkerX(), 190);
    TLBudgetBar over = bar(kExpense, "100", "250");
    EXPECT_FLOAT_EQ(over.percentage(), TLBudgetBar::kOverLimit);
    EXPECT_EQ(over.barWidth(), 295) << "never wider than the full bar";
}

TEST_F(TLBudgetBarTest, AZeroLimitWithSpendingIsFullAndRedAndWithNothingEmpty) {
    TLBudgetBar spent = bar(kExpense, "0", "12");
    EXPECT_EQ(spent.indicatorType(), TLBudgetBarIndicator::Red);
    EXPECT_EQ(spent.barWidth(), 295);
    EXPECT_EQ(spent.rightLabel(), "$12.00 over");

    TLBudgetBar nothing = bar(kExpense, "0", "0");
    EXPECT_TRUE(nothing.isEmty());
    EXPECT_EQ(nothing.rightLabel(), "No records");
    std::string node = nothing.node().toText();
    EXPECT_EQ(node.find("indicator="), std::string::npos) << "no fill is drawn: " << node;
}

TEST_F(TLBudgetBarTest, LabelsTellTheLimitAndWhatIsLeftOverOrPerfect) {
    EXPECT_EQ(bar(kExpense, "100", "40").leftLabel(), "Expense ($100.00)");
    EXPECT_EQ(bar(kExpense, "100", "40").rightLabel(), "$60.00 left");
    EXPECT_EQ(bar(kIncome, "1000", "1250.50").rightLabel(), "$250.50 over");
    EXPECT_EQ(bar(kIncome, "1000", "1000").rightLabel(), "perfect");
    TLBudgetBar summed = bar(kIncome, "70", "10");
    summed.setShowAsterisk(true);
    EXPECT_EQ(summed.leftLabel(), "Income (*$70.00)");
}

}  // namespace
}  // namespace tallo
