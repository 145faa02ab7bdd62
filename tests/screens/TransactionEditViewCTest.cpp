// The transaction editor: its rows in each mode, the sub-screens and what
// their answers do to the transaction and the balances, moving to another
// account, swipe deletion, saving transfers, Cancel and Delete.

#include "Classes/screens/transactions/TransactionEditViewC.h"

#include "Classes/screens/amount/AmountViewC.h"
#include "Classes/screens/categories/SelectCategoryViewC.h"
#include "Classes/screens/payees/PayeeSelectionViewC.h"
#include "Classes/store/TLAccountType.h"
#include "Classes/store/TLTransactionType.h"
#include "tests/screens/CategoryPayeeScreenTest.h"

namespace tallo {
namespace {

using test::D;
using test::localDate;

class TransactionEditViewCTest : public test::CategoryPayeeScreenTest {
protected:
    TransactionEditViewCTest() {
        usd = currency("USD", true);
        eur = currency("EUR");
        checking = account("Checking", usd, TLAccountType::Bank, 0);
        savings = account("Savings", usd, TLAccountType::Bank, 1);
        food = category("Food");
        food->setIsExpense(true);
        rent = category("Rent");
        rent->setIsExpense(true);
    }
    std::shared_ptr<TransactionEditViewC> open(TLTransaction* shown, int mode, bool withAccount = false) {
        screen = std::make_shared<TransactionEditViewC>(shown);
        screen->showAccount = withAccount;
        opener->pushView(screen, mode);
        return screen;
    }
    void keys(const std::string& typed) {
        for (char c : typed) send(std::string(R"({"kind":"key","key":")") + c + "\"}");
    }
    size_t count(const char* entity) { return TLDatabase::sharedDatabase().getAllObjectsWithEntityName(entity).size(); }
    // 40 sent from Checking to Savings, as the editor saves it.
    TLTransaction* sendTransfer(const char* amount) {
        auto* t = create<TLTransaction>();
        t->setAccount(checking);
        t->copyCurrencyFromAccount();
        t->setTransferPrimary(true);
        t->changeTypeTo(TLTransactionType::Transfer);
        addSplit(t, amount);
        t->transferAccount_ = savings;
        t->transferToAccount(savings);
        return t;
    }
    TLSplit* only(TLTransaction* t) { return t->getOrderedSplit().at(0); }

