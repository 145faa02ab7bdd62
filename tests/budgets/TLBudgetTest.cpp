// What a budget answers the budget screens: a category's amount in a month in
// the default currency, the current period and the share of it an interval
// is, and which active categories have no budget record.

#include "Classes/budgets/TLBudget.h"

#include "Classes/schedules/TLScheduler.h"
#include "tests/budgets/BudgetTestSupport.h"

namespace tallo {
namespace {

using test::D;
using test::localDate;

// A month of spending in dollars, euros and pounds: transfers, split
// transactions, a frozen rate, a refund, a schedule's split and the days
// around the month's ends.
class CategoryAmountTest : public test::BudgetTest {
protected:
    CategoryAmountTest() {
        usd = currency("USD", true);
        eur = currency("EUR");
        gbp = currency("GBP");
        rate(eur, usd, "1.1");
        rate(gbp, usd, "1.5");
        rate(usd, eur, "0.9");
        TLCurrencyCenter::sharedCenter().clearRatesCache();
        checking = account("Checking", usd);
        euroCard = account("Euro card", eur);
        pounds = account("Pounds", gbp);
        food = category("Food");
        groceries = category("Groceries", food);
        restaurants = category("Restaurants", food);
        salary = category("Salary");
    }

    TLTransaction* on(int day, TLTransaction* t) { return dated(t, localDate(2011, 3, day, 10)); }

    void enterMarch() {
        on(2, transaction(checking, TLTransactionType::Expense, {"40"}, groceries));
        TLTransaction* dinner = on(5, transaction(euroCard, TLTransactionType::Expense, {"10"}, groceries));  // split: 10 + 20 euros
        addSplit(dinner, "20", restaurants);
        on(9, transaction(pounds, TLTransactionType::Expense, {"3.33"}, groceries));
        // Euros paid from the dollar account at a frozen rate of 1.2.
        TLTransaction* abroad = on(12, transaction(checking, TLTransactionType::Expense, {}, groceries));
        abroad->changeCurrencyTo(eur);
        abroad->setValueToRateRecordToAccount(D("1.2"));
        addSplit(abroad, "5", groceries);
        // Pounds paid from the euro card at a frozen 1.3 euros a pound.
        TLTransaction* pub = on(14, transaction(euroCard, TLTransactionType::Expense, {}, groceries));
        pub->changeCurrencyTo(gbp);
        pub->setValueToRateRecordToAccount(D("1.3"));
        addSplit(pub, "2", groceries);
        // 100 dollars sent to the euro card, filed under groceries; the
        // mirror there is booked at 0.9 euros a dollar.
        TLTransaction* sent = on(20, transaction(checking, TLTransactionType::Transfer, {"100"}, groceries));
        sent->transferToAccount(euroCard);
        on(22, transaction(checking, TLTransactionType::Income, {"7.5"}, groceries));  // a refund
        on(25, transaction(checking, TLTransactionType::Income, {"2000"}, salary));
        on(26, transaction(checking, TLTransactionType::Expense, {"12.34"}));  // uncategorised
        dated(transaction(checking, TLTransactionType::Expense, {"1"}, groceries), localDate(2011, 3, 31, 23, 59, 59));
        dated(transaction(checking, TLTransactionType::Expense, {"1000"}, groceries), localDate(2011, 4, 1));
        dated(transaction(checking, TLTransactionType::Expense, {"1000"}, groceries), localDate(2011, 2, 28, 23, 59, 59));
        auto* planned = create<TLSplit>();  // a schedule's split never counts
        planned->setBill(create<TLScheduler>());
        planned->setCategory(groceries);
        planned->setAmount(D("500"));
    }

    Decimal amount(TLCategory* category, int type) {
        return merged->getTotalAmountForCategory(category, month(2011, 3), type);
    }

