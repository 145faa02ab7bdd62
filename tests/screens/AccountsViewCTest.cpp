// The Home tab as a person uses it, through the rendered scene: the first
// account made on the spot, the list with its balances and net worth,
// editing (create, reorder, delete, cancel) and what it says about the
// default account, the register and the settings it opens, and the lock it
// asks for. After every journey the books hold and the screens saved.

#include "Classes/screens/accounts/AccountsViewC.h"

#include "Classes/screens/accounts/AccountEditViewC.h"
#include "Classes/screens/passcode/PasscodeEditViewC.h"
#include "Classes/store/TLAccountType.h"
#include "Classes/store/TLSecurityInfo.h"
#include "Classes/store/TLTransactionType.h"
#include "tests/shell/ScreenTestSupport.h"
#include "tests/support/LedgerInvariants.h"

namespace tallo {
namespace {

using test::D;

class AccountsViewCTest : public test::ScreenTest {
protected:
    AccountsViewCTest() {
        usd = currency("USD", true);
        eur = currency("EUR");
    }
    // The Home tab's stack with the accounts list at its root, in view.
    void openHome() {
        home = std::make_shared<AccountsViewC>();
        home->isRootView = true;
        app().setRootViewController(std::make_shared<NavigationController>(home));
    }
    // Checking 10, Savings 20 and Cash 5, saved, with Home in editing.
    void editThreeAccounts() {
        opened("Checking", "10", usd, TLAccountType::Bank, 0);
        opened("Savings", "20", usd, TLAccountType::Bank, 1);
        opened("Cash", "5", usd, TLAccountType::Cash, 2);
        db().save();
        openHome();
        tap("nav:right");
    }
    TLAccount* opened(const char* name, const char* balance, TLCurrency* in, int type = TLAccountType::Bank,
                      int order = 0) {
        TLAccount* a = account(name, in, type, order);
        a->changeStartingBalanceTo(D(balance));
        return a;
    }
    void keys(const std::string& digits) {
        for (char c : digits) tap(c == '.' ? std::string("key:11") : std::string("key:") + c);
    }
    void move(const std::string& row, int toRow) {
        send(R"({"kind":"move","target":"move:)" + row + R"(","toSection":0,"toRow":)" + std::to_string(toRow) + "}");
    }
    std::vector<std::string> names() {
        std::vector<std::string> out;
        for (TLAccount* a : home->accounts()) out.push_back(a->name().value_or(""));
        return out;
    }

