// The entry wizard: which steps each starting screen gets under the
// transaction settings, what each step's answer does to the new
// transaction, and that cancelling any step leaves the store as it was.

#include "Classes/screens/wizard/TLWizard.h"

#include "Classes/screens/accounts/AccountChooserViewC.h"
#include "Classes/screens/accounts/AccountsViewC.h"
#include "Classes/screens/amount/AmountViewC.h"
#include "Classes/screens/categories/SelectCategoryViewC.h"
#include "Classes/screens/payees/PayeeSelectionViewC.h"
#include "Classes/screens/transactions/TransactionEditViewC.h"
#include "Classes/screens/transactions/TransactionsViewC.h"
#include "Classes/store/TLAccountType.h"
#include "Classes/store/TLTransactionType.h"
#include "tests/screens/CategoryPayeeScreenTest.h"
#include "tests/support/LedgerInvariants.h"

namespace tallo {
namespace {

using test::D;
using Initiator = TLWizard::Initiator;

class TLWizardTest : public test::CategoryPayeeScreenTest {
protected:
    TLWizardTest() {
        usd = currency("USD", true);
        checking = account("Checking", usd, TLAccountType::Bank, 0);
        food = category("Food");
        food->setIsExpense(true);
        rent = category("Rent");
        rent->setIsExpense(true);
        db().save();
    }
    TLWizard& wizard() { return TLWizard::activeWizard(); }
    TLTransaction* newTransaction(TLAccount* in) {
        auto* t = create<TLTransaction>();
        t->setAccount(in);
        t->copyCurrencyFromAccount();
        return t;
    }
    void settings(bool payees, bool categories) {
        TLTransactionSettings::setUsePayee(payees);
        TLTransactionSettings::setUseCategory(categories);
    }
    template <typename Screen>
    Screen* visible() {
        return dynamic_cast<Screen*>(app().visibleViewController());
    }
    void keys(const std::string& typed) {
        for (char c : typed) send(std::string(R"({"kind":"key","key":")") + c + "\"}");
    }
    size_t count(const char* entity) { return db().getAllObjectsWithEntityName(entity).size(); }

