// Spending by category: which splits count, in which slice, converted how,
// and that the slices always add up to the total.

#include "Classes/budgets/TLSpendingReport.h"

#include <string>

#include "Classes/budgets/TLReportPeriod.h"
#include "tests/budgets/ReportTestSupport.h"

namespace tallo {
namespace {

using test::D;
using test::localDate;

class TLSpendingReportTest : public test::ReportBookTest {
protected:
    static std::string text(const TLSpendingReport& report) {
        std::string out;
        for (const TLReportSlice& slice : report.slices()) {
            out += (slice.category != nullptr ? slice.category->name().value_or("?") : "(none)") + " " +
                   slice.amount.toString() + "; ";
        }
        return out + "total " + report.total().toString();
    }
    static Decimal sum(const TLSpendingReport& report) {
        Decimal total = Decimal::zero();
        for (const TLReportSlice& slice : report.slices()) total = total + slice.amount;
        return total;
    }
};

TEST_F(TLSpendingReportTest, MarchByMasterCategoryLargestFirstWithoutTheTransfer) {
    TLSpendingReport march = TLSpendingReport::byMaster(month(2011, 3));
    // The euro dinner counts 20 × 1.3071; the 300 moved to Savings under
    // Food is no spending, and the salary lowers nothing.
    EXPECT_EQ(text(march), "Food 163.642; Car 60; (none) 7.25; total 230.892");
    EXPECT_EQ(sum(march), march.total());
    EXPECT_EQ(march.percentOf(D("60")), D("26"));  // 25.986…
    EXPECT_EQ(march.percentOf(D("163.642")), D("70.9"));
}

TEST_F(TLSpendingReportTest, AMasterDrillsDownToItsSubcategoriesAndThenToTransactions) {
    TLTimeInterval span = month(2011, 3);
    TLSpendingReport ofFood = TLSpendingReport::ofMaster(food, span);
    EXPECT_EQ(text(ofFood), "Groceries 82.4; Restaurants 71.242; Food 10; total 163.642");
    EXPECT_EQ(ofFood.total(), TLSpendingReport::byMaster(span).slices().front().amount);

    std::vector<TLTransaction*> dinners = TLSpendingReport::transactionsOf(restaurants, span);
    ASSERT_EQ(dinners.size(), 2u);
    EXPECT_EQ(dinners[0]->account(), euroCard);  // the 11th before the 9th
    EXPECT_EQ(dinners[1]->totalamount(), D("-45.10"));
    // Food's own slice holds only what was filed on Food itself: not the transfer.
    ASSERT_EQ(TLSpendingReport::transactionsOf(food, span).size(), 1u);
    EXPECT_EQ(TLSpendingReport::transactionsOf(food, span)[0]->totalamount(), D("-10"));
    EXPECT_EQ(text(TLSpendingReport::ofMaster(nullptr, span)), "(none) 7.25; total 7.25");
}

TEST_F(TLSpendingReportTest, ASplitTransactionCountsEachSplitInItsOwnSliceAndIsListedOnce) {
    TLTransaction* shop = on(3, 13, transaction(checking, TLTransactionType::Expense, {"30", "12.5"}, groceries));
    addSplit(shop, "8.05", fuel);
    TLTimeInterval span = month(2011, 3);
    EXPECT_EQ(text(TLSpendingReport::byMaster(span)), "Food 206.142; Car 68.05; (none) 7.25; total 281.442");
    std::vector<TLTransaction*> listed = TLSpendingReport::transactionsOf(groceries, span);
    EXPECT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0], shop);
}

TEST_F(TLSpendingReportTest, APeriodWithNothingSpentHasNoSlices) {
    TLReportPeriod period;
    period.kind = TLReportPeriodKind::CustomRange;
    period.from = localDate(2011, 1, 1);
    period.to = localDate(2011, 1, 31);
    TLSpendingReport january = TLSpendingReport::byMaster(period.interval(localDate(2011, 3, 15, 12)));
    EXPECT_TRUE(january.slices().empty());
    EXPECT_EQ(january.total(), D("0"));
    EXPECT_EQ(january.percentOf(D("5")), D("0"));
    EXPECT_TRUE(TLSpendingReport::transactionsOf(groceries, month(2011, 1)).empty());
}