    TLBudget* merged = budget();
    TLCurrency *usd, *eur, *gbp;
    TLAccount *checking, *euroCard, *pounds;
    TLCategory *food, *groceries, *restaurants, *salary;
};

TEST_F(CategoryAmountTest, AMonthOfSpendingInThreeCurrenciesComesOutInDollars) {
    enterMarch();
    ASSERT_EQ(checkBooks(), "");
    // By hand: 40 + 10 € × 1.1 + 3.33 £ × 1.5 + 5 € × 1.2 (frozen) + 2 £ ×
    // 1.3 (frozen) × 1.1 + the sending side of the transfer (100) + 1 on the
    // last second of March.
    Decimal spent = D("40") + D("10") * D("1.1") + D("3.33") * D("1.5") + D("5") * D("1.2") +
                    D("2") * D("1.3") * D("1.1") + D("100") + D("1");
    EXPECT_EQ(spent, D("165.855"));
    EXPECT_EQ(amount(groceries, TLBudgetRecordType::Expense), D("165.86"));  // rounded up to cents
    // The refund and the receiving side of the transfer, whose 100 dollars
    // stay 100 though the euro card booked them at 0.9.
    EXPECT_EQ(amount(groceries, TLBudgetRecordType::Income), D("107.5"));
    EXPECT_EQ(amount(restaurants, TLBudgetRecordType::Expense), D("22"));
    EXPECT_EQ(amount(restaurants, TLBudgetRecordType::Income), D("0"));
    EXPECT_EQ(amount(salary, TLBudgetRecordType::Income), D("2000"));
    EXPECT_EQ(amount(salary, TLBudgetRecordType::Expense), D("0"));
    // A master's own amount is its own splits only; the sections add subcategories.
    EXPECT_EQ(amount(food, TLBudgetRecordType::Expense), D("0"));
    EXPECT_EQ(amount(nullptr, TLBudgetRecordType::Expense), D("12.34"));
}

TEST_F(CategoryAmountTest, AMissingRateLeavesTheAmountAsEntered) {
    TLCurrency* chf = currency("CHF");
    TLAccount* francs = account("Francs", chf);
    on(3, transaction(francs, TLTransactionType::Expense, {"8.75"}, groceries));
    EXPECT_EQ(amount(groceries, TLBudgetRecordType::Expense), D("8.75"));
    // A rate of zero is no rate either.
    rate(chf, usd, "0");
    TLCurrencyCenter::sharedCenter().clearRatesCache();
    EXPECT_EQ(amount(groceries, TLBudgetRecordType::Expense), D("8.75"));
    rate(chf, usd, "1.0725");
    TLCurrencyCenter::sharedCenter().clearRatesCache();
    EXPECT_EQ(amount(groceries, TLBudgetRecordType::Expense), D("9.39"));  // 9.384375, rounded up
}

TEST_F(CategoryAmountTest, TransfersCountOnTheSendingSideAsExpenseAndTheOtherAsIncome) {
    TLAccount* savings = account("Savings", usd);
    TLTransaction* sent = on(4, transaction(checking, TLTransactionType::Transfer, {"250"}, restaurants));
    sent->transferToAccount(savings);
    TLTransaction* received = on(6, transaction(checking, TLTransactionType::Transfer, {"80"}, restaurants));
    received->transferFromAccount(savings);
    ASSERT_EQ(checkBooks(), "");
    EXPECT_EQ(amount(restaurants, TLBudgetRecordType::Expense), D("330"));  // 250 out of checking, 80 out of savings
    EXPECT_EQ(amount(restaurants, TLBudgetRecordType::Income), D("330"));  // 250 into savings, 80 into checking
}

TEST_F(CategoryAmountTest, InvestmentBuysAreOutflowsAndSellsInflows) {
    on(7, transaction(checking, TLTransactionType::InvestmentBuy, {"300"}, salary));
    on(8, transaction(checking, TLTransactionType::InvestmentSell, {"120"}, salary));
    EXPECT_EQ(amount(salary, TLBudgetRecordType::Expense), D("300"));
    EXPECT_EQ(amount(salary, TLBudgetRecordType::Income), D("120"));
}

class BudgetPeriodTest : public test::BudgetTest {};

TEST_F(BudgetPeriodTest, ThePeriodStartsOnTheBudgetsDayOfThisMonthOrYear) {
    TLBudget* monthly = budget(TLBudgetType::Monthly);
    monthly->setStartDate(localDate(2009, 7, 10, 18, 30));
    EXPECT_EQ(test::local(monthly->getStartDate()), "2011-03-10 00:00:00");
    TLBudget* yearly = budget(TLBudgetType::Yearly);
    yearly->setStartDate(localDate(2009, 7, 10));
    EXPECT_EQ(test::local(yearly->getStartDate()), "2011-07-10 00:00:00");
    TLBudget* fixed = budget(TLBudgetType::FixedPeriod);
    fixed->setStartDate(localDate(2010, 11, 3, 9));
    EXPECT_EQ(test::local(fixed->getStartDate()), "2010-11-03 09:00:00");
    EXPECT_EQ(test::local(budget(TLBudgetType::FixedPeriod)->getStartDate()), "nil");
    // A day the month does not have runs on into the next one.
    test::ScopedClock february(localDate(2011, 2, 10));
    monthly->setStartDate(localDate(2010, 1, 31));
    EXPECT_EQ(test::local(monthly->getStartDate()), "2011-03-03 00:00:00");
    EXPECT_EQ(test::local(budget(TLBudgetType::Monthly)->getStartDate()), "2011-02-01 00:00:00");
}

TEST_F(BudgetPeriodTest, TodaysShareOfTheMonthRunsFromZeroAtItsFirstInstant) {
    TLBudget* b = budget();
    {
        test::ScopedClock first(localDate(2011, 4, 1));
        EXPECT_EQ(b->getTodayPercentage(), 0.0f);
    }
    {
        // 15 of April's 30 days, over the month less its last second.
        test::ScopedClock half(localDate(2011, 4, 16));
        EXPECT_FLOAT_EQ(b->getTodayPercentage(), static_cast<float>(15.0 * 86400 / (30.0 * 86400 - 1)));
    }
    {
        // The last second: the whole month, its 23-hour day included.
        test::ScopedClock lastSecond(localDate(2011, 3, 31, 23, 59, 59));
        EXPECT_FLOAT_EQ(b->getTodayPercentage(), 1.0f);
    }
}

TEST_F(BudgetPeriodTest, TheLimitRateIsTheIntervalsShareOfTheBudgetsPeriod) {
    TLTimeInterval march = month(2011, 3);  // 31 days less the hour daylight saving takes
    double marchSeconds = 31.0 * 86400 - 3600 - 1;
    TLBudget* yearly = budget(TLBudgetType::Yearly);
    yearly->setStartDate(localDate(2008, 1, 1));
    double year2011 = 365.0 * 86400 - 1;  // the hour lost in March comes back in November
    EXPECT_FLOAT_EQ(yearly->getLimitRateForFilterInterval(march), static_cast<float>(marchSeconds / year2011));
    TLBudget* monthly = budget(TLBudgetType::Monthly);
    monthly->setStartDate(localDate(2008, 1, 1));
    EXPECT_FLOAT_EQ(monthly->getLimitRateForFilterInterval(march), 1.0f);

    // A fixed period of 10 days of which 4 fall into March.
    TLBudget* fixed = budget(TLBudgetType::FixedPeriod);
    fixed->setStartDate(localDate(2011, 3, 28));
    fixed->setEndDate(localDate(2011, 4, 7));
    EXPECT_FLOAT_EQ(fixed->getLimitRateForFilterInterval(march), static_cast<float>((4.0 * 86400 - 1) / (10.0 * 86400)));
    fixed->setEndDate(localDate(2011, 3, 28));
    EXPECT_EQ(fixed->getLimitRateForFilterInterval(march), 0.0f);  // no length
    fixed->setEndDate(std::nullopt);
    EXPECT_EQ(fixed->getLimitRateForFilterInterval(march), 0.0f);
}

class UnbudgetedCategoriesTest : public test::BudgetTest {
protected:
    UnbudgetedCategoriesTest() {
        currency("USD", true);
        cash = account("Cash");
    }
    std::string names(int type) {
        std::string out;
        for (TLCategory* c : merged->fetchUnbudgetedActiveCategoriesWithTimeInterval(month(2011, 3), type)) {
            out += (out.empty() ? "" : ", ") + c->name().value_or("?");
        }
        return out;
    }
    TLAccount* cash;
    TLBudget* merged = budget();
};

TEST_F(UnbudgetedCategoriesTest, ActiveCategoriesWithoutARecordOfTheirDirectionByName) {
    TLCategory* rent = category("Rent");
    TLCategory* books = category("Books");
    TLCategory* gifts = category("Gifts");
    TLCategory* wages = category("Wages");
    TLCategory* quiet = category("Quiet");
    TLCategory* april = category("April");
    dated(transaction(cash, TLTransactionType::Expense, {"900"}, rent), localDate(2011, 3, 1));
    dated(transaction(cash, TLTransactionType::Expense, {"30"}, books), localDate(2011, 3, 31, 23, 59, 59));
    dated(transaction(cash, TLTransactionType::Expense, {"15"}, gifts), localDate(2011, 3, 10));
    dated(transaction(cash, TLTransactionType::Income, {"20"}, gifts), localDate(2011, 3, 11));
    dated(transaction(cash, TLTransactionType::Income, {"3000"}, wages), localDate(2011, 3, 25));
    dated(transaction(cash, TLTransactionType::Expense, {"5"}, april), localDate(2011, 4, 1));
    auto* planned = create<TLSplit>();
    planned->setBill(create<TLScheduler>());
    planned->setCategory(quiet);
    planned->setAmount(D("70"));
    EXPECT_EQ(names(TLBudgetRecordType::Expense), "Books, Gifts, Rent");
    EXPECT_EQ(names(TLBudgetRecordType::Income), "Gifts, Wages");

    // A record of one direction takes the category off that list only; a
    // record of the other direction leaves it on.
    record(merged, rent, TLBudgetRecordType::Expense);
    record(merged, gifts, TLBudgetRecordType::Income);
    record(merged, wages, TLBudgetRecordType::Expense);
    EXPECT_EQ(names(TLBudgetRecordType::Expense), "Books, Gifts");
    EXPECT_EQ(names(TLBudgetRecordType::Income), "Wages");
}

TEST_F(UnbudgetedCategoriesTest, TheSendingSideOfATransferIsSpendingAndTheOtherIncome) {
    TLCategory* moving = category("Moving");
    TLAccount* bank = account("Bank");
    dated(transaction(cash, TLTransactionType::Transfer, {"60"}, moving), localDate(2011, 3, 3))->transferToAccount(bank);
    EXPECT_EQ(names(TLBudgetRecordType::Expense), "Moving");
    EXPECT_EQ(names(TLBudgetRecordType::Income), "Moving");
    TLCategory* tickets = category("Tickets");
    dated(transaction(cash, TLTransactionType::InvestmentBuy, {"60"}, tickets), localDate(2011, 3, 3));
    EXPECT_EQ(names(TLBudgetRecordType::Expense), "Moving, Tickets");
    EXPECT_EQ(names(TLBudgetRecordType::Income), "Moving");
}

}  // namespace
}  // namespace tallo
