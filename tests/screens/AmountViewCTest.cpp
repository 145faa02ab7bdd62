// The amount keypad as a person uses it, through the rendered scene: what
// the display shows after each key, which keys are offered, what the opener
// reads when the screen closes, and what a transaction's type segments do.

#include "Classes/screens/amount/AmountViewC.h"

#include "Classes/screens/amount/AmountViewType.h"
#include "Classes/screens/currencies/CurrenciesEditViewC.h"
#include "Classes/shell/TLCheckListViewC.h"
#include "tests/shell/ScreenTestSupport.h"

namespace tallo {
namespace {

using test::D;

// The screen that pushes the keypad and reads it back as it closes.
class Opener : public TLViewC {
public:
    void willPopNextView(TLNavigationViewC* next) override {
        auto* amount = dynamic_cast<AmountViewC*>(next);
        ++closings;
        value = amount->getAmount();
        canceled = amount->isCanceled;
        global = amount->isGlobalBudgetLimit();
        automatic = amount->isAutomatic();
    }
    int closings = 0;
    Decimal value;
    bool canceled = false;
    bool global = false;
    bool automatic = false;
};

class AmountViewCTest : public test::ScreenTest {
protected:
    AmountViewCTest() {
        usd = currency("USD", true);
        eur = currency("EUR");
        jpy = currency("JPY");
    }
    // The keypad, configured by `configure` before it is pushed.
    std::shared_ptr<AmountViewC> open(const std::function<void(AmountViewC&)>& configure) {
        opener = std::make_shared<Opener>();
        app().setRootViewController(std::make_shared<NavigationController>(opener));
        auto amount = std::make_shared<AmountViewC>();
        configure(*amount);
        opener->pushView(amount, 0);
        return amount;
    }
    std::shared_ptr<AmountViewC> openDollars(const char* start = nullptr) {
        return open([&](AmountViewC& a) {
            a.setCurrency(usd);
            if (start != nullptr) a.setAmount(D(start));
        });
    }
    void keys(const std::string& tags) {
        for (char c : tags) {
            switch (c) {
                case '.': tap("key:11"); break;
                case '+': tap("key:12"); break;
                case '-': tap("key:13"); break;
                case '=': tap("key:14"); break;
                case '<': tap("key:15"); break;
                default: tap(std::string("key:") + c);
            }
        }
    }
    void key(const std::string& name) { send(R"({"kind":"key","key":")" + name + "\"}"); }
    bool keyTaken(const std::string& name) {
        app().render();
        return app().handleMessage(R"({"kind":"key","key":")" + name + "\"}");
    }
    // The display line of the scene.
    std::string display() {
        std::string text = scene();
        size_t at = text.find("amount");
        return at == std::string::npos ? "" : text.substr(at, text.find('\n', at) - at);
    }

    TLCurrency* usd;
    TLCurrency* eur;
    TLCurrency* jpy;
    std::shared_ptr<Opener> opener;
};

TEST_F(AmountViewCTest, TheKeypadScreenShowsTheAmountAboveTheCalculatorKeys) {
    openDollars("12.5");
    EXPECT_EQ(scene(),
              "window\n"
              "  screen transition=\"push\"\n"
              "    navbar title=\"Amount\"\n"
              "      button#nav:left title=\"Cancel\"\n"
              "      button#nav:right done=yes image=\"nav_done.png\" title=\"Done\"\n"
              "    content\n"
              "      amount amount=\"$12.50\"\n"
              "      keypad columns=4\n"
              "        key#key:7 title=\"7\"\n"
              "        key#key:8 title=\"8\"\n"
              "        key#key:9 title=\"9\"\n"
              "        key#key:15 image=\"backspace.png\" title=\"⌫\"\n"
              "        key#key:4 title=\"4\"\n"
              "        key#key:5 title=\"5\"\n"
              "        key#key:6 title=\"6\"\n"
              "        key#key:13 image=\"minus.png\" title=\"−\"\n"
              "        key#key:1 title=\"1\"\n"
              "        key#key:2 title=\"2\"\n"
              "        key#key:3 title=\"3\"\n"
              "        key#key:12 image=\"plus.png\" title=\"+\"\n"
              "        key#key:10 enabled=no title=\"USD\"\n"
              "        key#key:0 title=\"0\"\n"
              "        key#key:11 title=\".\"\n"
              "        key#key:14 title=\"=\"\n");
}