    TLCurrency* usd;
    TLAccount* checking;
    TLCategory* food;
    TLCategory* rent;
};

TEST_F(TLWizardTest, WithPayeesAndCategoriesOffTheListOpensOnTheAmountThenTheEditor) {
    settings(false, false);
    TLTransaction* made = newTransaction(checking);
    wizard().beginWithInitiator(opener.get(), Initiator::TransactionsList, made);
    EXPECT_EQ(wizard().steps(), (std::vector<int>{TLWizard::AmountStep, TLWizard::TransactionEditorStep}));
    ASSERT_NE(visible<AmountViewC>(), nullptr);
    keys("25");
    tap("nav:right");
    auto* editor = visible<TransactionEditViewC>();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->viewMode, 1);
    EXPECT_FALSE(editor->showAccount) << "the list already says which account";
    EXPECT_EQ(made->totalamount(), D("-25"));
    tap("nav:right");  // Done
    EXPECT_FALSE(wizard().isActive());
    EXPECT_EQ(app().visibleViewController(), opener.get());
    EXPECT_FALSE(unsaved());
    EXPECT_EQ(count("Transaction"), 1u);
    EXPECT_EQ(checking->balance(), D("-25"));
    EXPECT_EQ(checkBooks(), "");
}

TEST_F(TLWizardTest, TheStepsFollowTheStartingScreenAndTheSettings) {
    settings(true, true);
    struct Case {
        Initiator kind;
        std::vector<int> steps;
        int operation;
    };
    const std::vector<Case> cases = {
        {Initiator::TransactionsList, {TLWizard::PayeeStep, TLWizard::CategoryStep, TLWizard::AmountStep, TLWizard::TransactionEditorStep}, TLWizard::NewTransaction},
        {Initiator::AccountsList, {TLWizard::PayeeStep, TLWizard::CategoryStep, TLWizard::AmountStep, TLWizard::TransactionEditorStep}, TLWizard::NewTransaction},
        {Initiator::CategoryList, {TLWizard::PayeeStep, TLWizard::AmountStep, TLWizard::TransactionEditorStep}, TLWizard::NewTransaction},
        {Initiator::PayeeList, {TLWizard::CategoryStep, TLWizard::AmountStep, TLWizard::TransactionEditorStep}, TLWizard::NewTransaction},
        {Initiator::Other, {TLWizard::TransactionEditorStep}, TLWizard::NewTransaction},
    };
    for (const Case& c : cases) {
        wizard().beginWithInitiator(opener.get(), c.kind, newTransaction(checking));
        EXPECT_EQ(wizard().steps(), c.steps) << static_cast<int>(c.kind);
        EXPECT_EQ(wizard().operation(), c.operation);
        EXPECT_TRUE(wizard().isActive());
        wizard().cancel();
        EXPECT_FALSE(wizard().isActive());
        EXPECT_EQ(app().visibleViewController(), opener.get());
        EXPECT_EQ(count("Transaction"), 0u);
    }
    settings(false, true);
    TLTransaction* filed = newTransaction(checking);
    addSplit(filed, "0", food);
    wizard().beginWithInitiator(opener.get(), Initiator::PayeeList, filed);
    EXPECT_EQ(wizard().steps(), (std::vector<int>{TLWizard::AmountStep, TLWizard::TransactionEditorStep}))
        << "a first split with a category needs no category step";
    wizard().cancel();
}

TEST_F(TLWizardTest, APayeeWithADefaultCategorySkipsTheCategoryStep) {
    settings(true, true);
    TLPayee* grocer = create<TLPayee>();
    grocer->setCompany("Green Grocer");
    grocer->setRepresentationString("Green Grocer");
    grocer->setCategory(food);
    db().save();
    TLTransaction* made = newTransaction(checking);
    wizard().beginWithInitiator(opener.get(), Initiator::TransactionsList, made);
    ASSERT_NE(visible<PayeeSelectionViewC>(), nullptr);
    EXPECT_EQ(navbar(), "Select Payee <Cancel|Next>");
    tap("row:0:0");
    ASSERT_NE(visible<AmountViewC>(), nullptr) << "straight on to the amount";
    EXPECT_EQ(made->payee(), grocer);
    EXPECT_EQ(made->getSplit()->category(), food);
    keys("8");
    tap("nav:right");
    tap("nav:right");
    EXPECT_EQ(made->totalamount(), D("-8"));
    EXPECT_EQ(food->getTotalAmount(), D("-8"));
    EXPECT_FALSE(unsaved());
}

TEST_F(TLWizardTest, CancellingAStepTakesBackThePayeeAndCategoryItMade) {
    settings(true, true);
    wizard().beginWithInitiator(opener.get(), Initiator::TransactionsList, newTransaction(checking));
    type("search", "Ann Lee");
    tap("row:0:0");  // creates the payee
    ASSERT_NE(visible<SelectCategoryViewC>(), nullptr);
    type("search", "Travel");
    tap("row:0:0");  // creates the category
    ASSERT_NE(visible<AmountViewC>(), nullptr);
    EXPECT_EQ(count("Payee"), 1u);
    EXPECT_EQ(count("Category"), 3u);
    tap("nav:left");  // Cancel
    EXPECT_FALSE(wizard().isActive());
    EXPECT_EQ(app().visibleViewController(), opener.get());
    EXPECT_EQ(count("Payee"), 0u);
    EXPECT_EQ(count("Category"), 2u);
    EXPECT_EQ(count("Transaction"), 0u);
    EXPECT_FALSE(unsaved());
}

TEST_F(TLWizardTest, CancelInTheEditorAtTheEndEndsTheWizardAndRemovesWhatItMade) {
    settings(true, true);
    wizard().beginWithInitiator(opener.get(), Initiator::AccountsList, newTransaction(checking));
    type("search", "Ann Lee");
    tap("row:0:0");
    type("search", "Travel");
    tap("row:0:0");
    keys("120");
    tap("nav:right");
    auto* editor = visible<TransactionEditViewC>();
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->showAccount);
    EXPECT_EQ(checking->balance(), D("-120"));
    tap("nav:left");  // Cancel
    EXPECT_FALSE(wizard().isActive());
    EXPECT_EQ(app().visibleViewController(), opener.get());
    EXPECT_EQ(count("Payee"), 0u);
    EXPECT_EQ(count("Category"), 2u);
    EXPECT_EQ(count("Transaction"), 0u);
    EXPECT_EQ(checking->balance(), D("0"));
    EXPECT_FALSE(unsaved());
}

