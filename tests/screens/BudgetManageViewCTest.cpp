// Choosing budget categories: "Manage Budget" from "Add Category", and the
// budget wizard the empty budget starts — categories, then the limits to
// review — saved by its "Done" or undone by its "Cancel".

#include "Classes/screens/budgets/BudgetManageViewC.h"

#include "Classes/screens/wizard/TLWizard.h"
#include "tests/screens/BudgetScreenTest.h"

namespace tallo {
namespace {

using test::localDate;

class BudgetManageViewCTest : public test::BudgetScreenTest {
protected:
    BudgetManageViewCTest() {
        spend("42", groceries, localDate(2011, 3, 2, 9));
        db().save();
    }
    ~BudgetManageViewCTest() override { TLWizard::resetActiveWizard(); }
};

TEST_F(BudgetManageViewCTest, ListsMastersByNameEachFollowedByItsSubcategories) {
    openBudget();
    tap("nav:left");  // the empty budget: the wizard's first step
    std::string list = scene();
    size_t foodAt = list.find("text=\"Food\"");
    size_t groceriesAt = list.find("text=\"Groceries\"");
    size_t restaurantsAt = list.find("text=\"Restaurants\"");
    size_t funAt = list.find("text=\"Fun\"");
    size_t salaryAt = list.find("text=\"Salary\"");
    ASSERT_NE(salaryAt, std::string::npos) << list;
    EXPECT_LT(foodAt, groceriesAt);
    EXPECT_LT(groceriesAt, funAt) << "Food's subcategories come before the next master";
    EXPECT_LT(restaurantsAt, funAt);
    EXPECT_LT(funAt, salaryAt);
    EXPECT_FALSE(has(row("row:0:1"), "textBold=yes")) << "a subcategory is not bold: " << row("row:0:1");
    EXPECT_TRUE(has(row("row:0:0"), "textBold=yes")) << row("row:0:0");

    type("search", "REST");
    std::string found = scene();
    EXPECT_TRUE(has(found, "text=\"Restaurants\"")) << found;
    EXPECT_FALSE(has(found, "text=\"Groceries\"")) << found;
}

TEST_F(BudgetManageViewCTest, TheWizardMakesTheLimitAndItsDoneSavesIt) {
    openBudget();
    tap("nav:left");
    // Groceries: the amount screen starts at its total, as a magnitude.
    tap("row:0:1");
    std::string amount = scene();
    EXPECT_TRUE(has(amount, "navbar title=\"Groceries\"")) << amount;
    EXPECT_TRUE(has(amount, "amount=\"$42.00\"")) << amount;
    keys("60");
    tap("nav:right");
    EXPECT_TRUE(has(row("row:0:1"), "accessory=\"checkmark\"")) << "a category with its limit is checked: " << row("row:0:1");

    tap("nav:right");  // Next: the limits to review, in editing
    std::string review = scene();
    EXPECT_TRUE(has(review, "navbar title=\"2011 Budget\"")) << review;
    EXPECT_TRUE(has(review, "limit=\"of $60.00\"")) << review;
    EXPECT_TRUE(has(review, "button#nav:right done=yes")) << review;

    tap("nav:right");  // Done: saved, the wizard over, the budget shown
    EXPECT_FALSE(TLWizard::activeWizard().isActive());
    std::string shown = scene();
    EXPECT_TRUE(has(shown, "budgetbar")) << shown;
    EXPECT_TRUE(has(shown, "button#nav:left title=\"Edit\"")) << shown;
    db().rollback();
    auto records = db().fetchEntityCustom("BudgetRecord");
    ASSERT_EQ(records.size(), 1u) << "saved: a rollback keeps it";
    auto* groceriesRecord = static_cast<TLBudgetRecord*>(records[0]);
    EXPECT_EQ(groceriesRecord->category(), groceries);
    EXPECT_EQ(limitIn(groceriesRecord, kMarch2011), "60");
}

TEST_F(BudgetManageViewCTest, CancellingTheWizardLeavesTheBudgetEmpty) {
    openBudget();
    tap("nav:left");
    tap("row:0:1");
    keys("60");
    tap("nav:right");
    tap("nav:right");  // the review
    tap("nav:left");   // Cancel
    EXPECT_FALSE(TLWizard::activeWizard().isActive());
    EXPECT_TRUE(db().fetchEntityCustom("BudgetRecord").empty());
    EXPECT_TRUE(has(scene(), "Press \\\"Edit\\\" to manage budget.")) << scene();
}

TEST_F(BudgetManageViewCTest, AddCategoryOpensTheChooserAloneAndBudgetDoneSaves) {
    limit(record(fun), kMarch2011, "20");
    db().save();
    openBudget();
    tap("nav:left");  // editing
    tap("row:0:0");   // "Add Category"
    EXPECT_TRUE(has(scene(), "navbar title=\"Manage Budget\"")) << scene();
    EXPECT_TRUE(has(scene(), "button#nav:right done=yes")) << "Done, not Next, outside the wizard";
    tap("row:0:0");  // Food
    keys("150");
    tap("key:10");  // this month only
    tap("nav:right");
    tap("nav:right");  // Manage Budget's Done closes it
    std::string budgetScene = scene();
    EXPECT_TRUE(has(budgetScene, "text=\"Food\"")) << budgetScene;
    EXPECT_TRUE(has(budgetScene, "text=\"Add Category\"")) << "still editing: " << budgetScene;
    tap("nav:right");  // Done
    db().rollback();
    TLBudgetRecord* foodRecord =
        TLGlobal::sharedGlobal().category(food, budget->records().toVector(), TLBudgetRecordType::Expense);
    ASSERT_NE(foodRecord, nullptr);
    EXPECT_EQ(limitIn(foodRecord, kMarch2011), "150");
    EXPECT_EQ(limitIn(foodRecord, kApril2011), "none") << "entered for March only";
}

// ---- a sync while it is open ----------------------------------------------------

TEST_F(BudgetManageViewCTest, ASyncClosesManageBudgetAndItsAmountScreenWithoutMakingTheLimit) {
    limit(record(fun), kMarch2011, "20");
    db().save();
    openBudget();
    tap("nav:left");  // editing
    tap("row:0:0");   // "Add Category"
    tap("row:0:0");   // Food: its amount screen
    keys("150");
    ASSERT_TRUE(has(scene(), "navbar title=\"Food\"")) << scene();

    storeReplacedBySync();
    std::string after = scene();
    EXPECT_TRUE(has(after, "navbar title=\"2011 Budget\"")) << after;
    EXPECT_FALSE(has(after, "Manage Budget")) << after;
    EXPECT_TRUE(has(after, "text=\"Fun\"")) << "the budget of the store now in place: " << after;
    EXPECT_EQ(db().fetchEntityCustom("BudgetRecord").size(), 1u) << "Fun's only; Food's limit was never entered";

    // The budget screen goes on working on the new store.
    tap("row:0:0");  // "Add Category" again
    tap("row:0:0");  // Food
    keys("150");
    tap("nav:right");
    EXPECT_EQ(db().fetchEntityCustom("BudgetRecord").size(), 2u);
}

TEST_F(BudgetManageViewCTest, ASyncDuringTheBudgetWizardEndsItAndShowsTheNewStoresBudget) {
    openBudget();
    tap("nav:left");  // the empty budget: the wizard's first step
    ASSERT_TRUE(TLWizard::activeWizard().isActive());
    ASSERT_TRUE(has(scene(), "navbar title=\"Manage Budget\"")) << scene();

    storeReplacedBySync();
    EXPECT_FALSE(TLWizard::activeWizard().isActive());
    std::string after = scene();
    EXPECT_TRUE(has(after, "Press \\\"Edit\\\" to manage budget.")) << after;
    EXPECT_FALSE(has(after, "Manage Budget")) << after;
    EXPECT_TRUE(db().fetchEntityCustom("BudgetRecord").empty());
}

}  // namespace
}  // namespace tallo