// ---- typing -----------------------------------------------------------------

TEST_F(AmountViewCTest, TheFirstDigitReplacesTheAmountTheScreenOpenedWith) {
    openDollars("12.50");
    keys("3");
    EXPECT_EQ(display(), "amount amount=\"$3.00\"");
    keys("4.5");
    EXPECT_EQ(display(), "amount amount=\"$34.50\"");

    openDollars("12.50");
    keys(".7");  // the point too starts a new number
    EXPECT_EQ(display(), "amount amount=\"$0.70\"");
}

TEST_F(AmountViewCTest, CalculatorKeysAddAndSubtractAndDoneCompletesThePendingSum) {
    openDollars();
    keys("5+2");
    EXPECT_TRUE(has(scene(), "key#key:12 highlighted=yes image=\"plus_active.png\""));
    tap("nav:right");
    EXPECT_EQ(opener->closings, 1);
    EXPECT_EQ(opener->value, D("7"));
    EXPECT_FALSE(opener->canceled);

    openDollars("20");
    keys("-3=");
    EXPECT_EQ(display(), "amount amount=\"$17.00\"");
    EXPECT_TRUE(has(scene(), "key#key:13 image=\"minus.png\""));  // no longer highlighted
    keys("+-4=");  // plus then minus only switches the operation
    EXPECT_EQ(display(), "amount amount=\"$13.00\"");
}

TEST_F(AmountViewCTest, FractionDigitsFollowTheCurrency) {
    openDollars();
    keys("12.579");  // two places: the 9 is refused
    EXPECT_EQ(display(), "amount amount=\"$12.57\"");
    keys("<<<");
    EXPECT_EQ(display(), "amount amount=\"$12.00\"");

    open([&](AmountViewC& a) { a.setCurrency(jpy); });
    EXPECT_TRUE(has(scene(), "key#key:11 enabled=no title=\".\""));
    EXPECT_FALSE(keyTaken("."));  // the keyboard's point is refused like the key
    keys("125");
    EXPECT_EQ(display(), "amount amount=\"¥125\"");
}

TEST_F(AmountViewCTest, DigitsStopBeyondTenBillion) {
    openDollars();
    keys("10000000000");  // exactly 1e10 still takes one more digit
    keys("0");
    EXPECT_EQ(display(), "amount amount=\"$100,000,000,000.00\"");
    keys("7");
    EXPECT_EQ(display(), "amount amount=\"$100,000,000,000.00\"");
}

TEST_F(AmountViewCTest, ForceNegativeTurnsTypedAmountsNegativeAndTheDisplayFlipsTheSign) {
    open([&](AmountViewC& a) {
        a.setType(AmountViewType::StartingBalance);
        a.setCurrency(usd);
        a.setIsSigned(true);
        a.setForceNegative(true);
        a.showSignHint();
    });
    keys("5");
    EXPECT_EQ(display(), "amount#display amount=\"-$5.00\" hint=\"Tap on the screen to change sign (+/-).\"");
    tap("display");
    EXPECT_EQ(display(), "amount#display amount=\"$5.00\" hint=\"Tap on the screen to change sign (+/-).\"");
    keys("2");  // the next digit is forced negative again
    EXPECT_EQ(display(), "amount#display amount=\"-$52.00\" hint=\"Tap on the screen to change sign (+/-).\"");
}

TEST_F(AmountViewCTest, AnUnsignedDisplayCannotBeTappedAndClearStartsAgain) {
    auto amount = openDollars("8");
    EXPECT_EQ(display(), "amount amount=\"$8.00\"");  // no id: nothing to tap
    amount->screenPressed();
    EXPECT_EQ(amount->getAmount(), D("8"));
    keys("5+");
    amount->clear();
    EXPECT_EQ(amount->getAmount(), D("0"));
    EXPECT_TRUE(has(scene(), "key#key:12 image=\"plus.png\""));
}

// ---- the computer's keyboard ------------------------------------------------

