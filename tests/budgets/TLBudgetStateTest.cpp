// The budget state the application keeps: the section-total records, and the
// launch merge of every stored budget into the one monthly budget.

#include "Classes/budgets/TLBudgetState.h"

#include <map>
#include <string>

#include "Classes/shell/TLGlobal.h"
#include "tests/budgets/BudgetTestSupport.h"

namespace tallo {
namespace {

using test::D;
using test::localDate;

std::vector<TLBudget*> allBudgets() {
    std::vector<TLBudget*> out;
    for (ManagedObject* o : TLDatabase::sharedDatabase().getAllObjectsWithEntityName("Budget")) {
        out.push_back(static_cast<TLBudget*>(o));
    }
    return out;
}

// "Groceries/0: limit 400; 24134 every month 400" — one line a record of the
// budget, in creation order; "total" for a section-total record.
std::string recordsOf(const TLBudget* budget) {
    std::string out;
    for (TLBudgetRecord* r : budget->records()) {
        out += (r->category() ? r->category()->name().value_or("?") : std::string("total")) + "/" +
               std::to_string(r->type().value_or(-1)) + ": limit " +
               (r->limit() ? r->limit()->toString() : std::string("nil"));
        for (TLBudgetRecordCustom* c : r->customLimits()) {
            out += "; " + std::to_string(c->month().value_or(0)) + (c->global().value_or(false) ? " every month " : " only ") +
                   (c->limit() ? c->limit()->toString() : std::string("nil"));
        }
        out += "\n";
    }
    return out;
}

class SectionRecordTest : public test::BudgetTest {
protected:
    TLBudget* merged = budget();
};

TEST_F(SectionRecordTest, TheLastRecordWithoutCategoryOfEachTypeIsTheSectionTotal) {
    EXPECT_EQ(TLBudgetState::expenseRecord(), nullptr);
    EXPECT_EQ(TLBudgetState::incomeRecord(), nullptr);
    record(merged, category("Rent"), TLBudgetRecordType::Expense);  // has a category: not a total
    EXPECT_EQ(TLBudgetState::expenseRecord(), nullptr);
    // Nothing found is not remembered: a total made later is found.
    TLBudgetRecord* expenses = record(merged, nullptr, TLBudgetRecordType::Expense);
    TLBudgetRecord* income = record(merged, nullptr, TLBudgetRecordType::Income);
    EXPECT_EQ(TLBudgetState::expenseRecord(), expenses);
    EXPECT_EQ(TLBudgetState::incomeRecord(), income);
    // The total found is kept while it lives; setting one replaces it.
    TLBudgetRecord* later = record(merged, nullptr, TLBudgetRecordType::Expense);
    db().save();
    EXPECT_EQ(TLBudgetState::expenseRecord(), expenses);
    TLBudgetState::setExpenseRecord(later);
    EXPECT_EQ(TLBudgetState::expenseRecord(), later);
    TLBudgetState::setExpenseRecord(nullptr);
    EXPECT_EQ(TLBudgetState::expenseRecord(), later);  // the last of them
    db().deleteObject(later);
    EXPECT_EQ(TLBudgetState::expenseRecord(), expenses);
}

TEST_F(SectionRecordTest, ACachedTotalThatTheStoreDropsIsNeverHandedOut) {
    db().save();
    TLBudgetRecord* typed = record(merged, nullptr, TLBudgetRecordType::Income);
    ASSERT_EQ(TLBudgetState::incomeRecord(), typed);
    db().rollback();  // the person cancelled: the new record is gone
    EXPECT_EQ(TLBudgetState::incomeRecord(), nullptr);

    TLBudgetRecord* kept = record(merged, nullptr, TLBudgetRecordType::Income);
    kept->setLimit(D("2500"));
    db().save();
    ASSERT_EQ(TLBudgetState::incomeRecord(), kept);
    db().reloadData();  // a store arrived from the desktop
    TLBudgetRecord* reloaded = TLBudgetState::incomeRecord();
    ASSERT_NE(reloaded, nullptr);
    EXPECT_EQ(reloaded->limit(), D("2500"));

    db().deleteObject(reloaded);
    db().save();
    EXPECT_EQ(TLBudgetState::incomeRecord(), nullptr);
}

TEST_F(SectionRecordTest, ARecordOfASetIsFoundByTheSameCategoryAndType) {
    TLCategory* rent = category("Rent");
    TLCategory* gifts = category("Gifts");
    TLBudgetRecord* rentOut = record(merged, rent, TLBudgetRecordType::Expense);
    TLBudgetRecord* giftsIn = record(merged, gifts, TLBudgetRecordType::Income);
    TLBudgetRecord* total = record(merged, nullptr, TLBudgetRecordType::Expense);
    std::vector<TLBudgetRecord*> set{rentOut, giftsIn, total};
    EXPECT_EQ(TLBudgetState::category(rent, set, 0), rentOut);
    EXPECT_EQ(TLBudgetState::category(rent, set, 1), nullptr);
    EXPECT_EQ(TLBudgetState::category(gifts, set, 1), giftsIn);
    EXPECT_EQ(TLBudgetState::category(nullptr, set, 0), total);
    EXPECT_EQ(TLBudgetState::category(nullptr, set, 1), nullptr);
}

TEST_F(SectionRecordTest, TheGlobalObjectAnswersWithTheBudgetState) {
    TLGlobal::resetSharedGlobal();
    TLGlobal& global = TLGlobal::sharedGlobal();
    EXPECT_EQ(global.currentMonthID(), kMarch2011);
    TLBudgetRecord* groceries = record(merged, category("Groceries"));
    limit(groceries, kMarch2011, "300");
    limit(groceries, kMarch2011 + 1, "320");
    global.setActiveMonthID(kMarch2011 + 1);
    EXPECT_EQ(TLBudgetState::activeMonthID(), kMarch2011 + 1);
    EXPECT_EQ(groceries->getLimitWithActiveMonth(), D("320"));
    TLBudgetRecord* total = record(merged, nullptr, TLBudgetRecordType::Expense);
    EXPECT_EQ(global.expenseRecord(), total);
    global.mergeBudgets();
    EXPECT_EQ(allBudgets().size(), 1u);
    TLGlobal::resetSharedGlobal();
}

class MergeBudgetsTest : public test::BudgetTest {
protected:
    MergeBudgetsTest() {
        groceries = category("Groceries");
        rent = category("Rent");
        salary = category("Salary");
    }
    TLCategory *groceries, *rent, *salary;
};

TEST_F(MergeBudgetsTest, AnEmptyStoreGetsOneMonthlyBudgetWithoutRecords) {
    TLBudgetState::mergeBudgets();
    std::vector<TLBudget*> budgets = allBudgets();
    ASSERT_EQ(budgets.size(), 1u);
    EXPECT_EQ(budgets[0]->uuid(), "budget");
    EXPECT_EQ(budgets[0]->type(), TLBudgetType::Monthly);
    EXPECT_EQ(budgets[0]->name(), std::nullopt);
    EXPECT_TRUE(budgets[0]->records().empty());
    db().save();
    TLBudgetState::mergeBudgets();
    EXPECT_EQ(allBudgets().size(), 1u);
    EXPECT_FALSE(db().context()->hasChanges());
}

TEST_F(MergeBudgetsTest, OneOldMonthlyBudgetIsKeptRenamedAndItsLimitsStartThisMonth) {
    TLBudget* household = budget(TLBudgetType::Monthly);
    household->setUuid("TL-A-Budget-2009-0101-010101-X");
    household->setName("Household");
    record(household, groceries, TLBudgetRecordType::Expense, "400");
    record(household, salary, TLBudgetRecordType::Income, "3000");
    record(household, nullptr, TLBudgetRecordType::Expense, "1500");
    db().save();

    TLBudgetState::mergeBudgets();
    std::vector<TLBudget*> budgets = allBudgets();
    ASSERT_EQ(budgets.size(), 1u);
    EXPECT_EQ(budgets[0], household);
    EXPECT_EQ(household->uuid(), "budget");
    EXPECT_EQ(household->name(), "budget");
    EXPECT_EQ(TLBudgetState::activeMonthID(), kMarch2011);
    const std::string merged =
        "Groceries/0: limit 400; 24134 every month 400\n"
        "Salary/1: limit 3000; 24134 every month 3000\n"
        "total/0: limit 1500; 24134 every month 1500\n";
    EXPECT_EQ(recordsOf(household), merged);

    // The next launch, a month later, changes nothing.
    db().save();
    test::ScopedClock april(localDate(2011, 4, 2));
    TLBudgetState::mergeBudgets();
    EXPECT_FALSE(db().context()->hasChanges());
    EXPECT_EQ(recordsOf(household), merged);
}

TEST_F(MergeBudgetsTest, ABudgetOfEveryTypeFoldsIntoANewMonthlyOneAndTheLargerLimitStays) {
    TLBudget* yearly = budget(TLBudgetType::Yearly);
    yearly->setUuid("yearly");
    yearly->setStartDate(localDate(2010, 1, 1));
    record(yearly, groceries, TLBudgetRecordType::Expense, "1200");
    record(yearly, salary, TLBudgetRecordType::Income, "36000");
    TLBudget* monthly = budget(TLBudgetType::Monthly);
    monthly->setUuid("monthly");
    record(monthly, groceries, TLBudgetRecordType::Expense, "90");   // less than the yearly's share
    record(monthly, groceries, TLBudgetRecordType::Income, "15");    // the other direction: its own record
    record(monthly, salary, TLBudgetRecordType::Income, "3100");     // more than the yearly's share
    TLBudget* trip = budget(TLBudgetType::FixedPeriod);
    trip->setUuid("trip");
    trip->setStartDate(localDate(2011, 3, 28));
    trip->setEndDate(localDate(2011, 4, 7));  // 10 days, 4 of them in March
    record(trip, rent, TLBudgetRecordType::Expense, "100");

    TLBudgetState::mergeBudgets();
    std::vector<TLBudget*> budgets = allBudgets();
    ASSERT_EQ(budgets.size(), 1u);
    TLBudget* merged = budgets[0];
    EXPECT_EQ(merged->uuid(), "budget");
    EXPECT_EQ(merged->type(), TLBudgetType::Monthly);

    // By hand: March 2011 is 31 days less the hour daylight saving takes, its
    // year 365 days; both intervals end a second before midnight.
    const double marchShare = (31.0 * 86400 - 3600 - 1) / (365.0 * 86400 - 1);
    const double tripShare = (4.0 * 86400 - 1) / (10.0 * 86400);
    std::map<std::string, double> expected{{"Groceries/0", 1200 * marchShare},  // 101.78, beats 90
                                           {"Groceries/1", 15},
                                           {"Salary/1", 3100},  // beats 36000 × share, about 3053
                                           {"Rent/0", 100 * tripShare}};
    ASSERT_EQ(merged->records().size(), expected.size());
    for (TLBudgetRecord* r : merged->records()) {
        std::string key = r->category()->name().value_or("?") + "/" + std::to_string(r->type().value_or(-1));
        ASSERT_EQ(expected.count(key), 1u) << key;
        ASSERT_EQ(r->customLimits().size(), 1u) << key;
        TLBudgetRecordCustom* limit = *r->customLimits().begin();
        EXPECT_EQ(limit->month(), kMarch2011);
        EXPECT_EQ(limit->global(), true);
        EXPECT_NEAR(limit->limit().value_or(Decimal::notANumber()).doubleValue(), expected[key], 1e-4) << key;
        EXPECT_EQ(r->getCustomLimitWithMonthID(kMarch2011 + 7), limit) << key;
    }
    // The records that lost go with their budgets.
    EXPECT_EQ(db().getAllObjectsWithEntityName("BudgetRecord").size(), 4u);
    db().save();
}

TEST_F(MergeBudgetsTest, RecordsThatAlreadyHaveMonthLimitsKeepThem) {
    // The device's merged budget with limits the person entered, and a
    // second budget that arrived from the desktop.
    TLBudget* merged = budget();
    TLBudgetRecord* typed = record(merged, groceries, TLBudgetRecordType::Expense);  // stored limit: the model's 0
    limit(typed, kMarch2011 - 2, "250");
    TLBudget* desktop = budget();
    desktop->setUuid("desktop");
    record(desktop, rent, TLBudgetRecordType::Expense, "800");

    TLBudgetState::mergeBudgets();
    std::vector<TLBudget*> budgets = allBudgets();
    ASSERT_EQ(budgets.size(), 1u);
    TLBudgetState::setActiveMonthID(kMarch2011);
    bool sawGroceries = false;
    for (TLBudgetRecord* r : budgets[0]->records()) {
        if (r->category() == groceries) {
            sawGroceries = true;
            EXPECT_EQ(r->getLimitWithActiveMonth(), D("250"));
            EXPECT_EQ(r->customLimits().size(), 1u);
        } else {
            EXPECT_EQ(r->getLimitWithActiveMonth(), D("800"));
        }
    }
    EXPECT_TRUE(sawGroceries);
}

}  // namespace
}  // namespace tallo
