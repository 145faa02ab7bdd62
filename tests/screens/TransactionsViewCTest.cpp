// An account's register as a person uses it, through the rendered scene:
// the day headings, what each row says, paging by 25, deleting (a transfer
// with its other side), the credit-limit warning, the balance bar and the
// search with its own paging. After every journey the books hold.

#include "Classes/screens/transactions/TransactionsViewC.h"

#include "Classes/store/TLAccountType.h"
#include "Classes/store/TLTransactionType.h"
#include "tests/shell/ScreenTestSupport.h"
#include "tests/support/LedgerInvariants.h"

namespace tallo {
namespace {

using test::D;
using test::localDate;

class TransactionsViewCTest : public test::ScreenTest {
protected:
    TransactionsViewCTest() {
        usd = currency("USD", true);
        checking = account("Checking", usd, TLAccountType::Bank, 0);
        savings = account("Savings", usd, TLAccountType::Bank, 1);
        food = category("Food");
    }
    // The register of `account` in view, on a stack below Home.
    std::shared_ptr<TransactionsViewC> open(TLAccount* account) {
        db().save();
        auto below = std::make_shared<TLViewC>();
        below->setTitle("Home");
        app().setRootViewController(std::make_shared<NavigationController>(below));
        register_ = std::make_shared<TransactionsViewC>();
        register_->setAccount(account);
        below->pushView(register_, 0);
        return register_;
    }
    // An expense of `amount` on a day, filed under Food, with its search text.
    TLTransaction* expense(TLAccount* in, const char* amount, Date when, TLPayee* payee = nullptr) {
        TLTransaction* t = transaction(in, TLTransactionType::Expense, {amount}, food);
        t->setTransactionDate(when);
        t->setPayee(payee);
        t->setSearchString(t->getSearchString());
        return t;
    }
    TLPayee* payee(const char* name) {
        auto* p = create<TLPayee>();
        p->setFirstname(name);
        p->setRepresentationString(name);
        return p;
    }
    // `count` expenses of 1.00, one a day back from 15 March 2011.
    void daily(TLAccount* in, int count) {
        for (int i = 0; i < count; ++i) expense(in, "1", localDate(2011, 3, 15, 12).addingTimeInterval(-86400.0 * i));
    }
    int rows() {
        int n = 0;
        for (const auto& section : register_->sectionsArray) n += static_cast<int>(section.size());
        return n;
    }
    void search(const std::string& text) { type("search", text); }

