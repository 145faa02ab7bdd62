// Income against expenses by month: twelve months, oldest first, transfers
// in neither column, and each month's expenses the spending report's total.

#include "Classes/budgets/TLIncomeExpenseReport.h"

#include "Classes/budgets/TLSpendingReport.h"
#include "Classes/values/TLMonthID.h"
#include "tests/budgets/ReportTestSupport.h"

namespace tallo {
namespace {

using test::D;
using test::localDate;

class TLIncomeExpenseReportTest : public test::ReportBookTest {};

TEST_F(TLIncomeExpenseReportTest, TwelveMonthsEndingThisOneWithTheNetOfEach) {
    std::vector<TLMonthFigures> months = TLIncomeExpenseReport::lastMonths(localDate(2011, 3, 15, 12));
    ASSERT_EQ(months.size(), 12u);
    EXPECT_EQ(months.front().month, TLMonthID::fromYearMonth(2010, 4));
    EXPECT_EQ(months.back().month, TLMonthID::fromYearMonth(2011, 3));
    for (size_t i = 0; i < 10; ++i) {
        EXPECT_EQ(months[i].income, D("0"));
        EXPECT_EQ(months[i].expenses, D("0"));
    }
    // February: the salary and the groceries.
    EXPECT_EQ(months[10].income, D("2500"));
    EXPECT_EQ(months[10].expenses, D("50"));
    EXPECT_EQ(months[10].net(), D("2450"));
    // March: the 300 moved to Savings is neither; the euro dinner is 26.142.
    EXPECT_EQ(months[11].income, D("2500"));
    EXPECT_EQ(months[11].expenses, D("230.892"));
    EXPECT_EQ(months[11].net(), D("2269.108"));
    EXPECT_EQ(months[11].expenses, TLSpendingReport::byMaster(month(2011, 3)).total());
}

TEST_F(TLIncomeExpenseReportTest, AMonthsEdgesAreLocalMidnightsInBothDaylightSavingSeasons) {
    // New York: summer time from 13 March to 6 November 2011.
    dated(transaction(checking, TLTransactionType::Income, {"1"}, salary), localDate(2011, 10, 31, 23, 59, 59));
    dated(transaction(checking, TLTransactionType::Income, {"2"}, salary), localDate(2011, 11, 1, 0, 0, 0));
    dated(transaction(checking, TLTransactionType::Income, {"4"}, salary), localDate(2011, 11, 6, 1, 30));
    dated(transaction(checking, TLTransactionType::Expense, {"8"}, fuel), localDate(2011, 11, 30, 23, 59, 59));
    dated(transaction(checking, TLTransactionType::Expense, {"16"}, fuel), localDate(2011, 12, 1, 0, 0, 0));
    std::vector<TLMonthFigures> months = TLIncomeExpenseReport::lastMonths(localDate(2011, 12, 2), 3);
    ASSERT_EQ(months.size(), 3u);
    EXPECT_EQ(months[0].income, D("1"));   // October
    EXPECT_EQ(months[1].income, D("6"));   // November
    EXPECT_EQ(months[1].expenses, D("8"));
    EXPECT_EQ(months[2].expenses, D("16"));  // December
    EXPECT_EQ(months[2].net(), D("-16"));
}

TEST_F(TLIncomeExpenseReportTest, TheKeptAnswerFollowsEveryChangeOfTheStore) {
    Date now = localDate(2011, 3, 15, 12);
    EXPECT_EQ(TLIncomeExpenseReport::lastMonths(now).back().income, D("2500"));
    TLTransaction* bonus = on(3, 15, transaction(checking, TLTransactionType::Income, {"300"}, salary));
    EXPECT_EQ(TLIncomeExpenseReport::lastMonths(now).back().income, D("2800"));
    bonus->setTransactionDate(localDate(2011, 4, 1, 12));  // into next month
    EXPECT_EQ(TLIncomeExpenseReport::lastMonths(now).back().income, D("2500"));
    EXPECT_EQ(TLIncomeExpenseReport::lastMonths(localDate(2011, 4, 2)).back().income, D("300"));
}

TEST_F(TLIncomeExpenseReportTest, InvestmentTradesAreNeitherIncomeNorExpense) {
    on(3, 20, transaction(checking, TLTransactionType::InvestmentBuy, {"1000"}, car));
    on(3, 21, transaction(checking, TLTransactionType::InvestmentSell, {"400"}, salary));
    TLMonthFigures march = TLIncomeExpenseReport::lastMonths(localDate(2011, 3, 31), 1).front();
    EXPECT_EQ(march.income, D("2500"));
    EXPECT_EQ(march.expenses, D("230.892"));
}

}  // namespace
}  // namespace tallo
