// The transaction editor: its rows in each mode, the sub-screens and what
// their answers do to the transaction and the balances, moving to another
// account, swipe deletion, saving transfers, Cancel and Delete.

#include "Classes/screens/transactions/TransactionEditViewC.h"

#include "Classes/screens/amount/AmountViewC.h"
#include "Classes/screens/categories/SelectCategoryViewC.h"
#include "Classes/screens/payees/PayeeSelectionViewC.h"
#include "Classes/store/TLAccountType.h"
#include "Classes/store/TLInvestmentTransaction.h"
#include "Classes/store/TLSecurity.h"
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
    // Each row's name before its picture (a split row's), "-" for none.
    std::string captions() {
        SceneNode rendered = app().render();
        std::string out;
        for (size_t row = 0; row < screen->rows().size(); ++row) {
            const SceneNode* node = rendered.find("row:0:" + std::to_string(row));
            std::string caption = node != nullptr ? text(*node, "label") : "?";
            out += (out.empty() ? "" : ", ") + (caption.empty() ? std::string("-") : caption);
        }
        return out;
    }
    // The height a row is drawn with: its own, else the table's; 0 for the
    // page's standard row.
    double height(const SceneNode& rendered, int row) {
        const SceneNode* node = rendered.find("row:0:" + std::to_string(row));
        const auto* value = node != nullptr ? node->property("height") : nullptr;
        if (value == nullptr) {
            const SceneNode* table = rendered.find("table");
            value = table != nullptr ? table->property("rowHeight") : nullptr;
        }
        return value != nullptr ? std::get<double>(*value) : 0;
    }
    // The rows drawn as newly inserted, with their animation.
    std::string inserted(const SceneNode& rendered) {
        std::string out;
        for (size_t row = 0; row < 20; ++row) {
            const SceneNode* node = rendered.find("row:0:" + std::to_string(row));
            if (node != nullptr && node->property("inserted") != nullptr) {
                out += (out.empty() ? "" : " ") + std::to_string(row) + ":" + text(*node, "inserted");
            }
        }
        return out;
    }
    static std::string tableChange(const SceneNode& rendered) {
        const SceneNode* table = rendered.find("table");
        return table != nullptr ? text(*table, "change") : "(no table)";
    }

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
    EXPECT_EQ(rows(), "-$12.50; Green Grocer; Select Category [$12.50]; Date [Mar 15, 2011]; No.; Notes; Delete Transaction");
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

// ---- row names, heights and the rows of investments ------------------------

TEST_F(TransactionEditViewCTest, OnlyTheFirstSplitRowIsNamedAndNotRightUnderTheAmountOfALoneSplit) {
    TLTransaction* lunch = transaction(checking, TLTransactionType::Expense, {"30"}, food);
    TLTransaction* bills = transaction(checking, TLTransactionType::Expense, {"20"}, food);
    // Splits are listed in the order of their identifiers.
    only(bills)->setUuid("1-food");
    addSplit(bills, "80", rent)->setUuid("2-rent");
    db().save();

    open(lunch, 0);
    EXPECT_EQ(captions(), "-, -, -") << "the lone split right under the amount needs no name";
    tap("nav:right");
    EXPECT_EQ(captions(), "-, -, -, -, -, -, -, -");

    open(bills, 0);
    EXPECT_EQ(rows(), "-$100.00 [Split]; Food [$20.00]; Rent [$80.00]; Date [Mar 15, 2011]");
    EXPECT_EQ(captions(), "-, Category, -, -");
    tap("nav:right");
    EXPECT_EQ(captions(), "-, Cat., -, -, -, -, -, -, -") << "short while editing a categorised first split";
    send(R"({"kind":"delete","target":"delete:0:1"})");  // Food goes: Rent is first now
    EXPECT_EQ(rows().substr(0, 30), "-$80.00; Rent [$80.00]; Payee ");
    EXPECT_EQ(captions().substr(0, 3), "-, ") << "a lone split again, right under the amount";
}

TEST_F(TransactionEditViewCTest, ASplitUnderAPreferredPayeeIsNamedCategoryUntilItHasOne) {
    TLTransactionSettings::setUsePayee(true);
    TLPayee* grocer = create<TLPayee>();
    grocer->setCompany("Green Grocer");
    grocer->setRepresentationString("Green Grocer");
    TLTransaction* shopping = transaction(checking, TLTransactionType::Expense, {"12.5"});
    shopping->setPayee(grocer);
    db().save();
    open(shopping, 2);
    EXPECT_EQ(rows().substr(0, 50), "-$12.50; Green Grocer; Select Category [$12.50]; D");
    EXPECT_EQ(captions().substr(0, 14), "-, -, Category");
    only(shopping)->changeCategoryTo(food);
    screen->reloadData();
    EXPECT_EQ(captions().substr(0, 10), "-, -, Cat.");
}