TEST_F(TLSpendingReportTest, TheMonthEndsAtLocalMidnightAcrossTheDaylightSavingChange) {
    // New York moved its clocks on 13 March 2011; the month still runs from
    // 1 March 00:00 EST to 31 March 23:59:59 EDT.
    dated(transaction(checking, TLTransactionType::Expense, {"1.11"}, car), localDate(2011, 3, 13, 3, 30));
    dated(transaction(checking, TLTransactionType::Expense, {"2.22"}, car), localDate(2011, 3, 31, 23, 59, 59));
    dated(transaction(checking, TLTransactionType::Expense, {"400"}, car), localDate(2011, 4, 1, 0, 0, 0));
    dated(transaction(checking, TLTransactionType::Expense, {"500"}, car), localDate(2011, 2, 28, 23, 59, 59));
    dated(transaction(checking, TLTransactionType::Expense, {"4.44"}, car), localDate(2011, 3, 1, 0, 0, 0));
    EXPECT_EQ(text(TLSpendingReport::ofMaster(car, month(2011, 3))), "Fuel 60; Car 7.77; total 67.77");
}

TEST_F(TLSpendingReportTest, SlicesAddUpExactlyWhateverTheRates) {
    // Thirds of a cent that a rounding per slice would lose or gain.
    rate(eur, usd, "1.333333");
    TLCurrencyCenter::sharedCenter().clearRatesCache();
    const char* amounts[] = {"0.01", "3.33", "19.99", "7.77", "0.05", "1234.56"};
    TLCategory* into[] = {groceries, fuel, salary, nullptr, car, restaurants};
    for (int i = 0; i < 6; ++i) on(3, 15 + i, transaction(euroCard, TLTransactionType::Expense, {amounts[i]}, into[i]));
    TLSpendingReport march = TLSpendingReport::byMaster(month(2011, 3));
    EXPECT_EQ(march.slices().size(), 4u);  // Food, Car, none, Salary
    EXPECT_EQ(sum(march), march.total());
    // 230.892 of before, with 20 € now at the new rate, and 1265.71 € more.
    EXPECT_EQ(march.total(), D("204.75") + D("1285.71") * D("1.333333"));
}

TEST(TLReportPeriodTest, PeriodsAreWholeLocalDaysAroundNow) {
    Date now = localDate(2011, 3, 15, 10, 30);
    auto span = [&](TLReportPeriodKind kind, Date from = {}, Date to = {}) {
        TLReportPeriod period;
        period.kind = kind;
        period.from = from;
        period.to = to;
        TLTimeInterval interval = period.interval(now);
        return std::make_pair(interval.startDate(), *interval.endDate());
    };
    EXPECT_EQ(span(TLReportPeriodKind::ThisMonth), std::make_pair(localDate(2011, 3, 1), localDate(2011, 3, 31, 23, 59, 59)));
    EXPECT_EQ(span(TLReportPeriodKind::LastMonth), std::make_pair(localDate(2011, 2, 1), localDate(2011, 2, 28, 23, 59, 59)));
    EXPECT_EQ(span(TLReportPeriodKind::ThisYear), std::make_pair(localDate(2011, 1, 1), localDate(2011, 12, 31, 23, 59, 59)));
    EXPECT_EQ(span(TLReportPeriodKind::Last12Months),
              std::make_pair(localDate(2010, 4, 1), localDate(2011, 3, 31, 23, 59, 59)));
    // A range given back to front is the same range.
    EXPECT_EQ(span(TLReportPeriodKind::CustomRange, localDate(2011, 3, 9, 18), localDate(2011, 2, 27, 8)),
              std::make_pair(localDate(2011, 2, 27), localDate(2011, 3, 9, 23, 59, 59)));
    // January: last month is December of the year before.
    EXPECT_EQ(TLReportPeriod::monthBefore(localDate(2011, 1, 31, 23), 1).startDate(), localDate(2010, 12, 1));
}

}  // namespace
}  // namespace tallo