TEST_F(TLWizardTest, ANewTransactionInAnAssetAccountIsAnIncomeAlsoWithCategoriesOff) {
    settings(false, false);
    TLAccount* house = account("House", usd, TLAccountType::Asset, 1);
    db().save();
    TLTransaction* made = newTransaction(house);
    wizard().beginWithInitiator(opener.get(), Initiator::AccountsList, made);
    EXPECT_EQ(made->type(), TLTransactionType::Income);
    keys("300");
    tap("nav:right");
    EXPECT_EQ(made->type(), TLTransactionType::Income);
    EXPECT_EQ(made->totalamount(), D("300"));
    tap("nav:right");
    EXPECT_EQ(house->balance(), D("300"));
    EXPECT_EQ(checkBooks(), "");
}

TEST_F(TLWizardTest, ASplitAddedInTheEditorAsksItsCategoryThenItsAmount) {
    settings(false, true);
    TLTransaction* lunch = transaction(checking, TLTransactionType::Expense, {"20"}, food);
    db().save();
    auto editor = std::make_shared<TransactionEditViewC>(lunch);
    opener->pushView(editor, 2);
    type("field:0:4", "77");  // an unsaved change of the editor
    tap("row:0:6");           // Split Transaction
    EXPECT_EQ(wizard().operation(), TLWizard::NewSplit);
    ASSERT_NE(visible<SelectCategoryViewC>(), nullptr);
    tap("nav:left");  // Cancel: only the new split goes
    EXPECT_EQ(app().visibleViewController(), editor.get());
    EXPECT_EQ(lunch->getOrderedSplit().size(), 1u);
    EXPECT_EQ(lunch->number(), "77");

    tap("row:0:6");
    tap("row:1:0");  // Rent
    ASSERT_NE(visible<AmountViewC>(), nullptr);
    keys("80");
    tap("nav:right");
    EXPECT_EQ(app().visibleViewController(), editor.get());
    EXPECT_FALSE(wizard().isActive());
    ASSERT_EQ(lunch->getOrderedSplit().size(), 2u);
    EXPECT_EQ(lunch->totalamount(), D("-100"));
    EXPECT_EQ(checking->balance(), D("-100"));
    EXPECT_EQ(rent->getTotalAmount(), D("-80"));
    tap("nav:right");  // Done
    EXPECT_FALSE(unsaved());
    EXPECT_EQ(checkBooks(), "");
}

TEST_F(TLWizardTest, ASplitAddedInsideTheWizardsEditorGivesTheWizardBack) {
    settings(false, true);
    TLTransaction* made = newTransaction(checking);
    addSplit(made, "20", food);
    wizard().beginWithInitiator(opener.get(), Initiator::Other, made);
    ASSERT_NE(visible<TransactionEditViewC>(), nullptr);
    std::string shown = rows();
    ASSERT_TRUE(has(shown, "Food [$20.00]; Account [Checking]; ")) << "the account is shown: " << shown;
    tap("row:0:7");  // Split Transaction
    tap("row:1:0");  // Rent
    keys("5");
    tap("nav:right");
    ASSERT_NE(visible<TransactionEditViewC>(), nullptr);
    EXPECT_TRUE(wizard().isActive()) << "the new transaction's wizard runs on";
    EXPECT_EQ(wizard().operation(), TLWizard::NewTransaction);
    tap("nav:right");  // Done
    EXPECT_FALSE(wizard().isActive());
    EXPECT_EQ(app().visibleViewController(), opener.get());
    EXPECT_EQ(made->totalamount(), D("-25"));
    EXPECT_FALSE(unsaved());
    EXPECT_EQ(checkBooks(), "");
}

// ---- from the register --------------------------------------------------------

