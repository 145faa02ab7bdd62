// A budget section as the budget screen shows it: the rows of a month, their
// amounts and limits, the asterisk of a summed limit, and the totals.

#include "Classes/budgets/TLBudgetSection.h"

#include <memory>
#include <string>

#include "tests/budgets/BudgetTestSupport.h"

namespace tallo {
namespace {

using test::D;
using test::localDate;

class BudgetSectionTest : public test::BudgetTest {
protected:
    BudgetSectionTest() {
        currency("USD", true);
        cash = account("Cash");
        food = category("Food");
        groceries = category("Groceries", food);
        restaurants = category("Restaurants", food);
        car = category("Car");
        fuel = category("Fuel", car);
        fun = category("Fun");
        movies = category("Movies", fun);
        gifts = category("Gifts");
        salary = category("Salary");
        TLBudgetState::setActiveMonthID(kMarch2011);
    }

    void spend(const char* amount, TLCategory* on, int type = TLTransactionType::Expense, int day = 10) {
        dated(transaction(cash, type, {amount}, on), localDate(2011, 3, day, 9));
    }

    // A section of the merged budget over the screen's month, filled as the
    // budget screen fills it.
    std::unique_ptr<TLBudgetSection> section(int type, bool unbudgetedAtTheEnd = false) {
        auto s = std::make_unique<TLBudgetSection>();
        s->setBudget(merged);
        s->setRecordsType(type);
        s->setTimeInterval(screenMonth);
        s->setShouldIncludeUnbudgetedSubcats(true);
        s->setIncludeUnbudgetedMasterfields(unbudgetedAtTheEnd);
        s->fillFieldsArray();
        return s;
    }

    // One row a line: "Food 42/30* B" — amount/limit, * for a summed limit,
    // B when budgeted; subcategories indented.
    static std::string rows(const TLBudgetSection& s) {
        std::string out;
        for (const TLBudgetField::Ptr& f : s.fieldsArray()) {
            out += std::string(f->category()->mastercat() ? "  " : "") + f->category()->name().value_or("?") + " " +
                   f->amount().toString() + "/" + f->limit().toString() + (f->showAsterisk() ? "*" : "") +
                   (f->budgeted() ? " B" : "") + "\n";
        }
        return out;
    }
    static std::string totals(const TLBudgetSection& s) {
        return "amount " + s.totalAmount().toString() + " limit " + s.totalLimit().toString() +
               (s.showAsterisk() ? "*" : "") + " unbudgeted " + s.totalUnbudgeted().toString() +
               (s.budgeted() ? " budgeted" : "");
    }

    // The month of March 2011, spent and limited: see the first test.
    void enterMarch() {
        spend("25", groceries);
        spend("12", restaurants);
        spend("5", food);
        spend("60", fuel);
        spend("10", gifts);
        spend("8", movies);
        spend("7.25", nullptr);
        spend("2000", salary, TLTransactionType::Income);
        spend("3", groceries, TLTransactionType::Income);  // a refund
        limit(record(merged, groceries), kMarch2011 - 1, "30");  // every month since February
        limit(record(merged, gifts), kMarch2011, "15", false);  // March only
        limit(record(merged, movies), kMarch2011 + 1, "20", false);  // April only
        limit(record(merged, salary, TLBudgetRecordType::Income), kMarch2011, "2100");
    }

