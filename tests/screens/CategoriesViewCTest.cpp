// The Categories tab: masters with their pictures and totals, the empty
// state, editing with "Create Category" and deletions, opening a category,
// and a new transaction from a category's picture.

#include "Classes/screens/categories/CategoriesViewC.h"

#include "Classes/screens/amount/AmountViewC.h"
#include "Classes/screens/categories/CategoryEditViewC.h"
#include "tests/screens/CategoryPayeeScreenTest.h"

namespace tallo {
namespace {

class CategoriesViewCTest : public test::CategoryPayeeScreenTest {
protected:
    std::shared_ptr<CategoriesViewC> showTab() {
        list = std::make_shared<CategoriesViewC>();
        list->isRootView = true;
        app().setRootViewController(std::make_shared<NavigationController>(list));
        list->viewWillAppear(false);
        return list;
    }
    size_t count(const char* entity) { return TLDatabase::sharedDatabase().getAllObjectsWithEntityName(entity).size(); }
    std::shared_ptr<CategoriesViewC> list;
};

TEST_F(CategoriesViewCTest, AnEmptyListInvitesToCreateTheFirstCategory) {
    showTab();
    std::string shown = scene();
    EXPECT_TRUE(has(shown, "empty detail=\"Press \\\"+\\\" to create your first category.\" info=yes title=\"No categories\""))
        << shown;
    EXPECT_EQ(navbar(), "Categories <+>");
    EXPECT_FALSE(has(shown, "searchbar")) << "nothing to search";
}

TEST_F(CategoriesViewCTest, MastersShowTheirTotalsInTheDefaultCurrency) {
    TLCurrency* usd = currency("USD", true);
    TLAccount* checking = account("Checking", usd);
    TLCategory* car = category("Car");
    TLCategory* fuel = category("Fuel", car);
    TLCategory* salary = category("Salary");
    category("Gifts");
    transaction(checking, TLTransactionType::Expense, {"40.25"}, fuel);
    transaction(checking, TLTransactionType::Expense, {"9.75"}, car);
    transaction(checking, TLTransactionType::Income, {"2500"}, salary);
    TLDatabase::sharedDatabase().save();
    showTab();
    EXPECT_EQ(navbar(), "Categories <Edit|+>");
    EXPECT_EQ(rows(), "Car [-$50.00]; Gifts [$0.00]; Salary [$2,500.00]") << "subcategories count in their master";
    std::string shown = scene();
    EXPECT_TRUE(has(shown, "detail=\"-$50.00\" detailColor=\"rgba(184,62,68,1)\"")) << shown;
    EXPECT_TRUE(has(shown, "detail=\"$2,500.00\" detailColor=\"rgba(123,157,74,1)\""));
    EXPECT_TRUE(has(shown, "detail=\"$0.00\" detailColor=\"rgba(74,74,74,1)\""));
    EXPECT_TRUE(has(shown, "image=\"Uncategorized.png\" imageAction=\"picture:0:0\"")) << shown;
}

TEST_F(CategoriesViewCTest, TotalsFollowEveryChangeAndAreKeptWhileNothingChanges) {
    TLCurrency* usd = currency("USD", true);
    TLAccount* checking = account("Checking", usd);
    TLCategory* car = category("Car");
    showTab();
    EXPECT_EQ(rows(), "Car [$0.00]");
    TLTransaction* fuel = transaction(checking, TLTransactionType::Expense, {"12"}, car);
    EXPECT_EQ(rows(), "Car [-$12.00]");
    // Back to the list: the kept totals are still right.
    list->viewWillAppear(false);
    EXPECT_EQ(rows(), "Car [-$12.00]");
    fuel->changeTypeTo(TLTransactionType::Income);
    EXPECT_EQ(rows(), "Car [$12.00]");
    TLDatabase::sharedDatabase().deleteObject(fuel);
    EXPECT_EQ(rows(), "Car [$0.00]");
}

TEST_F(CategoriesViewCTest, SearchFindsMastersByNameInAnyCase) {
    category("Car");
    category("Groceries");
    category("Cards");
    showTab();
    type("search", "CAR");
    EXPECT_EQ(rows(), "Car [$0.00]; Cards [$0.00]");
}

TEST_F(CategoriesViewCTest, EditingOffersCreateCategoryAndCancelUndoesDeletions) {
    category("Car");
    category("Food");
    TLDatabase::sharedDatabase().save();
    showTab();
    tap("nav:left");  // Edit
    EXPECT_EQ(navbar(), "Categories <Cancel|Done>");
    EXPECT_EQ(rows(), "Create Category (+); Car [$0.00]; Food [$0.00]");
    send(R"({"kind":"delete","target":"delete:0:1"})");
    EXPECT_EQ(rows(), "Create Category (+); Food [$0.00]");
    EXPECT_TRUE(unsaved()) << "a deletion while editing waits for Done";
    tap("nav:left");  // Cancel
    EXPECT_EQ(rows(), "Car [$0.00]; Food [$0.00]");
    EXPECT_EQ(count("Category"), 2u);

    tap("nav:left");
    send(R"({"kind":"delete","target":"delete:0:2"})");
    tap("nav:right");  // Done
    EXPECT_EQ(rows(), "Car [$0.00]");
    EXPECT_FALSE(unsaved());
}

TEST_F(CategoriesViewCTest, ADeletionOutsideEditingIsSavedAtOnce) {
    category("Car");
    category("Food");
    TLDatabase::sharedDatabase().save();
    showTab();
    send(R"({"kind":"delete","target":"delete:0:0"})");
    EXPECT_EQ(rows(), "Food [$0.00]");
    EXPECT_FALSE(unsaved());
}

TEST_F(CategoriesViewCTest, PlusOpensANewCategoryAndDoneListsIt) {
    showTab();
    tap("nav:right");
    EXPECT_EQ(navbar(), "New Category <Cancel|Done (off)>");
    type("field:0:0", "Pets");
    EXPECT_EQ(navbar(), "New Category <Cancel|Done>");
    tap("nav:right");
    EXPECT_EQ(navbar(), "Categories <Edit|+>");
    EXPECT_EQ(rows(), "Pets [$0.00]");
    EXPECT_FALSE(unsaved());
}

TEST_F(CategoriesViewCTest, CreateCategoryInEditingOpensANewCategoryToo) {
    category("Car");
    showTab();
    tap("nav:left");
    tap("insert:0:0");
    EXPECT_EQ(navbar(), "New Category <Cancel|Done (off)>");
    tap("nav:left");  // Cancel: the new one goes again
    EXPECT_EQ(count("Category"), 1u);
}

TEST_F(CategoriesViewCTest, ARowOpensItsCategoryWithTheTotalAlreadyKnown) {
    TLCurrency* usd = currency("USD", true);
    TLCategory* car = category("Car");
    transaction(account("Checking", usd), TLTransactionType::Expense, {"7"}, car);
    showTab();
    tap("row:0:0");
    auto* opened = dynamic_cast<CategoryEditViewC*>(app().visibleViewController());
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(opened->category, car);
    ASSERT_TRUE(opened->amount);
    EXPECT_EQ(opened->amount->toString(), "-7");
    EXPECT_EQ(navbar(), "Car <Back|Edit>");
}

TEST_F(CategoriesViewCTest, APictureWithoutAnyAccountSaysSo) {
    category("Car");
    showTab();
    tap("picture:0:0");
    EXPECT_EQ(alertTitle(), "No accounts");
    EXPECT_TRUE(has(scene(), "You must have an account to add transaction.")) << scene();
    EXPECT_EQ(count("Transaction"), 0u);
}

TEST_F(CategoriesViewCTest, APictureWithOnlyUnsupportedAccountsSaysSo) {
    TLCurrency* usd = currency("USD", true);
    account("Brokerage", usd, TLAccountType::Investment);
    account("Mortgage", usd, TLAccountType::Loan);
    category("Car");
    TLDatabase::sharedDatabase().save();
    showTab();
    tap("picture:0:0");
    EXPECT_EQ(alertTitle(), "No supported accounts");
    EXPECT_EQ(count("Transaction"), 0u);
}

TEST_F(CategoriesViewCTest, APictureStartsTheWizardOnTheAmountAndCancellingLeavesNothingBehind) {
    TLCurrency* usd = currency("USD", true);
    account("Checking", usd);
    TLCategory* car = category("Car");
    TLDatabase::sharedDatabase().save();
    showTab();
    tap("picture:0:0");
    EXPECT_EQ(alertTitle(), "(no alert)");
    auto* amount = dynamic_cast<AmountViewC*>(app().visibleViewController());
    ASSERT_NE(amount, nullptr) << "payees are off: the amount comes first";
    ASSERT_NE(amount->transaction(), nullptr);
    EXPECT_EQ(amount->transaction()->getSplit()->category(), car);
    tap("nav:left");  // Cancel
    EXPECT_EQ(count("Transaction"), 0u);
    EXPECT_EQ(count("Split"), 0u);
    EXPECT_FALSE(unsaved()) << "the store is as it was";
    EXPECT_EQ(checkBooks(), "");
}

}  // namespace
}  // namespace tallo