TEST_F(AmountViewCTest, KeyboardKeysDoWhatTheKeypadKeysDo) {
    openDollars("99");
    for (const char* k : {"1", "2", ",", "5"}) key(k);  // the comma is a point too
    EXPECT_EQ(display(), "amount amount=\"$12.50\"");
    key("Backspace");  // the 5
    key("Delete");     // the point
    key("Delete");     // the 2
    EXPECT_EQ(display(), "amount amount=\"$1.00\"");
    for (const char* k : {"4", "+", "1", "="}) key(k);
    EXPECT_EQ(display(), "amount amount=\"$15.00\"");
    key("-");
    key("0");
    key(".");
    key("5");
    EXPECT_FALSE(keyTaken("*"));
    EXPECT_FALSE(keyTaken("/"));
    key("Enter");  // Done, completing 15 - 0.5
    EXPECT_EQ(opener->closings, 1);
    EXPECT_EQ(opener->value, D("14.5"));
    EXPECT_FALSE(opener->canceled);
}

TEST_F(AmountViewCTest, EscapeCancelsAndTheOpenerIgnoresTheValue) {
    openDollars("4");
    key("7");
    key("Escape");
    EXPECT_EQ(opener->closings, 1);
    EXPECT_TRUE(opener->canceled);
    EXPECT_EQ(app().visibleViewController(), opener.get());
}

// ---- rates and budget limits -------------------------------------------------

TEST_F(AmountViewCTest, ARateIsAPlainNumberWithFourFractionDigitsAndAnAutomaticSwitch) {
    open([&](AmountViewC& a) {
        a.setType(AmountViewType::ExchangeRate);
        a.setIsCurrency(false);
        a.setPrecision(4);
        a.setAmount(D("1.3"));
        a.setIsAutomatic(false);
    });
    EXPECT_EQ(display(), "amount amount=\"1.3000\"");
    EXPECT_TRUE(has(scene(), "row#row:0:0 style=\"default\" text=\"Automatic\"\n"
                             "            switch#switch:0:0 on=no\n"));
    keys("1.23456");
    EXPECT_EQ(display(), "amount amount=\"1.2345\"");
    send(R"({"kind":"toggle","target":"switch:0:0","on":true})");
    tap("nav:right");
    EXPECT_EQ(opener->value, D("1.2345"));
    EXPECT_TRUE(opener->automatic);
}

TEST_F(AmountViewCTest, TheBudgetLimitsCurrencyKeyTogglesEveryMonth) {
    open([&](AmountViewC& a) {
        a.setType(AmountViewType::BudgetLimit);
        a.setHideSegmentControl(true);
        a.setCurrency(usd);
    });
    EXPECT_TRUE(has(scene(), "key#key:10 image=\"every_month.png\" title=\"Every month\""));
    tap("key:10");
    EXPECT_TRUE(has(scene(), "key#key:10 highlighted=yes image=\"every_month_on.png\" title=\"Every month\""));
    keys("250");
    tap("nav:right");
    EXPECT_EQ(opener->value, D("250"));
    EXPECT_TRUE(opener->global);
}

// ---- transactions ------------------------------------------------------------

class AmountTransactionTest : public AmountViewCTest {
protected:
    AmountTransactionTest() {
        checking = account("Checking", usd, TLAccountType::Bank, 0);
        savings = account("Savings", usd, TLAccountType::Bank, 1);
        groceries = category("Groceries");
        groceries->setIsExpense(true);
        spending = transaction(checking, TLTransactionType::Expense, {"30"}, groceries);
        db().save();
    }
    std::shared_ptr<AmountViewC> openTransaction() {
        return open([&](AmountViewC& a) {
            a.setTransaction(spending);
            a.setAmount(D("30"));
        });
    }
    TLAccount* checking;
    TLAccount* savings;
    TLCategory* groceries;
    TLTransaction* spending;
};

TEST_F(AmountTransactionTest, TheSegmentsFollowTheAccountsKind) {
    openTransaction();
    EXPECT_TRUE(has(scene(), "segment#segment:0:0:0 selected=yes title=\"Expense\"\n"
                             "              segment#segment:0:0:1 title=\"Income\"\n"
                             "              segment#segment:0:0:2 title=\"Transfer\"\n"));
    EXPECT_EQ(display(), "amount#display amount=\"$30.00\" date=\"Mar 15, 2011\" name=\"Groceries\"");

    TLAccount* house = account("House", usd, TLAccountType::Asset, 2);
    spending->changeAccountTo(house);
    openTransaction();
    EXPECT_TRUE(has(scene(), "title=\"Decrease\""));
    EXPECT_TRUE(has(scene(), "title=\"Increase\""));
}

