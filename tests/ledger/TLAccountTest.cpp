#include "Classes/ledger/TLAccount.h"

#include "Classes/shell/TLGlobal.h"
#include "tests/support/LedgerTestSupport.h"

namespace tallo {
namespace {

using test::D;

class TLAccountTest : public test::LedgerTest {
protected:
    TLAccountTest() {
        usd = currency("USD", true);
        eur = currency("EUR");
    }
    ~TLAccountTest() override { TLGlobal::resetSharedGlobal(); }
    TLCurrency* usd;
    TLCurrency* eur;
};

TEST_F(TLAccountTest, ANewAccountIsInTheDefaultCurrency) {
    auto* a = create<TLAccount>();
    EXPECT_EQ(a->currency(), usd);
    EXPECT_EQ(*a->balance(), D("0"));
    EXPECT_EQ(a->uuid()->rfind("TL-A-Account-", 0), 0u);
}

TEST_F(TLAccountTest, TheOpeningBalanceIsPartOfTheBalance) {
    TLAccount* a = account("Checking", usd);
    a->changeStartingBalanceTo(D("100"));
    transaction(a, TLTransactionType::Expense, {"20"});
    EXPECT_EQ(*a->balance(), D("80"));
    a->changeStartingBalanceTo(D("150"));
    EXPECT_EQ(*a->balance(), D("130"));
    EXPECT_EQ(a->getBalance(), D("130"));
    EXPECT_EQ(checkBooks(), "");
}

TEST_F(TLAccountTest, ChangingTheCurrencyFreezesTodaysRatesAndRecomputes) {
    rate(usd, eur, "0.9");
    TLAccount* a = account("Travel", usd);
    a->changeStartingBalanceTo(D("10"));
    TLTransaction* dinner = transaction(a, TLTransactionType::Expense, {"50"});
    TLTransaction* refund = transaction(a, TLTransactionType::Income, {"20"});
    refund->changeCurrencyTo(eur);  // already in euros: needs a rate to dollars
    rate(eur, usd, "1.2");
    refund->setValueToRateRecordToAccount(D("1.2"));
    EXPECT_EQ(*a->balance(), D("-16.0"));  // 10 − 50 + 24

    a->changeCurrencyTo(usd);  // the same: nothing moves
    EXPECT_EQ(*refund->getRateToAccount()->rate(), D("1.2"));
    EXPECT_EQ(*a->balance(), D("-16.0"));

    a->changeCurrencyTo(eur);
    ASSERT_NE(dinner->getRateToAccount(), nullptr);
    EXPECT_EQ(*dinner->getRateToAccount()->rate(), D("0.9"));
    EXPECT_EQ(refund->getRateToAccount(), nullptr);  // now at home
    EXPECT_EQ(*a->balance(), D("10") - D("45.0") + D("20"));
    EXPECT_EQ(checkBooks(), "");

    // Amounts changed afterwards move the balance at the new rate.
    dinner->getSplit()->changeAmountTo(D("60"));
    EXPECT_EQ(*a->balance(), D("10") - D("54.0") + D("20"));
    EXPECT_EQ(checkBooks(), "");
}

TEST_F(TLAccountTest, DeletingAnAccountTakesItsAmountsAndLeavesMirrorsAlone) {
    TLAccount* checking = account("Checking", usd);
    TLAccount* savings = account("Savings", usd);
    TLTransaction* sent = transaction(checking, TLTransactionType::Transfer, {"50"});
    sent->setTransferPrimary(true);
    sent->changeTotalAmountTo(sent->getTotalAmount());
    sent->transferToAccount(savings);
    transaction(checking, TLTransactionType::Expense, {"5"});
    EXPECT_EQ(*savings->balance(), D("50"));
    db().deleteObject(checking);
    db().save();
    EXPECT_TRUE(db().fetchEntityCustom("Split", nullptr).size() == 1);  // the mirror's
    EXPECT_EQ(*savings->balance(), D("50"));
    EXPECT_EQ(TLAccount::getAccounts().size(), 1u);
    EXPECT_EQ(checkBooks(), "");
}

TEST_F(TLAccountTest, TheOtherAccountIsProposedOnlyBetweenTwo) {
    TLGlobal& global = TLGlobal::sharedGlobal();
    TLAccount* first = account("First", usd, TLAccountType::Bank, 0);
    EXPECT_EQ(global.getOtherAccountToAccount(first), nullptr);
    TLAccount* second = account("Second", usd, TLAccountType::Cash, 1);
    account("Hidden", usd, TLAccountType::NeverListed, 2);  // never listed, never proposed
    EXPECT_EQ(global.getOtherAccountToAccount(first), second);
    EXPECT_EQ(global.getOtherAccountToAccount(second), first);
    account("Third", usd, TLAccountType::Asset, 3);
    EXPECT_EQ(global.getOtherAccountToAccount(first), nullptr);
}

TEST_F(TLAccountTest, TheDefaultAccountIsTheFirstSupportedOneInListOrder) {
    TLAccount* loan = account("Mortgage", usd, TLAccountType::Loan, 0);
    account("Broker", usd, TLAccountType::Investment, 1);
    EXPECT_EQ(TLAccount::getDefaultAccount(), nullptr);
    EXPECT_TRUE(loan->isNotSupported());
    TLAccount* cash = account("Wallet", usd, TLAccountType::Cash, 3);
    TLAccount* card = account("Card", usd, TLAccountType::CreditCard, 2);
    EXPECT_EQ(TLAccount::getDefaultAccount(), card);
    EXPECT_FALSE(cash->isNotSupported());
}

TEST_F(TLAccountTest, NetWorthConvertsAndRoundsForeignBalancesUp) {
    rate(eur, usd, "1.30");
    TLAccount* dollars = account("Dollars", usd);
    dollars->setBalance(D("0.005"));
    TLAccount* euros = account("Euros", eur);
    euros->setBalance(D("100.001"));  // 130.0013 → 130.01
    TLAccount* hidden = account("Hidden", usd, TLAccountType::NeverListed);
    hidden->setBalance(D("1000"));
    EXPECT_EQ(TLAccount::getNetWorth(TLAccount::getAccounts()), D("130.015"));
    // A pair without a record is made at 1 and counts at face value.
    TLAccount* pounds = account("Pounds", currency("GBP"));
    pounds->setBalance(D("-2.001"));
    EXPECT_EQ(TLAccount::getNetWorth(TLAccount::getAccounts()), D("128.015"));
    EXPECT_EQ(db().fetchEntityCustom("RateRecord").size(), 2u);
}

TEST_F(TLAccountTest, ACardBelowItsLimitWarnsUntilSilenced) {
    TLAccount* card = account("Visa", usd, TLAccountType::CreditCard);
    card->setCcLimit(D("-500"));
    card->setBalance(D("-500"));
    EXPECT_FALSE(card->isCreditLimitExceeded());
    card->setBalance(D("-620"));
    EXPECT_TRUE(card->isCreditLimitExceeded());
    EXPECT_EQ(card->getCreditLimitExceededMessage(), "Credit Limit exceeded by $120.00");
    card->setClosed(true);
    EXPECT_FALSE(card->isCreditLimitExceeded());
    TLAccount* bank = account("Bank", usd, TLAccountType::Bank);
    bank->setCcLimit(D("-500"));
    bank->setBalance(D("-620"));
    EXPECT_FALSE(bank->isCreditLimitExceeded());
}

TEST_F(TLAccountTest, CopyingAnAccountKeepsItsOwnIdentifier) {
    TLAccount* a = account("Checking", eur, TLAccountType::Cash);
    a->setStartingBalance(D("12.5"));
    auto* b = create<TLAccount>();
    std::string own = *b->uuid();
    b->copyFromAccount(a);
    EXPECT_EQ(*b->name(), "Checking");
    EXPECT_EQ(b->currency(), eur);
    EXPECT_EQ(*b->startingBalance(), D("12.5"));
    EXPECT_EQ(*b->uuid(), own);
}

TEST_F(TLAccountTest, IconsByKind) {
    const std::pair<int, const char*> icons[] = {
        {TLAccountType::Bank, "home-bank.png"},     {TLAccountType::Cash, "home-cash.png"},
        {TLAccountType::CreditCard, "home-credit.png"}, {TLAccountType::Investment, "home-investment.png"},
        {TLAccountType::Loan, "home-loan.png"},     {TLAccountType::Asset, "home-asset.png"}};
    auto* a = create<TLAccount>();
    for (auto [type, name] : icons) {
        a->setType(type);
        EXPECT_EQ(a->getIcon().name, name) << type;
    }
}

}  // namespace
}  // namespace tallo