TEST_F(TransactionEditViewCTest, TheAmountRowIsTallWithItsSmallLabelAndTheNotesGrowByTheirLines) {
    TLTransaction* lunch = transaction(checking, TLTransactionType::Expense, {"30"}, food);
    lunch->setComments("with Ann\nand Bob\nat the harbour");
    TLTransaction* bills = transaction(checking, TLTransactionType::Expense, {"20"}, food);
    addSplit(bills, "80", rent);
    db().save();

    open(lunch, 0);
    SceneNode shown = app().render();
    EXPECT_EQ(rows(), "-$30.00; Food [$30.00]; Date [Mar 15, 2011]; Notes [with Ann\nand Bob\nat the harbour]");
    for (int row : {0, 1, 2}) EXPECT_EQ(height(shown, row), 44) << "no small label: the standard 44, row " << row;
    EXPECT_EQ(height(shown, 3), 19 * 3 + 42);

    tap("nav:right");
    SceneNode editing = app().render();
    EXPECT_EQ(height(editing, 5), 99);
    EXPECT_EQ(height(editing, 4), 44) << "the number field's row";
    type("field:0:5", "");
    EXPECT_EQ(height(app().render(), 5), 61) << "an empty text view keeps one line";
    type("field:0:5", R"(one\ntwo)");  // JSON: a line break
    EXPECT_EQ(height(app().render(), 5), 80) << "grows as a line is typed";
    EXPECT_EQ(lunch->comments(), "one\ntwo");

    open(bills, 0);
    EXPECT_EQ(height(app().render(), 0), 88) << "\"Split\" under the amount";
}

TEST_F(TransactionEditViewCTest, AnInvestmentBuyShowsItsSecuritySharesPriceAndCommission) {
    auto* security = create<TLSecurity>();
    security->setName("Acme Corp");
    auto* buy = create<TLInvestmentTransaction>();
    buy->setAccount(checking);
    buy->copyCurrencyFromAccount();
    buy->changeTypeTo(TLTransactionType::InvestmentBuy);
    addSplit(buy, "511.24");
    buy->setSecurity(security);
    buy->setShares(D("12.5"));
    buy->setPrice(D("40.10"));
    buy->setCommission(D("9.99"));
    db().save();
    open(buy, 0);
    EXPECT_EQ(rows(), "-$511.24 [Buy]; Security [Acme Corp]; Shares [12.5]; Price [$40.10]; Commis. [$9.99]; "
                      "Date [Mar 15, 2011]");
    EXPECT_EQ(height(app().render(), 0), 88);

    buy->setSecurity(nullptr);
    screen->reloadData();
    EXPECT_TRUE(has(rows(), "Security [Name]")) << "the placeholder";
}

// ---- switching modes and the caret ------------------------------------------

TEST_F(TransactionEditViewCTest, EditingFadesInTheRowsItAddsAndSavingTakesThemOutInOneUpdate) {
    TLTransaction* lunch = transaction(checking, TLTransactionType::Expense, {"30"}, food);
    db().save();
    open(lunch, 0);
    app().render();  // the screen as it opened

    tap("nav:right");  // Edit: amount, Food, Payee, Date, No., Notes, Split Transaction, Delete
    EXPECT_EQ(screen->insertRowsArray, (std::vector<int>{2, 4, 5, 6, 7}));
    EXPECT_EQ(screen->deleteRowsArray, std::vector<int>{});
    EXPECT_EQ(screen->reloadRowsArray, (std::vector<int>{0, 1, 3}));
    SceneNode editing = app().render();
    EXPECT_EQ(tableChange(editing), "insert 0:2 0:4 0:5 0:6 0:7; reload 0:0 0:1 0:3");
    EXPECT_EQ(inserted(editing), "2:fade 4:fade 5:fade 6:fade 7:fade");
    EXPECT_EQ(inserted(app().render()), "") << "an update is drawn once";

    type("field:0:4", "1042");
    tap("nav:right");  // Done: the number stays, payee, notes, split and delete go
    EXPECT_EQ(screen->deleteRowsArray, (std::vector<int>{2, 5, 6, 7}));
    EXPECT_EQ(screen->insertRowsArray, std::vector<int>{});
    SceneNode saved = app().render();
    EXPECT_EQ(tableChange(saved), "delete 0:2 0:5 0:6 0:7; reload 0:0 0:1 0:2 0:3");
    EXPECT_EQ(rows(), "-$30.00; Food [$30.00]; Date [Mar 15, 2011]; No. [1042]");
}

TEST_F(TransactionEditViewCTest, OpeningInEditingDrawsTheRowsWithoutAnimation) {
    TLTransaction* lunch = transaction(checking, TLTransactionType::Expense, {"30"}, food);
    db().save();
    open(lunch, 2);
    SceneNode opened = app().render();
    EXPECT_EQ(tableChange(opened), "reload");
    EXPECT_EQ(inserted(opened), "");
}

TEST_F(TransactionEditViewCTest, ATapOnTheNotesRowPutsTheCaretIntoTheNotesOnce) {
    TLTransaction* lunch = transaction(checking, TLTransactionType::Expense, {"30"}, food);
    db().save();
    open(lunch, 2);
    auto focused = [this] { return has(scene(), "focus=yes"); };
    EXPECT_FALSE(focused()) << "editing alone starts no typing";
    tap("row:0:5");  // Notes
    std::string drawn = scene();
    EXPECT_TRUE(has(drawn, "field#field:0:5 focus=yes")) << drawn;
    EXPECT_FALSE(focused()) << "the next drawing leaves the focus where the person put it";
    tap("row:0:3");  // the date row takes no caret
    EXPECT_FALSE(focused());
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
