// The account editor as a person uses it, through the rendered scene: the
// type check list and the limit row it brings or takes, the opening balance
// and the credit limit on the keypad, Save, Cancel (which leaves the
// account exactly as it was, also when something else is saved later) and
// "Delete Account".

#include "Classes/screens/accounts/AccountEditViewC.h"

#include "Classes/screens/accounts/AccountsViewC.h"
#include "Classes/store/TLAccountType.h"
#include "Classes/store/TLTransactionType.h"
#include "tests/shell/ScreenTestSupport.h"
#include "tests/support/LedgerInvariants.h"

namespace tallo {
namespace {

using test::D;

class AccountEditViewCTest : public test::ScreenTest {
protected:
    AccountEditViewCTest() {
        usd = currency("USD", true);
        checking = account("Checking", usd);
        checking->changeStartingBalanceTo(D("100"));
        transaction(checking, TLTransactionType::Expense, {"20"});  // balance 80
        card = account("Visa", usd, TLAccountType::CreditCard, 1);
        card->setCcLimit(D("-500"));
        db().save();
        home = std::make_shared<AccountsViewC>();
        home->isRootView = true;
        app().setRootViewController(std::make_shared<NavigationController>(home));
    }
    // The editor of `account`, opened from its row's accessory button.
    void edit(int row) { tap("accessory:0:" + std::to_string(row)); }
    void keys(const std::string& digits) {
        for (char c : digits) tap(std::string("key:") + c);
    }

    TLCurrency* usd;
    TLAccount* checking;
    TLAccount* card;
    std::shared_ptr<AccountsViewC> home;
};

TEST_F(AccountEditViewCTest, ACreditCardHasALimitRowThatCashTakesAwayKeepingTheLimit) {
    edit(1);
    std::string editor = scene();
    ASSERT_TRUE(has(editor, "navbar title=\"Edit Account\"")) << editor;
    EXPECT_TRUE(has(editor, "image=\"home-credit.png\" style=\"value1\" text=\"Credit Card\"")) << editor;
    EXPECT_TRUE(has(editor, "detail=\"-$500.00\" style=\"value1\" text=\"Limit\"")) << editor;
    EXPECT_TRUE(has(editor, "text=\"Delete Account\"")) << editor;

    tap("row:0:1");
    std::string types = scene();
    EXPECT_TRUE(has(types, "navbar title=\"Account Type\"")) << types;
    EXPECT_TRUE(has(types, "row#row:0:2 accessory=\"checkmark\" image=\"home-credit.png\"")) << types;
    EXPECT_TRUE(has(types, "image=\"home-asset.png\" imageInactive=yes style=\"default\" text=\"Asset\"")) << types;
    tap("row:0:1");  // Cash
    editor = scene();
    EXPECT_TRUE(has(editor, "text=\"Cash\"")) << editor;
    EXPECT_FALSE(has(editor, "Limit")) << editor;
    tap("nav:right");
    EXPECT_EQ(card->type(), TLAccountType::Cash);
    EXPECT_EQ(card->ccLimit(), D("-500"));
    EXPECT_EQ(test::checkLedgerInvariantsSaved(), "");
}

TEST_F(AccountEditViewCTest, TheLimitIsTypedPositiveAndStoredNegative) {
    edit(1);
    tap("row:0:3");
    EXPECT_TRUE(has(scene(), "navbar title=\"Credit Limit\"")) << scene();
    keys("750");
    EXPECT_TRUE(has(scene(), "amount=\"-$750.00\"")) << scene();
    tap("nav:right");
    EXPECT_TRUE(has(scene(), "detail=\"-$750.00\" style=\"value1\" text=\"Limit\"")) << scene();
    EXPECT_EQ(card->ccLimit(), D("-500"));  // not before Save
    tap("nav:right");
    EXPECT_EQ(card->ccLimit(), D("-750"));
    EXPECT_EQ(test::checkLedgerInvariantsSaved(), "");
}

TEST_F(AccountEditViewCTest, SavingANewOpeningBalanceMovesTheBalanceByTheDifference) {
    edit(0);
    EXPECT_TRUE(has(scene(), "detail=\"$100.00\" style=\"value1\" text=\"Balance\"")) << scene();
    tap("row:0:2");
    keys("150");
    tap("nav:right");
    tap("nav:right");
    // 100 → 150 with a balance of 80 makes it 130.
    EXPECT_EQ(checking->startingBalance(), D("150"));
    EXPECT_EQ(checking->balance(), D("130"));
    EXPECT_TRUE(has(scene(), "value=\"$130.00\"")) << scene();
    EXPECT_EQ(test::checkLedgerInvariantsSaved(), "");
}

TEST_F(AccountEditViewCTest, CancelLeavesTheAccountAsItWasEvenAfterALaterSave) {
    edit(0);
    type("field:0:0", "Everyday");
    tap("row:0:1");
    tap("row:0:2");  // Credit Card
    tap("row:0:2");
    keys("999");
    tap("nav:right");
    EXPECT_TRUE(has(scene(), "detail=\"$999.00\" style=\"value1\" text=\"Balance\"")) << scene();
    tap("nav:left");  // Cancel
    EXPECT_TRUE(has(scene(), "text=\"Checking\"")) << scene();
    EXPECT_TRUE(has(scene(), "value=\"$80.00\"")) << scene();

    // Another screen saves later: nothing of the cancelled edit comes with it.
    card->setName("Visa Gold");
    db().save();
    EXPECT_EQ(checking->name(), "Checking");
    EXPECT_EQ(checking->type(), TLAccountType::Bank);
    EXPECT_EQ(checking->startingBalance(), D("100"));
    EXPECT_EQ(checking->balance(), D("80"));
    EXPECT_EQ(test::checkLedgerInvariantsSaved(), "");
}

TEST_F(AccountEditViewCTest, CancellingANewAccountLeavesNoAccountBehind) {
    tap("nav:right");  // Edit
    tap("row:0:0");    // Create Account
    type("field:0:0", "Savings");
    tap("row:0:2");
    keys("40");
    tap("nav:right");
    tap("nav:left");  // Cancel
    db().save();
    EXPECT_EQ(TLAccount::getAccounts().size(), 2u);
    EXPECT_EQ(test::checkLedgerInvariantsSaved(), "");
}

TEST_F(AccountEditViewCTest, DeleteAccountAsksFirstThenTakesTheAccountAndItsAmounts) {
    edit(0);
    tap("row:1:0");
    std::string sheet = scene();
    EXPECT_TRUE(has(sheet, "Delete Account")) << sheet;
    tap("overlay:0:0");
    EXPECT_EQ(TLAccount::getAccounts(), (std::vector<TLAccount*>{card}));
    EXPECT_TRUE(has(scene(), "networth amount=\"$0.00\"")) << scene();
    EXPECT_EQ(test::checkLedgerInvariantsSaved(), "");
}

}  // namespace
}  // namespace tallo