    TLCurrency* usd;
    TLCurrency* eur;
    TLAccount* checking;
    TLAccount* savings;
    TLCategory* food;
    TLCategory* rent;
    std::shared_ptr<TransactionEditViewC> screen;
};

// ---- rows --------------------------------------------------------------------

TEST_F(TransactionEditViewCTest, ShowingLeavesOutEmptyNumberAndNotesAndEditingAddsEveryField) {
    TLTransaction* lunch = transaction(checking, TLTransactionType::Expense, {"30"}, food);
    db().save();
    open(lunch, 0);
    EXPECT_EQ(navbar(), "Transaction Info <Back|Edit>");
    EXPECT_EQ(rows(), "-$30.00; Food [$30.00]; Date [Mar 15, 2011]");

    tap("nav:right");
    EXPECT_EQ(navbar(), "Transaction Info <Cancel|Done>");
    EXPECT_EQ(rows(), "-$30.00; Food [$30.00]; Payee [Name]; Date [Mar 15, 2011]; No.; Notes; Split Transaction; "
                      "Delete Transaction");
    type("field:0:4", "1042");
    EXPECT_EQ(lunch->number(), "1042") << "written at once";
    type("field:0:5", "with Ann");
    EXPECT_EQ(lunch->comments(), "with Ann");
    tap("nav:right");
    EXPECT_FALSE(unsaved());
    EXPECT_EQ(rows(), "-$30.00; Food [$30.00]; Date [Mar 15, 2011]; No. [1042]; Notes [with Ann]");
    EXPECT_EQ(lunch->searchString(), lunch->getSearchString());
}

TEST_F(TransactionEditViewCTest, APreferredPayeeSitsUnderTheAmountAndHidesALoneUncategorisedSplit) {
    TLTransactionSettings::setUsePayee(true);
    TLPayee* grocer = create<TLPayee>();
    grocer->setCompany("Green Grocer");
    grocer->setRepresentationString("Green Grocer");
    TLTransaction* shopping = transaction(checking, TLTransactionType::Expense, {"12.5"});
    shopping->setPayee(grocer);
    db().save();
    open(shopping, 0);
    EXPECT_EQ(rows(), "-$12.50; Green Grocer; Date [Mar 15, 2011]");
    tap("nav:right");
    EXPECT_EQ(rows(), "-$12.50; Green Grocer; Category [$12.50]; Date [Mar 15, 2011]; No.; Notes; Delete Transaction");
}

TEST_F(TransactionEditViewCTest, AddSplitShowsOnlyWhileEditingTwoOrMoreSplits) {
    TLTransaction* bills = transaction(checking, TLTransactionType::Expense, {"20"}, food);
    addSplit(bills, "80", rent);
    db().save();
    open(bills, 2);
    EXPECT_EQ(navbar(), "Edit Transaction <Cancel|Done>");
    std::string shown = rows();
    EXPECT_TRUE(has(shown, "-$100.00 [Split]; ")) << shown;
    EXPECT_TRUE(has(shown, "Add split (+); Payee")) << shown;
    EXPECT_FALSE(has(shown, "Split Transaction"));
    tap("nav:left");
    EXPECT_FALSE(has(rows(), "Add split"));
}

TEST_F(TransactionEditViewCTest, ALoanedTransactionIsReadOnly) {
    TLTransaction* owed = transaction(checking, TLTransactionType::Expense, {"5"}, food);
    owed->setLoaned(true);
    db().save();
    open(owed, 2);
    EXPECT_EQ(navbar(), "Edit Transaction <Back>");
    EXPECT_FALSE(screen->isEditing());
}

// ---- sub-screens -------------------------------------------------------------

TEST_F(TransactionEditViewCTest, TheAmountScreenChangesTheSplitAndTheBalance) {
    TLTransaction* lunch = transaction(checking, TLTransactionType::Expense, {"30"}, food);
    db().save();
    open(lunch, 2);
    tap("row:0:0");
    ASSERT_NE(dynamic_cast<AmountViewC*>(app().visibleViewController()), nullptr);
    keys("42");
    tap("nav:right");
    EXPECT_EQ(app().visibleViewController(), screen.get());
    EXPECT_EQ(only(lunch)->amount(), D("42"));
    EXPECT_EQ(lunch->totalamount(), D("-42"));
    EXPECT_EQ(checking->balance(), D("-42"));
    EXPECT_TRUE(has(rows(), "-$42.00; Food [$42.00]"));

    tap("row:0:0");
    keys("99");
    tap("nav:left");  // a cancelled amount changes nothing
    EXPECT_EQ(lunch->totalamount(), D("-42"));
    EXPECT_EQ(checkBooks(), "");
}

TEST_F(TransactionEditViewCTest, TheCategoryAndPayeeChoosersFileTheTransaction) {
    TLTransactionSettings::setUsePayee(true);
    TLTransaction* lunch = transaction(checking, TLTransactionType::Expense, {"30"}, food);
    db().save();
    open(lunch, 2);
    tap("row:0:1");
    ASSERT_NE(dynamic_cast<SelectCategoryViewC*>(app().visibleViewController()), nullptr);
    tap("row:1:0");  // Rent
    EXPECT_EQ(only(lunch)->category(), rent);
    EXPECT_EQ(only(lunch)->amount(), D("30")) << "the amount stays";

    tap("row:0:2");  // Payee
    ASSERT_NE(dynamic_cast<PayeeSelectionViewC*>(app().visibleViewController()), nullptr);
    type("search", "Acme Rentals");
    tap("row:0:0");
    ASSERT_NE(lunch->payee(), nullptr);
    EXPECT_EQ(lunch->payee()->firstname(), "Acme");
    std::string shown = rows();
    EXPECT_TRUE(has(shown, "-$30.00; Acme Rentals; Rent [$30.00]")) << shown;

    send(R"({"kind":"delete","target":"delete:0:1"})");  // the payee row
    EXPECT_EQ(lunch->payee(), nullptr);
}

TEST_F(TransactionEditViewCTest, TheDatePickerWritesTheDay) {
    TLTransaction* lunch = transaction(checking, TLTransactionType::Expense, {"30"}, food);
    db().save();
    open(lunch, 2);
    tap("row:0:3");  // Date
    type("datePicker", "2011-03-09");
    EXPECT_EQ(lunch->transactionDate(), localDate(2011, 3, 9, 10));
    EXPECT_TRUE(has(rows(), "Date [Mar 9, 2011]"));
}

// ---- swipe deletion ----------------------------------------------------------

TEST_F(TransactionEditViewCTest, DeletingTheOnlySplitRowClearsItsCategoryAndKeepsTheSplit) {
    TLTransaction* lunch = transaction(checking, TLTransactionType::Expense, {"30"}, food);
    db().save();
    open(lunch, 2);
    send(R"({"kind":"delete","target":"delete:0:1"})");
    ASSERT_EQ(lunch->getOrderedSplit().size(), 1u);
    EXPECT_EQ(only(lunch)->category(), nullptr);
    EXPECT_EQ(lunch->totalamount(), D("-30"));
}

TEST_F(TransactionEditViewCTest, DeletingOneOfTwoSplitsTakesItsAmountOut) {
    TLTransaction* bills = transaction(checking, TLTransactionType::Expense, {"20"}, food);
    addSplit(bills, "80", rent);
    db().save();
    open(bills, 2);
    TLSplit* kept = bills->getOrderedSplit()[1];
    send(R"({"kind":"delete","target":"delete:0:1"})");
    ASSERT_EQ(bills->getOrderedSplit().size(), 1u);
    EXPECT_EQ(bills->getOrderedSplit()[0], kept);
    EXPECT_EQ(bills->totalamount(), Decimal::zero() - kept->amount().value_or(Decimal::zero()));
    EXPECT_EQ(checkBooks(), "");
}

// ---- transfers and accounts --------------------------------------------------

TEST_F(TransactionEditViewCTest, TurningASplitExpenseIntoATransferLeavesOneSplitWithoutCategory) {
    TLTransaction* bills = transaction(checking, TLTransactionType::Expense, {"20"}, food);
    addSplit(bills, "30", rent);
    addSplit(bills, "50", food);
    db().save();
    open(bills, 2);
    tap("accessory:0:1");  // the first split's amount
    tap("segment:0:0:2");  // Transfer: with two accounts Savings is taken at once
    keys("100");
    tap("nav:right");
    ASSERT_EQ(bills->getOrderedSplit().size(), 1u);
    EXPECT_EQ(only(bills)->category(), nullptr);
    EXPECT_EQ(bills->totalamount(), D("-100"));
    EXPECT_EQ(rows(), "-$100.00 [Transfer]; To [Savings]; Payee [Name]; Date [Mar 15, 2011]; No.; Notes; "
                      "Delete Transaction");

    tap("nav:right");  // Done: the mirror is made in Savings
    ASSERT_NE(bills->transferCopy(), nullptr);
    EXPECT_EQ(bills->transferCopy()->account(), savings);
    EXPECT_EQ(savings->balance(), D("100"));
    EXPECT_EQ(checking->balance(), D("-100"));
    EXPECT_EQ(checkBooks(), "");
}

TEST_F(TransactionEditViewCTest, ATransferThatIsNoLongerOneLosesItsMirror) {
    TLTransaction* moved = sendTransfer("40");
    db().save();
    ASSERT_EQ(count("Transaction"), 2u);
    open(moved, 2);
    tap("row:0:0");
    tap("segment:0:0:0");  // Expense
    tap("nav:right");
    tap("nav:right");  // Done
    EXPECT_EQ(count("Transaction"), 1u);
    EXPECT_EQ(savings->balance(), D("0"));
    EXPECT_EQ(checking->balance(), D("-40"));
    EXPECT_EQ(checkBooks(), "");
}

TEST_F(TransactionEditViewCTest, MovingToAnAccountInAnotherCurrencyConvertsWithTheDefaultRate) {
    TLAccount* euros = account("Euros", eur, TLAccountType::Bank, 2);
    rate(usd, eur, "0.8");
    auto* spending = create<TLTransaction>();
    spending->setAccount(checking);
    spending->copyCurrencyFromAccount();
    addSplit(spending, "100", food);
    open(spending, 1, true);
    EXPECT_EQ(checking->balance(), D("-100"));
    tap("row:0:2");  // Account
    EXPECT_EQ(navbar(), "Select Account <Cancel>");
    tap("row:0:2");  // Euros
    EXPECT_EQ(spending->account(), euros);
    EXPECT_EQ(euros->balance(), D("-80"));
    EXPECT_EQ(checking->balance(), D("0"));
    EXPECT_EQ(spending->totalamountInAccountCurrency(), D("-80"));
    ASSERT_NE(spending->getRateToAccount(), nullptr);
    EXPECT_EQ(checkBooks(), "");
}

TEST_F(TransactionEditViewCTest, MovingToAnAccountOfTheSameCurrencyMakesNoRate) {
    auto* spending = create<TLTransaction>();
    spending->setAccount(checking);
    spending->copyCurrencyFromAccount();
    addSplit(spending, "25", food);
    open(spending, 1, true);
    tap("row:0:2");
    tap("row:0:1");  // Savings
    EXPECT_EQ(spending->account(), savings);
    EXPECT_EQ(savings->balance(), D("-25"));
    EXPECT_EQ(checking->balance(), D("0"));
    EXPECT_EQ(spending->rates().size(), 0u);
    EXPECT_EQ(count("TransactionRate"), 0u);
}

// ---- save, cancel, delete ----------------------------------------------------

TEST_F(TransactionEditViewCTest, CancellingANewTransferRemovesItAndItsMirror) {
    db().save();
    TLTransaction* moved = sendTransfer("40");
    ASSERT_EQ(count("Transaction"), 2u);
    open(moved, 1);
    EXPECT_EQ(navbar(), "New Transaction <Cancel|Done>");
    tap("nav:left");
    EXPECT_EQ(count("Transaction"), 0u);
    EXPECT_EQ(checking->balance(), D("0"));
    EXPECT_EQ(savings->balance(), D("0"));
    EXPECT_EQ(opener->closed, screen.get());
}

TEST_F(TransactionEditViewCTest, CancellingAnEditPutsEverythingBack) {
    TLTransaction* lunch = transaction(checking, TLTransactionType::Expense, {"30"}, food);
    lunch->setNumber("7");
    db().save();
    open(lunch, 0);
    tap("nav:right");
    type("field:0:4", "8");
    tap("row:0:0");
    keys("55");
    tap("nav:right");
    EXPECT_EQ(checking->balance(), D("-55"));
    tap("nav:left");
    EXPECT_EQ(lunch->number(), "7");
    EXPECT_EQ(lunch->totalamount(), D("-30"));
    EXPECT_EQ(checking->balance(), D("-30"));
    EXPECT_FALSE(screen->isEditing());
    EXPECT_EQ(navbar(), "Transaction Info <Back|Edit>");
}

TEST_F(TransactionEditViewCTest, DeleteAsksThenRemovesTheTransferWithItsMirror) {
    TLTransaction* moved = sendTransfer("40");
    db().save();
    open(moved, 2);
    std::string shown = rows();
    ASSERT_TRUE(has(shown, "Delete Transaction")) << shown;
    tap("row:0:" + std::to_string(screen->rows().size() - 1));
    EXPECT_TRUE(has(scene(), "title=\"Delete Transaction\"")) << scene();
    tap("overlay:0:0");
    EXPECT_EQ(count("Transaction"), 0u);
    EXPECT_EQ(checking->balance(), D("0"));
    EXPECT_EQ(savings->balance(), D("0"));
    EXPECT_FALSE(unsaved());
    EXPECT_EQ(opener->closed, screen.get());
}

TEST_F(TransactionEditViewCTest, ATransferMovedIntoItsOtherAccountWaitsForAnotherOneBeforeSaving) {
    TLAccount* cash = account("Cash", usd, TLAccountType::Cash, 2);
    db().save();
    auto* moved = create<TLTransaction>();
    moved->setAccount(checking);
    moved->copyCurrencyFromAccount();
    moved->setTransferPrimary(true);
    moved->changeTypeTo(TLTransactionType::Transfer);
    addSplit(moved, "60");
    moved->transferAccount_ = savings;
    open(moved, 1, true);
    EXPECT_EQ(rows(), "-$60.00 [Transfer]; Account [Checking]; To [Savings]; Payee [Name]; Date [Mar 15, 2011]; No.; Notes");
    tap("row:0:1");  // Account
    tap("row:0:1");  // Savings, the other account itself
    EXPECT_EQ(moved->account(), savings);
    EXPECT_EQ(moved->transferAccount_, nullptr);
    EXPECT_EQ(navbar(), "New Transaction <Cancel|Done (off)>");
    EXPECT_TRUE(has(rows(), "To [Select Account]"));
    EXPECT_FALSE(screen->keyPressed("Enter")) << "no save without another account";

    tap("row:0:2");  // To
    EXPECT_EQ(rows(), "Checking; Cash") << "the own account is left out";
    tap("row:0:1");  // Cash
    EXPECT_EQ(navbar(), "New Transaction <Cancel|Done>");
    tap("nav:right");
    ASSERT_NE(moved->transferCopy(), nullptr);
    EXPECT_EQ(moved->transferCopy()->account(), cash);
    EXPECT_EQ(savings->balance(), D("-60"));
    EXPECT_EQ(cash->balance(), D("60"));
    EXPECT_EQ(checking->balance(), D("0"));
    EXPECT_EQ(checkBooks(), "");
}

TEST_F(TransactionEditViewCTest, AChosenPictureIsStoredAndRemovingItShowsTheCategorysAgain) {
    TLTransaction* lunch = transaction(checking, TLTransactionType::Expense, {"30"}, food);
    db().save();
    open(lunch, 2);
    screen->useImage(Image(300, 200, {20, 120, 200, 255}));
    ASSERT_NE(lunch->imageRecord(), nullptr);
    std::optional<Image> stored = lunch->getImageSmall(true).load();
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->width(), 100);
    EXPECT_EQ(stored->pixelAt(50, 50), (Image::Pixel{20, 120, 200, 255}));
    tap("nav:right");
    EXPECT_EQ(count("ImageRecord"), 1u);

    tap("nav:right");  // Edit
    screen->deleteImage();
    EXPECT_EQ(lunch->imageRecord(), nullptr);
    EXPECT_EQ(lunch->getImageSmall(false).name, food->getImageSmall(false).name);
    tap("nav:right");
    EXPECT_EQ(count("ImageRecord"), 0u);
}

TEST_F(TransactionEditViewCTest, DeletingWhileAPictureIsBeingScaledWaitsASecond) {
    TLTransaction* lunch = transaction(checking, TLTransactionType::Expense, {"30"}, food);
    db().save();
    open(lunch, 2);
    screen->processingImage = true;
    screen->deleteAction(0);
    EXPECT_EQ(count("Transaction"), 1u);
    RunLoop::main().advance(0.9);
    EXPECT_EQ(count("Transaction"), 1u);
    RunLoop::main().advance(0.2);
    EXPECT_EQ(count("Transaction"), 0u);
    EXPECT_EQ(checking->balance(), D("0"));
}

}  // namespace
}  // namespace tallo