TEST_F(TLWizardTest, TheRegistersPlusEntersATransactionThatTheRegisterThenListsAndOpens) {
    settings(false, true);
    auto list = std::make_shared<TransactionsViewC>();
    list->setAccount(checking);
    opener->pushView(list, 0);
    tap("nav:right");  // +
    ASSERT_NE(visible<SelectCategoryViewC>(), nullptr);
    tap("row:0:0");  // Food
    keys("12.5");
    tap("nav:right");
    auto* editor = visible<TransactionEditViewC>();
    ASSERT_NE(editor, nullptr);
    EXPECT_FALSE(editor->showAccount) << "the register already says which account";
    tap("nav:right");  // Done
    EXPECT_EQ(app().visibleViewController(), list.get());
    ASSERT_EQ(list->sectionsArray.size(), 1u);
    ASSERT_EQ(list->sectionsArray[0].size(), 1u);
    TLTransaction* made = list->sectionsArray[0][0];
    EXPECT_EQ(made->totalamount(), D("-12.5"));
    EXPECT_EQ(made->getSplit()->category(), food);
    EXPECT_EQ(test::checkLedgerInvariantsSaved(), "");

    list->tableViewDidSelectRowAtIndexPath(list->tableView(), IndexPath{0, 0});
    editor = visible<TransactionEditViewC>();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->transaction, made);
    EXPECT_EQ(navbar(), "Transaction Info <Back|Edit>");
}

TEST_F(TLWizardTest, AnAccountsIconOnHomeStartsTheWizardInThatAccount) {
    settings(false, false);
    TLAccount* wallet = account("Wallet", usd, TLAccountType::Cash, 1);
    account("Brokerage", usd, TLAccountType::Investment, 2);
    db().save();
    auto home = std::make_shared<AccountsViewC>();
    home->isRootView = true;
    app().setRootViewController(std::make_shared<NavigationController>(home));
    std::string shown = scene();
    EXPECT_FALSE(has(shown, "imageAction=\"picture:0:2\"")) << "an investment account takes no transaction here";
    tap("picture:0:1");  // Wallet
    auto* amount = visible<AmountViewC>();
    ASSERT_NE(amount, nullptr);
    EXPECT_EQ(amount->transaction()->account(), wallet);
    keys("3");
    tap("nav:right");
    auto* editor = visible<TransactionEditViewC>();
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->showAccount);
    tap("nav:right");
    EXPECT_EQ(app().visibleViewController(), home.get());
    EXPECT_EQ(wallet->balance(), D("-3"));
    EXPECT_EQ(test::checkLedgerInvariantsSaved(), "");
}

TEST_F(TLWizardTest, TheAccountStepSetsTheAccountAndItsCurrencyBeforeTheAmount) {
    settings(false, false);
    TLCurrency* eur = currency("EUR");
    TLAccount* travel = account("Travel", eur, TLAccountType::Cash, 1);
    db().save();
    TLTransaction* made = newTransaction(checking);
    wizard().beginWithSteps(opener.get(), made,
                            {TLWizard::AccountStep, TLWizard::AmountStep, TLWizard::TransactionEditorStep});
    auto* chooser = visible<AccountChooserViewC>();
    ASSERT_NE(chooser, nullptr);
    EXPECT_EQ(navbar(), "Select Account <Cancel>");
    EXPECT_EQ(rows(), "Checking (checked); Travel") << "the transaction's own account marked";
    tap("row:0:1");  // Travel
    ASSERT_NE(visible<AmountViewC>(), nullptr) << "the wizard moved on instead of closing the list";
    EXPECT_EQ(made->account(), travel);
    EXPECT_EQ(made->currency(), eur);
    keys("12");
    tap("nav:right");
    ASSERT_NE(visible<TransactionEditViewC>(), nullptr);
    tap("nav:right");  // Done
    EXPECT_FALSE(wizard().isActive());
    EXPECT_EQ(travel->balance(), D("-12"));
    EXPECT_EQ(checking->balance(), D("0"));
    EXPECT_EQ(test::checkLedgerInvariantsSaved(), "");
}

TEST_F(TLWizardTest, CancellingTheAccountStepLeavesTheStoreAsItWas) {
    TLTransaction* made = newTransaction(checking);
    wizard().beginWithSteps(opener.get(), made, {TLWizard::AccountStep, TLWizard::TransactionEditorStep});
    ASSERT_NE(visible<AccountChooserViewC>(), nullptr);
    tap("nav:left");  // Cancel
    EXPECT_FALSE(wizard().isActive());
    EXPECT_EQ(app().visibleViewController(), opener.get());
    EXPECT_EQ(count("Transaction"), 0u);
    EXPECT_FALSE(unsaved());
}

}  // namespace
}  // namespace tallo