    TLAccount* cash;
    TLCategory *food, *groceries, *restaurants, *car, *fuel, *fun, *movies, *gifts, *salary;
    TLBudget* merged = budget();
    std::shared_ptr<TLTimeInterval> screenMonth = std::make_shared<TLTimeInterval>(month(2011, 3));
};

TEST_F(BudgetSectionTest, TheExpenseRowsOfAMonth) {
    enterMarch();
    auto expenses = section(TLBudgetRecordType::Expense);
    // Gifts comes first: when rows are ordered a master counts as budgeted
    // only through a record of its own. Food shows its subcategory's limit,
    // summed, and includes the subcategory amounts (5 + 25 + 12). Movies has
    // a record but no limit in March. Car and its fuel have no limit at all:
    // they are only in the unbudgeted total.
    EXPECT_EQ(rows(*expenses),
              "Gifts 10/15 B\n"
              "Food 42/30* B\n"
              "  Groceries 25/30 B\n"
              "  Restaurants 12/0\n"
              "Fun 8/0 B\n"
              "  Movies 8/0 B\n");
    // 10 + 42 + 8 + 60 + 7.25 uncategorised, which shows in no row.
    EXPECT_EQ(totals(*expenses), "amount 127.25 limit 45* unbudgeted 60 budgeted");
    ASSERT_EQ(expenses->unbugetedMasterfieldsArray().size(), 1u);
    EXPECT_EQ(expenses->unbugetedMasterfieldsArray()[0]->category(), car);
    ASSERT_EQ(expenses->unbugetedFieldsArray().size(), 2u);
    EXPECT_EQ(expenses->unbugetedFieldsArray()[1]->category(), fuel);
    EXPECT_EQ(expenses->budgetRecordsArray().size(), 3u);
    EXPECT_EQ(expenses->budgetRecord(), nullptr);
    // Each field belongs to the section and knows its month limit.
    const TLBudgetField::Ptr& groceriesRow = expenses->fieldsArray()[2];
    EXPECT_EQ(groceriesRow->budgetSection(), expenses.get());
    ASSERT_NE(groceriesRow->recordCustom(), nullptr);
    EXPECT_EQ(groceriesRow->recordCustom()->month(), kMarch2011 - 1);
    EXPECT_EQ(expenses->fieldsArray()[3]->recordCustom(), nullptr);
}

TEST_F(BudgetSectionTest, TheIncomeRowsOfAMonthAndTheUnbudgetedOnesAtTheEnd) {
    enterMarch();
    auto income = section(TLBudgetRecordType::Income);
    EXPECT_EQ(rows(*income), "Salary 2000/2100 B\n");
    EXPECT_EQ(totals(*income), "amount 2003 limit 2100* unbudgeted 3 budgeted");
    auto listed = section(TLBudgetRecordType::Income, true);
    EXPECT_EQ(rows(*listed),
              "Salary 2000/2100 B\n"
              "Food 3/0\n"
              "  Groceries 3/0\n");
}

TEST_F(BudgetSectionTest, AnotherMonthHasItsOwnLimitsAndNoActivity) {
    enterMarch();
    TLBudgetState::setActiveMonthID(kMarch2011 + 1);
    screenMonth->setMonthIntervalFromYear(2011, 4);
    auto expenses = section(TLBudgetRecordType::Expense);
    // Gifts' March limit is over; Movies has its April limit. Without
    // amounts, Gifts leads by its own record, the others keep their order.
    EXPECT_EQ(rows(*expenses),
              "Gifts 0/0 B\n"
              "Food 0/30* B\n"
              "  Groceries 0/30 B\n"
              "Fun 0/20* B\n"
              "  Movies 0/20 B\n");
    EXPECT_EQ(totals(*expenses), "amount 0 limit 50* unbudgeted 0 budgeted");
}

TEST_F(BudgetSectionTest, AMastersOwnLimitCountsOnlyWhereItExceedsItsSubcategories) {
    TLCategory* home = category("Home");
    limit(record(merged, category("Utilities", home)), kMarch2011, "30");
    limit(record(merged, category("Internet", home)), kMarch2011, "40");
    TLBudgetRecordCustom* own = limit(record(merged, home), kMarch2011, "100");
    const std::string subcategories = "  Utilities 0/30 B\n  Internet 0/40 B\n";
    EXPECT_EQ(rows(*section(TLBudgetRecordType::Expense)), "Home 0/100 B\n" + subcategories);
    own->setLimit(D("60"));
    EXPECT_EQ(rows(*section(TLBudgetRecordType::Expense)), "Home 0/70* B\n" + subcategories);
    own->setLimit(D("70"));
    EXPECT_EQ(rows(*section(TLBudgetRecordType::Expense)), "Home 0/70* B\n" + subcategories);
}

TEST_F(BudgetSectionTest, TheSectionTotalCountsOnlyWhereItExceedsTheCategoryLimits) {
    enterMarch();
    TLBudgetRecord* total = record(merged, nullptr, TLBudgetRecordType::Expense);
    TLBudgetRecordCustom* own = limit(total, kMarch2011, "40");
    auto expenses = section(TLBudgetRecordType::Expense);
    EXPECT_EQ(expenses->budgetRecord(), total);
    EXPECT_EQ(totals(*expenses), "amount 127.25 limit 45* unbudgeted 60 budgeted");
    own->setLimit(D("200"));
    EXPECT_EQ(totals(*section(TLBudgetRecordType::Expense)), "amount 127.25 limit 200 unbudgeted 60 budgeted");
    // The income section has no total of its own.
    EXPECT_EQ(section(TLBudgetRecordType::Income)->budgetRecord(), nullptr);
}

TEST_F(BudgetSectionTest, WithEveryLimitZeroNoLimitIsMarkedAsASum) {
    spend("20", groceries);
    limit(record(merged, groceries), kMarch2011, "0");
    limit(record(merged, food), kMarch2011, "0");
    limit(record(merged, nullptr), kMarch2011, "0");
    auto expenses = section(TLBudgetRecordType::Expense);
    EXPECT_EQ(rows(*expenses),
              "Food 20/0 B\n"
              "  Groceries 20/0 B\n");
    EXPECT_EQ(totals(*expenses), "amount 20 limit 0 unbudgeted 0 budgeted");
}

TEST_F(BudgetSectionTest, ASectionWithoutRecordsOrActivityIsEmptyAndNotBudgeted) {
    spend("15", nullptr);  // uncategorised only
    auto expenses = section(TLBudgetRecordType::Expense);
    EXPECT_EQ(rows(*expenses), "");
    EXPECT_EQ(totals(*expenses), "amount 15 limit 0 unbudgeted 0");
    spend("9", gifts);
    expenses->fillFieldsArray();  // a rebuild sees the new spending
    EXPECT_EQ(rows(*expenses), "");
    EXPECT_EQ(totals(*expenses), "amount 24 limit 0 unbudgeted 9");
}

TEST_F(BudgetSectionTest, DeletingTheSectionTotalForgetsItEverywhere) {
    enterMarch();
    TLBudgetRecord* total = record(merged, nullptr, TLBudgetRecordType::Expense);
    limit(total, kMarch2011, "500");
    auto expenses = section(TLBudgetRecordType::Expense);
    ASSERT_EQ(expenses->budgetRecord(), total);
    expenses->deleteBudgetRecord();
    EXPECT_EQ(expenses->budgetRecord(), nullptr);
    EXPECT_EQ(TLBudgetState::expenseRecord(), nullptr);
    EXPECT_TRUE(db().fetchEntityCustom("BudgetRecordCustom", Predicate::parse("limit == 500")).empty());
    db().save();
    expenses->fillFieldsArray();
    EXPECT_EQ(totals(*expenses), "amount 127.25 limit 45* unbudgeted 60 budgeted");
}

}  // namespace
}  // namespace tallo
