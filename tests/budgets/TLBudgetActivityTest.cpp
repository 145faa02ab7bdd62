// The month's gathered activity is reused only while the store is unchanged:
// every edit, rollback and reload is seen by the next question.

#include "Classes/budgets/TLBudgetActivity.h"

#include "Classes/budgets/TLBudget.h"
#include "tests/budgets/BudgetTestSupport.h"

namespace tallo {
namespace {

using test::D;
using test::localDate;

class TLBudgetActivityTest : public test::BudgetTest {
protected:
    TLBudgetActivityTest() {
        usd = currency("USD", true);
        cash = account("Cash", usd);
        food = category("Food");
        fun = category("Fun");
        merged = budget();
        march = month(2011, 3);
    }
    Decimal spent(TLCategory* on) { return merged->getTotalAmountForCategory(on, march, TLBudgetRecordType::Expense); }

    TLCurrency* usd;
    TLAccount* cash;
    TLCategory* food;
    TLCategory* fun;
    TLBudget* merged;
    TLTimeInterval march;
};

TEST_F(TLBudgetActivityTest, EveryEditIsSeenByTheNextQuestion) {
    TLTransaction* lunch = dated(transaction(cash, TLTransactionType::Expense, {"12.50"}, food), localDate(2011, 3, 3, 12));
    dated(transaction(cash, TLTransactionType::Expense, {"7"}, food), localDate(2011, 3, 31, 23, 59, 59));
    EXPECT_EQ(spent(food), D("19.5"));
    db().save();

    lunch->getSplit()->changeAmountTo(D("20"));
    EXPECT_EQ(spent(food), D("27"));
    lunch->getSplit()->changeCategoryTo(fun);
    EXPECT_EQ(spent(food), D("7"));
    EXPECT_EQ(spent(fun), D("20"));
    lunch->setTransactionDate(localDate(2011, 4, 1));  // out of the month
    EXPECT_EQ(spent(fun), D("0"));
    EXPECT_TRUE(merged->fetchUnbudgetedActiveCategoriesWithTimeInterval(march, TLBudgetRecordType::Expense) ==
                std::vector<TLCategory*>{food});

    db().rollback();  // back to the saved state
    EXPECT_EQ(spent(food), D("19.5"));
    dated(transaction(cash, TLTransactionType::Expense, {"3"}), localDate(2011, 3, 5));
    EXPECT_EQ(spent(nullptr), D("3"));  // uncategorised
    db().deleteObject(lunch);
    EXPECT_EQ(spent(food), D("7"));
}

TEST_F(TLBudgetActivityTest, AReloadedStoreIsGatheredAfresh) {
    dated(transaction(cash, TLTransactionType::Expense, {"5"}, food), localDate(2011, 3, 9));
    EXPECT_EQ(spent(food), D("5"));
    db().save();
    TLDatabase::resetSharedDatabase();  // the objects above are gone
    TLCurrencyCenter::resetSharedCenter();
    auto* reopenedFood = TLCategory::getCategoryWithName("Food");
    auto* reopened = static_cast<TLBudget*>(db().fetchEntityCustom("Budget").front());
    EXPECT_EQ(reopened->getTotalAmountForCategory(reopenedFood, march, TLBudgetRecordType::Expense), D("5"));
}

}  // namespace
}  // namespace tallo
