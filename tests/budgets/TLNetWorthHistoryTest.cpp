// Net worth at month ends: opening balances and the transactions dated up
// to each end, converted at today's rates the way the accounts list does.

#include "Classes/budgets/TLNetWorthHistory.h"

#include "Classes/values/TLMonthID.h"
#include "tests/budgets/ReportTestSupport.h"

namespace tallo {
namespace {

using test::D;
using test::localDate;

class TLNetWorthHistoryTest : public test::ReportBookTest {};

TEST_F(TLNetWorthHistoryTest, TwentyFourMonthEndsFromOpeningBalancesToTheAccountsListsFigure) {
    std::vector<TLNetWorthPoint> points = TLNetWorthHistory::lastMonthEnds(localDate(2011, 3, 15, 12));
    ASSERT_EQ(points.size(), 24u);
    EXPECT_EQ(points.front().month, TLMonthID::fromYearMonth(2009, 4));
    EXPECT_EQ(points.front().monthEnd, localDate(2009, 4, 30, 23, 59, 59));
    // Before any transaction: 1000 + 500 + €100 × 1.3071 (130.71).
    EXPECT_EQ(points.front().amount, D("1630.71"));
    EXPECT_EQ(points[21].amount, D("1630.71"));  // January 2011
    EXPECT_EQ(points[22].amount, D("4080.71"));  // February: +2500 − 50
    // March: Checking 5445.25, Savings 800, €80 × 1.3071 = 104.568 rounded
    // up to 104.57 — the accounts list's net worth to the cent.
    EXPECT_EQ(points[23].amount, D("6349.82"));
    EXPECT_EQ(points[23].amount, TLAccount::getNetWorth(TLAccount::getAccounts()));
}

TEST_F(TLNetWorthHistoryTest, AMonthEndIsTheLastLocalSecondOfTheMonthAndLaterDatesWait) {
    dated(transaction(savings, TLTransactionType::Income, {"10"}), localDate(2011, 2, 28, 23, 59, 59));
    dated(transaction(savings, TLTransactionType::Income, {"20"}), localDate(2011, 3, 1, 0, 0, 0));
    dated(transaction(savings, TLTransactionType::Expense, {"5000"}), localDate(2011, 4, 2));  // after this month
    std::vector<TLNetWorthPoint> points = TLNetWorthHistory::lastMonthEnds(localDate(2011, 3, 15, 12), 2);
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(points[0].amount, D("4090.71"));
    EXPECT_EQ(points[1].amount, D("6379.82"));
}

TEST_F(TLNetWorthHistoryTest, TodaysRatesConvertEveryMonthAndUnlistedAccountsStayOut) {
    rate(eur, usd, "2");
    TLAccount* hidden = account("Hidden", usd, TLAccountType::NeverListed);
    hidden->changeStartingBalanceTo(D("99999"));
    std::vector<TLNetWorthPoint> points = TLNetWorthHistory::lastMonthEnds(localDate(2011, 3, 15, 12), 3);
    EXPECT_EQ(points[0].amount, D("1700"));  // 1000 + 500 + 100 × 2
    EXPECT_EQ(points[2].amount, D("6405.25"));  // 5445.25 + 800 + 80 × 2
}

TEST_F(TLNetWorthHistoryTest, TheKeptAnswerFollowsEveryChangeOfTheStore) {
    Date now = localDate(2011, 3, 15, 12);
    db().save();
    EXPECT_EQ(TLNetWorthHistory::lastMonthEnds(now).back().amount, D("6349.82"));
    TLTransaction* gift = dated(transaction(savings, TLTransactionType::Income, {"100"}), localDate(2011, 3, 2));
    EXPECT_EQ(TLNetWorthHistory::lastMonthEnds(now).back().amount, D("6449.82"));
    gift->getSplit()->changeAmountTo(D("40"));
    EXPECT_EQ(TLNetWorthHistory::lastMonthEnds(now).back().amount, D("6389.82"));
    db().rollback();
    EXPECT_EQ(TLNetWorthHistory::lastMonthEnds(now).back().amount, D("6349.82"));
    // Another month asks anew: April's end, with nothing new in April.
    EXPECT_EQ(TLNetWorthHistory::lastMonthEnds(localDate(2011, 4, 1, 12)).back().month, TLMonthID::fromYearMonth(2011, 4));
}

TEST_F(TLNetWorthHistoryTest, AnEmptyBookIsWorthNothingAtEveryMonthEnd) {
    for (TLAccount* each : TLAccount::getAccounts()) db().deleteObject(each);
    for (const TLNetWorthPoint& point : TLNetWorthHistory::lastMonthEnds(localDate(2011, 3, 15, 12))) {
        EXPECT_EQ(point.amount, D("0"));
    }
}

}  // namespace
}  // namespace tallo