    TLCurrency* usd;
    TLCurrency* eur;
    std::shared_ptr<AccountsViewC> home;
};

// ---- the first account --------------------------------------------------------

TEST_F(AccountsViewCTest, WithNoAccountTheEditorOpensAtOnceAndSavesOnlyWithAName) {
    db().save();
    openHome();
    std::string editor = scene();
    ASSERT_TRUE(has(editor, "navbar title=\"New Account\"")) << editor;
    EXPECT_TRUE(has(editor, "button#nav:right done=yes enabled=no")) << editor;
    EXPECT_TRUE(has(editor, "text=\"Bank\"")) << editor;
    EXPECT_TRUE(has(editor, "detail=\"$0.00\" style=\"value1\" text=\"Balance\"")) << editor;
    EXPECT_FALSE(has(editor, "Limit"));

    send(R"({"kind":"focus","target":"field:0:0"})");
    type("field:0:0", "Ch");
    EXPECT_TRUE(has(scene(), "button#nav:right done=yes image=")) << scene();
    type("field:0:0", "");  // emptied again: no save
    EXPECT_TRUE(has(scene(), "enabled=no")) << scene();
    type("field:0:0", "Checking");

    // The opening balance on the keypad, in the account's currency.
    tap("row:0:2");
    std::string keypad = scene();
    EXPECT_TRUE(has(keypad, "navbar title=\"Starting Balance\"")) << keypad;
    EXPECT_TRUE(has(keypad, "Tap on the screen to change sign (+/-).")) << keypad;
    keys("1250.5");
    tap("nav:right");
    EXPECT_TRUE(has(scene(), "detail=\"$1,250.50\" style=\"value1\" text=\"Balance\"")) << scene();
    EXPECT_TRUE(db().context()->hasChanges());  // nothing stored before Save

    tap("nav:right");  // Save, pressed while typing
    // The field went with the editor; its typing ends all the same.
    EXPECT_TRUE(app().isKeyboardShown());
    send(R"({"kind":"blur","target":"field:0:0"})");
    EXPECT_FALSE(app().isKeyboardShown());
    std::string list = scene();
    EXPECT_TRUE(has(list, "navbar title=\"Home\"")) << list;
    EXPECT_TRUE(has(list, "networth amount=\"$1,250.50\"")) << list;
    EXPECT_TRUE(has(list, "text=\"Checking\"")) << list;
    EXPECT_TRUE(has(list, "value=\"$1,250.50\"")) << list;
    EXPECT_TRUE(has(list, "button#nav:left title=\"Settings\"")) << list;
    EXPECT_TRUE(has(list, "button#nav:right title=\"Edit\"")) << list;
    ASSERT_EQ(home->accounts().size(), 1u);
    TLAccount* checking = home->accounts()[0];
    EXPECT_EQ(checking->balance(), D("1250.5"));
    EXPECT_EQ(checking->startingBalance(), D("1250.5"));
    EXPECT_EQ(checking->currency(), usd);
    EXPECT_EQ(test::checkLedgerInvariantsSaved(), "");
}

TEST_F(AccountsViewCTest, ANameOfSpacesIsANameAndANewAccountGoesLast) {
    opened("Checking", "10", usd);
    db().save();
    openHome();
    tap("nav:right");  // Edit
    tap("row:0:0");    // Create Account
    type("field:0:0", "   ");
    tap("nav:right");
    EXPECT_EQ(names(), (std::vector<std::string>{"Checking", "   "}));
    EXPECT_EQ(test::checkLedgerInvariantsSaved(), "");
}

// ---- the list -----------------------------------------------------------------

TEST_F(AccountsViewCTest, TheNetWorthAddsEveryListedBalanceInTheDefaultCurrency) {
    rate(eur, usd, "1.0837");
    opened("Checking", "50", usd, TLAccountType::Bank, 0);
    opened("Travel", "100", eur, TLAccountType::Cash, 1);
    opened("Hidden", "1000", usd, TLAccountType::NeverListed, 2);
    db().save();
    openHome();
    std::string list = scene();
    // 50 + 100 × 1.0837; the account never listed counts nowhere.
    EXPECT_TRUE(has(list, "networth amount=\"$158.37\" color=\"rgba(123,157,74,1)\" height=26 label=\"Net Worth:\""))
        << list;
    EXPECT_TRUE(has(list, "value=\"€100.00\"")) << list;
    EXPECT_FALSE(has(list, "Hidden"));
    EXPECT_EQ(names(), (std::vector<std::string>{"Checking", "Travel"}));

    // In debt: the net worth turns red.
    home->accounts()[0]->changeStartingBalanceTo(D("-500"));
    db().save();
    openHome();
    EXPECT_TRUE(has(scene(), "networth amount=\"-$391.63\" color=\"rgba(184,62,68,1)\"")) << scene();
}

TEST_F(AccountsViewCTest, ALongNameBesideALargeBalanceEndsInDots) {
    opened("Household Expenses Account", "1234567.89", usd);
    opened("Cash", "5", usd, TLAccountType::Cash, 1);
    db().save();
    openHome();
    std::string list = scene();
    // Cut by five, then by two at a time, until name and amount fit 240 points.
    EXPECT_TRUE(has(list, "text=\"Household Exp...\"")) << list;
    EXPECT_TRUE(has(list, "text=\"Cash\"")) << list;
    EXPECT_EQ(home->accounts()[0]->name(), "Household Expenses Account");  // only the row is shortened
}

TEST_F(AccountsViewCTest, LoanAndInvestmentAccountsAreDimmedAndNotEdited) {
    opened("Checking", "10", usd);
    opened("Mortgage", "-90000", usd, TLAccountType::Loan, 1);
    db().save();
    openHome();
    EXPECT_TRUE(has(scene(), "dimmed=yes image=\"home-loan.png\"")) << scene();
    tap("accessory:0:1");
    std::string alert = scene();
    EXPECT_TRUE(has(alert, "message=\"Editing Loan account is not supported on iPhone.\" title=\"Edit not supported\""))
        << alert;
    tap("overlay:0:0");
    tap("accessory:0:0");
    EXPECT_TRUE(has(scene(), "navbar title=\"Edit Account\"")) << scene();
}

TEST_F(AccountsViewCTest, ATapOpensTheRegisterAndSettingsComeAndGoFromTheLeft) {
    opened("Checking", "10", usd);
    db().save();
    openHome();
    tap("row:0:0");
    EXPECT_TRUE(has(scene(), "navbar title=\"Checking\"")) << scene();
    EXPECT_TRUE(has(scene(), "networth amount=\"$10.00\"") && has(scene(), "label=\"Balance:\"")) << scene();
    tap("nav:back");
    tap("nav:left");  // Settings
    std::string settings = scene();
    EXPECT_TRUE(has(settings, "navbar title=\"Settings\"\n      button#nav:left title=\"Home\"")) << settings;
    tap("nav:left");  // Home
    EXPECT_TRUE(has(scene(), "navbar title=\"Home\"")) << scene();
}

// ---- editing ------------------------------------------------------------------

TEST_F(AccountsViewCTest, EditingAddsCreateAccountAndTheHintAndCancelUndoesIt) {
    editThreeAccounts();
    std::string editing = scene();
    EXPECT_TRUE(has(editing, "button#nav:left title=\"Cancel\"")) << editing;
    EXPECT_TRUE(has(editing, "button#nav:right done=yes image=\"nav_done.png\" title=\"Done\"")) << editing;
    // "Create Account" comes in from the top.
    EXPECT_TRUE(has(editing, "row#row:0:0 insertable=yes inserted=\"top\" style=\"default\" text=\"Create Account\""))
        << editing;
    EXPECT_TRUE(has(editing, "text=\"Drag to the top to make default.\"")) << editing;
    EXPECT_TRUE(has(editing, "row#row:0:1 accessory=\"detail\" deletable=yes image=\"home-bank.png\" movable=yes")) << editing;

    move("0:3", 1);  // Cash to the top
    send(R"({"kind":"delete","target":"delete:0:2"})");  // Checking, now second
    EXPECT_EQ(names(), (std::vector<std::string>{"Cash", "Savings"}));
    EXPECT_TRUE(has(scene(), "networth amount=\"$25.00\"")) << scene();

    tap("nav:left");  // Cancel: the order and the account come back
    EXPECT_EQ(names(), (std::vector<std::string>{"Checking", "Savings", "Cash"}));
    EXPECT_FALSE(has(scene(), "Create Account"));
    EXPECT_TRUE(has(scene(), "networth amount=\"$35.00\"")) << scene();
    EXPECT_EQ(test::checkLedgerInvariantsSaved(), "");
}

TEST_F(AccountsViewCTest, RowsDroppedOnCreateAccountLandFirstAndDoneSavesTheOrder) {
    editThreeAccounts();
    move("0:2", 0);  // Savings onto "Create Account"
    EXPECT_EQ(names(), (std::vector<std::string>{"Savings", "Checking", "Cash"}));
    tap("nav:right");  // Done: Savings is supported, nothing to say
    EXPECT_FALSE(has(scene(), "alert"));
    EXPECT_EQ(test::checkLedgerInvariantsSaved(), "");
    std::vector<int> orders;
    for (TLAccount* a : home->accounts()) orders.push_back(a->order().value_or(-1));
    EXPECT_EQ(orders, (std::vector<int>{0, 1, 2}));
}

TEST_F(AccountsViewCTest, ALoanDraggedToTheTopNamesTheFirstAccountThatWillBeDefault) {
    opened("Checking", "10", usd, TLAccountType::Bank, 0);
    opened("Savings", "20", usd, TLAccountType::Bank, 1);
    opened("Mortgage", "-90000", usd, TLAccountType::Loan, 2);
    db().save();
    openHome();
    tap("nav:right");
    move("0:3", 1);
    tap("nav:right");
    std::string alert = scene();
    EXPECT_TRUE(has(alert, "message=\"\\\"Checking\\\" will be used as default because \\\"Mortgage\\\" can not add "
                           "transactions.\" title=\"Default Account\"")) << alert;
    EXPECT_EQ(TLAccount::getDefaultAccount()->name(), "Checking");
    EXPECT_EQ(test::checkLedgerInvariantsSaved(), "");
}

TEST_F(AccountsViewCTest, DeletingTheLastSupportedAccountSaysThereIsNoDefault) {
    TLAccount* checking = opened("Checking", "10", usd, TLAccountType::Bank, 0);
    transaction(checking, TLTransactionType::Expense, {"4"});
    opened("Mortgage", "-90000", usd, TLAccountType::Loan, 1);
    db().save();
    openHome();
    tap("nav:right");
    send(R"({"kind":"delete","target":"delete:0:1"})");
    EXPECT_TRUE(db().context()->hasChanges());  // kept until Done
    tap("nav:right");
    std::string alert = scene();
    EXPECT_TRUE(has(alert, "message=\"You must have at least one account\" title=\"No default account\"")) << alert;
    EXPECT_EQ(names(), (std::vector<std::string>{"Mortgage"}));
    EXPECT_TRUE(db().fetchEntityCustom("Split").empty());  // its amounts went with it
    EXPECT_EQ(test::checkLedgerInvariantsSaved(), "");
}

// ---- the lock -----------------------------------------------------------------

TEST_F(AccountsViewCTest, ComingIntoViewLockedAsksForThePasscodeOnlyWhenThereIsAnAccount) {
    db().securityInfo()->setPasscode("2580");
    db().save();
    openHome();
    EXPECT_FALSE(app().isLocked());  // the first account comes first
    EXPECT_TRUE(has(scene(), "navbar title=\"New Account\""));
    type("field:0:0", "Checking");
    tap("nav:right");
    EXPECT_TRUE(app().isLocked());  // Home in view again, with an account
    for (char digit : std::string("2580")) tap(std::string("key:") + digit);
    RunLoop::main().advance(PasscodeEditViewC::kCheckDelaySeconds);
    EXPECT_FALSE(app().isLocked());
    EXPECT_TRUE(has(scene(), "text=\"Checking\"")) << scene();
}

}  // namespace
}  // namespace tallo