    TLCurrency* usd;
    TLAccount* checking;
    TLAccount* savings;
    TLCategory* food;
    std::shared_ptr<TransactionsViewC> register_;
};

// ---- the register -------------------------------------------------------------

TEST_F(TransactionsViewCTest, ADaysTransactionsShareOneHeadingNewestDayFirst) {
    expense(checking, "12.5", localDate(2011, 3, 14, 8));
    expense(checking, "3.2", localDate(2011, 3, 14, 21, 30));  // the same day, in the evening
    expense(checking, "40", localDate(2011, 3, 15, 9));
    open(checking);
    std::string text = scene();
    EXPECT_TRUE(has(text, "navbar title=\"Checking\"\n      button#nav:back")) << text;
    EXPECT_TRUE(has(text, "button#nav:right image=\"nav_add.png\"")) << text;
    ASSERT_EQ(register_->sectionsTitlesArray, (std::vector<std::string>{"Mar 15, 2011", "Mar 14, 2011"}));
    EXPECT_EQ(register_->sectionsArray[1].size(), 2u);
    // The evening one first; every row but the very last has a line under it.
    const char* rows =
        "        section header=\"Mar 15, 2011\"\n"
        "          row#row:0:0 background=\"rgba(250,250,250,1)\" deletable=yes image=\"Uncategorized.png\" line=yes "
        "style=\"subtitle\" text=\"Food\" textBold=yes textSize=16 value=\"-$40.00\" valueColor=\"rgba(184,62,68,1)\"\n"
        "        section header=\"Mar 14, 2011\"\n"
        "          row#row:1:0 background=\"rgba(250,250,250,1)\" deletable=yes image=\"Uncategorized.png\" line=yes "
        "style=\"subtitle\" text=\"Food\" textBold=yes textSize=16 value=\"-$3.20\" valueColor=\"rgba(184,62,68,1)\"\n"
        "          row#row:1:1 background=\"rgba(250,250,250,1)\" deletable=yes image=\"Uncategorized.png\" "
        "style=\"subtitle\" text=\"Food\" textBold=yes textSize=16 value=\"-$12.50\" valueColor=\"rgba(184,62,68,1)\"\n";
    EXPECT_TRUE(has(text, rows)) << text;
    EXPECT_TRUE(has(text, "networth amount=\"-$55.70\" color=\"rgba(184,62,68,1)\" height=26 label=\"Balance:\" position=\"bottom\""))
        << text;
}

TEST_F(TransactionsViewCTest, AnEmptyRegisterSaysHowToStartAndLoansSayTheyAreNotEditedHere) {
    open(checking);
    std::string empty = scene();
    EXPECT_TRUE(has(empty, "empty detail=\"Press \\\"+\\\" to create your first transaction.\" info=yes title=\"No transactions\""))
        << empty;
    TLAccount* mortgage = account("Mortgage", usd, TLAccountType::Loan, 2);
    open(mortgage);
    std::string loan = scene();
    EXPECT_TRUE(has(loan, "detail=\"Editing Loan account is not supported on iPhone.\"")) << loan;
    EXPECT_FALSE(has(loan, "nav_add.png")) << loan;
}

TEST_F(TransactionsViewCTest, RowsSayWhoAndWhatByThePayeeSetting) {
    TLTransaction* lunch = expense(checking, "9.9", localDate(2011, 3, 15, 12), payee("Luigi"));
    expense(checking, "4", localDate(2011, 3, 14, 12));  // no payee
    (void)lunch;
    TLTransactionSettings::setUsePayee(true);
    open(checking);
    std::string on = scene();
    EXPECT_TRUE(has(on, "detail=\"Food\" image=\"payee.png\" line=yes style=\"subtitle\" text=\"Luigi\"")) << on;
    EXPECT_TRUE(has(on, "row#row:1:0 background=\"rgba(250,250,250,1)\" deletable=yes image=\"Uncategorized.png\" "
                        "style=\"subtitle\" text=\"Food\" textBold")) << on;
    TLTransactionSettings::setUsePayee(false);
    open(checking);
    EXPECT_TRUE(has(scene(), "detail=\"Luigi\" image=\"Uncategorized.png\" line=yes style=\"subtitle\" text=\"Food\"")) << scene();
}

TEST_F(TransactionsViewCTest, TransfersNameTheOtherAccountOrItsAbsence) {
    TLTransaction* sent = transaction(checking, TLTransactionType::Transfer, {"50"});
    sent->setTransactionDate(localDate(2011, 3, 15, 9));
    sent->transferToAccount(savings);
    open(checking);
    EXPECT_TRUE(has(scene(), "detail=\"To Savings\"")) << scene();
    EXPECT_TRUE(has(scene(), "text=\"Transfer\" textBold=yes textSize=16 value=\"-$50.00\"")) << scene();
    open(savings);
    EXPECT_TRUE(has(scene(), "detail=\"From Checking\"")) << scene();
    EXPECT_TRUE(has(scene(), "value=\"$50.00\" valueColor=\"rgba(123,157,74,1)\"")) << scene();

    sent->setAccount(nullptr);  // the sending side's account is gone
    open(savings);
    EXPECT_TRUE(has(scene(), "detail=\"From deleted account\"")) << scene();
}

// ---- paging -------------------------------------------------------------------

TEST_F(TransactionsViewCTest, ExactlyTwentyFiveShowTheMoreRowOnceAndThenNoMore) {
    daily(checking, 25);
    open(checking);
    EXPECT_EQ(rows(), 25);
    IndexPath last = register_->lastCellIndexPath();
    std::string more = "row#row:" + std::to_string(last.section) + ":" + std::to_string(last.row) +
                       " style=\"default\" text=\"Show 25 more...\"";
    EXPECT_TRUE(has(scene(), more)) << scene();
    tap("row:" + std::to_string(last.section) + ":" + std::to_string(last.row));
    EXPECT_EQ(register_->fetchLimit(), 50u);
    EXPECT_EQ(rows(), 25);
    EXPECT_FALSE(has(scene(), "Show 25 more...")) << scene();
}

TEST_F(TransactionsViewCTest, SixtyArePagedTwentyFiveAtATimeNewestFirst) {
    daily(checking, 60);
    open(checking);
    EXPECT_EQ(rows(), 25);
    EXPECT_EQ(register_->sectionsTitlesArray.front(), "Mar 15, 2011");
    IndexPath last = register_->lastCellIndexPath();
    tap("row:" + std::to_string(last.section) + ":" + std::to_string(last.row));
    EXPECT_EQ(rows(), 50);
    last = register_->lastCellIndexPath();
    tap("row:" + std::to_string(last.section) + ":" + std::to_string(last.row));
    EXPECT_EQ(rows(), 60);
    EXPECT_FALSE(has(scene(), "Show 25 more..."));
    // Back and forth keeps the grown page while the screen lives.
    register_->viewWillAppear(false);
    EXPECT_EQ(rows(), 60);
}

// ---- deleting -----------------------------------------------------------------

TEST_F(TransactionsViewCTest, DeletingATransferFromTheOtherSideDeletesBothAndRestoresBothBalances) {
    expense(checking, "10", localDate(2011, 3, 13, 9));
    TLTransaction* sent = transaction(checking, TLTransactionType::Transfer, {"50"});
    sent->setTransactionDate(localDate(2011, 3, 15, 9));
    sent->transferToAccount(savings);
    EXPECT_EQ(savings->balance(), D("50"));
    open(savings);
    send(R"({"kind":"delete","target":"delete:0:0"})");
    EXPECT_EQ(savings->balance(), D("0"));
    EXPECT_EQ(checking->balance(), D("-10"));
    EXPECT_EQ(db().fetchEntityCustom("Transaction").size(), 1u);
    std::string text = scene();
    EXPECT_TRUE(has(text, "networth amount=\"$0.00\" color=\"rgba(74,74,74,1)\"")) << text;
    EXPECT_TRUE(has(text, "title=\"No transactions\"")) << text;
    EXPECT_EQ(test::checkLedgerInvariantsSaved(), "");
}

TEST_F(TransactionsViewCTest, InALoanAccountTransfersCannotBeDeletedButTheRestCan) {
    TLAccount* loan = account("Car Loan", usd, TLAccountType::Loan, 2);
    TLTransaction* payment = transaction(checking, TLTransactionType::Transfer, {"300"});
    payment->setTransactionDate(localDate(2011, 3, 15, 9));
    payment->transferToAccount(loan);
    TLTransaction* fee = transaction(loan, TLTransactionType::Expense, {"25"});
    fee->setTransactionDate(localDate(2011, 3, 14, 9));
    open(loan);
    std::string text = scene();
    EXPECT_FALSE(has(text, "row#row:0:0 background=\"rgba(250,250,250,1)\" deletable=yes")) << text;
    EXPECT_TRUE(has(text, "row#row:1:0 background=\"rgba(250,250,250,1)\" deletable=yes")) << text;
    std::string why;
    app().render();
    EXPECT_FALSE(app().handleMessage(R"({"kind":"delete","target":"delete:0:0"})", &why));
    send(R"({"kind":"delete","target":"delete:1:0"})");
    EXPECT_EQ(loan->balance(), D("300"));
    EXPECT_EQ(test::checkLedgerInvariantsSaved(), "");
}

// ---- credit limit -------------------------------------------------------------

TEST_F(TransactionsViewCTest, ACardOverItsLimitWarnsEachTimeUntilDontRemind) {
    TLAccount* card = account("Visa", usd, TLAccountType::CreditCard, 2);
    card->setCcLimit(D("-500"));
    transaction(card, TLTransactionType::Expense, {"620"});
    open(card);
    std::string warned = scene();
    EXPECT_TRUE(has(warned, "message=\"Credit Limit exceeded by $120.00\" title=\"Limit exceeded\"")) << warned;
    tap("overlay:0:0");  // Close
    EXPECT_FALSE(has(scene(), "alert"));
    open(card);
    EXPECT_TRUE(has(scene(), "Limit exceeded"));
    tap("overlay:0:1");  // Don't Remind
    EXPECT_TRUE(card->closed().value_or(false));
    EXPECT_FALSE(db().context()->hasChanges());
    open(card);
    EXPECT_FALSE(has(scene(), "Limit exceeded"));
}

// ---- search -------------------------------------------------------------------

TEST_F(TransactionsViewCTest, CafeFindsCafeWithItsAccentInOneSectionWithoutHeading) {
    expense(checking, "3.8", localDate(2011, 3, 15, 8), payee("Café Central"));
    expense(checking, "60", localDate(2011, 3, 14, 8), payee("Grocer"));
    expense(savings, "2.5", localDate(2011, 3, 14, 8), payee("Cafe Elsewhere"));  // another account
    open(checking);
    search("cafe");
    std::string found = scene();
    EXPECT_EQ(register_->foundObjectsArray.size(), 1u);
    EXPECT_TRUE(has(found, "value=\"-$3.80\"")) << found;
    EXPECT_FALSE(has(found, "header=")) << found;
    EXPECT_FALSE(has(found, "-$60.00")) << found;
    search("CAFÉ CENT");
    EXPECT_EQ(register_->foundObjectsArray.size(), 1u);
    search("bakery");
    EXPECT_TRUE(register_->foundObjectsArray.empty());
    EXPECT_FALSE(has(scene(), "Show 25 more...")) << scene();
    search("");
    EXPECT_EQ(rows(), 2);
}

TEST_F(TransactionsViewCTest, TheSearchPagesByTwentyFiveAndItsRowsCanBeDeleted) {
    TLPayee* cafe = payee("Café Central");
    for (int i = 0; i < 30; ++i) expense(checking, "2", localDate(2011, 3, 15, 8).addingTimeInterval(-3600.0 * i), cafe);
    expense(checking, "99", localDate(2011, 3, 16, 8));
    open(checking);
    search("cafe");
    EXPECT_EQ(register_->foundObjectsArray.size(), 25u);
    EXPECT_TRUE(has(scene(), "row#row:0:25 style=\"default\" text=\"Show 25 more...\"")) << scene();
    tap("row:0:25");
    EXPECT_EQ(register_->foundObjectsArray.size(), 30u);
    EXPECT_FALSE(has(scene(), "Show 25 more..."));
    send(R"({"kind":"delete","target":"delete:0:0"})");
    EXPECT_EQ(register_->foundObjectsArray.size(), 29u);
    EXPECT_EQ(checking->balance(), D("-157"));  // 99 + 29 × 2
    EXPECT_TRUE(has(scene(), "networth amount=\"-$157.00\"")) << scene();
    EXPECT_EQ(test::checkLedgerInvariantsSaved(), "");
}

// ---- memory -------------------------------------------------------------------

// The store keeps the values of only so many rows. Rows that lost theirs at a
// turn of the run loop read them again: the register shows exactly what it
// showed, and an edit of such a row saves every value it had.
TEST_F(TransactionsViewCTest, RowsThatLostTheirValuesShowAndSaveAsBefore) {
    daily(checking, 60);
    TLTransaction* sent = transaction(checking, TLTransactionType::Transfer, {"50"});
    sent->setTransactionDate(localDate(2011, 3, 15, 9));
    sent->transferToAccount(savings);
    open(checking);
    IndexPath last = register_->lastCellIndexPath();
    tap("row:" + std::to_string(last.section) + ":" + std::to_string(last.row));
    ASSERT_EQ(rows(), 50);
    const std::string shown = scene();

    ManagedObjectContext* context = db().context();
    ASSERT_GT(context->cleanRowsHeld(), 100u) << "61 transactions and their splits, saved";
    context->setCleanRowLimit(4);
    RunLoop::main().runPending();
    EXPECT_LE(context->cleanRowsHeld(), 4u);
    register_->viewWillAppear(false);
    EXPECT_EQ(scene(), shown);

    context->setCleanRowLimit(1);
    RunLoop::main().runPending();
    size_t held = context->cleanRowsHeld();
    sent->setComments("Rent share");
    EXPECT_EQ(context->cleanRowsHeld(), held + 1) << "the transfer read its values again to be changed";
    db().save();
    EXPECT_EQ(test::checkLedgerInvariantsSaved(), "");
    db().reloadData();
    std::vector<TLAccount*> accounts = TLAccount::getAccounts();
    ASSERT_EQ(accounts.size(), 2u);
    EXPECT_EQ(accounts[0]->balance(), D("-110"));
    EXPECT_EQ(accounts[1]->balance(), D("50"));
    EXPECT_EQ(test::checkLedgerInvariants(), "");
}

}  // namespace
}  // namespace tallo