TEST_F(AmountTransactionTest, IncomeFlipsTheTransactionsSign) {
    openTransaction();
    tap("segment:0:0:1");
    EXPECT_EQ(spending->type(), TLTransactionType::Income);
    EXPECT_EQ(spending->totalamount(), D("30"));
    EXPECT_EQ(checking->balance(), D("30"));
}

TEST_F(AmountTransactionTest, TransferWithTwoAccountsTakesTheOtherAtOnceAndExpenseBringsTheCategoryBack) {
    auto amount = openTransaction();
    tap("segment:0:0:2");
    EXPECT_EQ(app().visibleViewController(), amount.get());  // no chooser
    EXPECT_EQ(spending->transferAccount_, savings);
    EXPECT_EQ(spending->getSplit()->category(), nullptr);
    EXPECT_EQ(spending->totalamount(), D("-30"));  // the sending side keeps the sign
    EXPECT_EQ(display(), "amount#display amount=\"$30.00\" date=\"Mar 15, 2011\" name=\"Transfer to Savings\"");

    tap("segment:0:0:0");
    EXPECT_EQ(spending->type(), TLTransactionType::Expense);
    EXPECT_EQ(spending->getSplit()->category(), groceries);
    EXPECT_EQ(spending->transferAccount_, nullptr);
    EXPECT_EQ(amount->transactionType(), TLTransactionType::Expense);
    EXPECT_EQ(test::LedgerTest::checkBooks(), "");
}

TEST_F(AmountTransactionTest, TransferWithThreeAccountsAsksWhichAndCancellingGoesBack) {
    TLAccount* cash = account("Cash", usd, TLAccountType::Cash, 2);
    auto amount = openTransaction();
    tap("segment:0:0:2");
    auto* chooser = dynamic_cast<TLCheckListViewC*>(app().visibleViewController());
    ASSERT_NE(chooser, nullptr);
    EXPECT_EQ(chooser->labelsArray, (std::vector<std::string>{"Savings", "Cash"}));  // not Checking itself
    tap("row:0:1");
    EXPECT_EQ(spending->transferAccount_, cash);
    EXPECT_EQ(app().visibleViewController(), amount.get());

    tap("segment:0:0:0");
    tap("segment:0:0:2");
    tap("nav:left");  // no account after all
    EXPECT_EQ(spending->type(), TLTransactionType::Expense);
    EXPECT_EQ(spending->getSplit()->category(), groceries);
}

TEST_F(AmountTransactionTest, TheCurrencyKeyChoosesTheTransactionsCurrency) {
    rate(eur, usd, "1.30");
    open([&](AmountViewC& a) {
        a.setTransaction(spending);
        a.setCanSelectCurrency(true);
        a.setAmount(D("30"));
    });
    EXPECT_TRUE(has(scene(), "key#key:10 title=\"USD\""));
    tap("key:10");
    auto* chooser = dynamic_cast<CurrenciesEditViewC*>(app().visibleViewController());
    ASSERT_NE(chooser, nullptr);
    EXPECT_EQ(chooser->title(), "Select Currency");
    tap("row:0:1");  // EUR, the left part: at the global rate
    EXPECT_EQ(spending->currency(), eur);
    EXPECT_TRUE(has(scene(), "key#key:10 title=\"EUR\""));
    EXPECT_EQ(spending->getRateToAccount()->rate(), D("1.30"));
    EXPECT_EQ(checking->balance(), D("-39"));
}

TEST_F(AmountTransactionTest, ANewTransactionStartsAsItsCategorysKind) {
    TLCategory* salary = category("Salary");
    salary->setIsIncome(true);
    TLTransaction* fresh = transaction(checking, TLTransactionType::Expense, {"0"}, salary);
    auto amount = open([&](AmountViewC& a) { a.setTransaction(fresh); });
    EXPECT_EQ(amount->transactionType(), TLTransactionType::Income);
    EXPECT_EQ(fresh->type(), TLTransactionType::Income);
    EXPECT_TRUE(has(scene(), "segment#segment:0:0:1 selected=yes title=\"Income\""));
}

}  // namespace
}  // namespace tallo
