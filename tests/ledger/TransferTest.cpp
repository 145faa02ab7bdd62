// Transfers: the origin and its mirror in the other account, kept equal and
// opposite through every refresh, direction change and deletion.

#include "Classes/ledger/TLTransaction.h"
#include "Platform/foundation/Localization.h"
#include "tests/support/LedgerTestSupport.h"

namespace tallo {
namespace {

using test::D;

class TransferTest : public test::LedgerTest {
protected:
    TransferTest() {
        usd = currency("USD", true);
        eur = currency("EUR");
        checking = account("Checking", usd);
        savings = account("Savings", usd);
    }
    // A sending transfer of `amount` entered in `from`, saved towards `to` as
    // the editor does it.
    TLTransaction* send(TLAccount* from, TLAccount* to, const char* amount) {
        auto* t = create<TLTransaction>();
        t->setAccount(from);
        t->copyCurrencyFromAccount();
        t->setTransferPrimary(true);
        t->changeTypeTo(TLTransactionType::Transfer);
        addSplit(t, amount);
        t->transferAccount_ = to;
        t->transferToAccount(to);
        return t;
    }
    size_t transactionsIn(TLAccount* a) { return a->transactions().size(); }

    TLCurrency* usd;
    TLCurrency* eur;
    TLAccount* checking;
    TLAccount* savings;
};

TEST_F(TransferTest, FiftyFromCheckingToSavings) {
    TLTransaction* origin = send(checking, savings, "50");
    TLTransaction* mirror = origin->transferCopy();
    ASSERT_NE(mirror, nullptr);
    EXPECT_EQ(mirror->transferCopy(), origin);
    EXPECT_EQ(origin->transferCopyInverse(), mirror);
    EXPECT_EQ(*origin->totalamount(), D("-50"));
    EXPECT_EQ(*mirror->totalamount(), D("50"));
    EXPECT_EQ(*checking->balance(), D("-50"));
    EXPECT_EQ(*savings->balance(), D("50"));
    EXPECT_FALSE(*mirror->transferPrimary());
    EXPECT_EQ(*mirror->type(), TLTransactionType::Transfer);
    EXPECT_EQ(origin->getRepresentationString(), "Transfer to Savings");
    EXPECT_EQ(mirror->getRepresentationString(), "Transfer From Checking");
    EXPECT_EQ(checkBooks(), "");
}

TEST_F(TransferTest, SavingTheOriginAgainRebuildsTheOneMirror) {
    TLCategory* moves = category("Moves");
    TLTransaction* origin = send(checking, savings, "50");
    origin->getSplit()->changeAmountTo(D("70"));
    addSplit(origin, "5", moves);
    origin->setComments("rainy day");
    origin->transferToAccount(savings);
    EXPECT_EQ(transactionsIn(savings), 1u);
    TLTransaction* mirror = origin->transferCopy();
    EXPECT_EQ(mirror->splits().size(), 2u);
    EXPECT_EQ(*mirror->comments(), "rainy day");
    EXPECT_EQ(*savings->balance(), D("75"));  // a further +25
    EXPECT_EQ(*checking->balance(), D("-75"));
    EXPECT_EQ(db().fetchEntityCustom("Split").size(), 4u);
    EXPECT_EQ(checkBooks(), "");
}

TEST_F(TransferTest, AcrossCurrenciesTheMirrorKeepsTheOriginsCurrencyAndItsOwnRate) {
    rate(usd, eur, "0.8");
    TLAccount* euros = account("Euros", eur);
    TLTransaction* origin = send(checking, euros, "100");
    TLTransaction* mirror = origin->transferCopy();
    EXPECT_EQ(mirror->currency(), usd);
    EXPECT_EQ(*mirror->totalamount(), D("100"));
    ASSERT_NE(mirror->getRateToAccount(), nullptr);
    EXPECT_EQ(*mirror->getRateToAccount()->rate(), D("0.8"));
    EXPECT_EQ(*euros->balance(), D("80.0"));
    EXPECT_EQ(*checking->balance(), D("-100"));

    // The rate frozen on the mirror holds through later refreshes.
    rate(usd, eur, "0.9");
    origin->getSplit()->changeAmountTo(D("10"));
    origin->transferToAccount(euros);
    EXPECT_EQ(*euros->balance(), D("8.0"));
    EXPECT_EQ(checkBooks(), "");
}

TEST_F(TransferTest, RatesOfTheOriginAreCopiedBetweenAccountsOfOneCurrency) {
    rate(eur, usd, "1.25");
    TLTransaction* origin = send(checking, savings, "40");
    origin->changeCurrencyTo(eur);  // 40 euros sent from a dollar account
    origin->transferToAccount(savings);
    EXPECT_EQ(*checking->balance(), D("-50.00"));
    EXPECT_EQ(*savings->balance(), D("50.00"));
    EXPECT_EQ(origin->transferCopy()->rates().size(), 1u);
    EXPECT_EQ(origin->rates().size(), 1u);  // the origin keeps its own
    EXPECT_EQ(checkBooks(), "");
}

TEST_F(TransferTest, DeletingEitherSideDeletesBothAndRestoresTheBalances) {
    checking->changeStartingBalanceTo(D("200"));
    TLTransaction* origin = send(checking, savings, "50");
    origin->transferCopy()->deleteTransactionWithTransferCopy(true);
    db().save();
    EXPECT_TRUE(db().fetchEntityCustom("Transaction").empty());
    EXPECT_TRUE(db().fetchEntityCustom("Split").empty());
    EXPECT_EQ(*checking->balance(), D("200"));
    EXPECT_EQ(*savings->balance(), D("0"));

    TLTransaction* again = send(checking, savings, "20");
    again->deleteTransactionWithTransferCopy(true);
    EXPECT_TRUE(db().fetchEntityCustom("Transaction").empty());
    EXPECT_EQ(*savings->balance(), D("0"));
}

TEST_F(TransferTest, TurningATransferIntoAnExpenseDropsTheMirror) {
    TLTransaction* origin = send(checking, savings, "50");
    origin->changeTypeTo(TLTransactionType::Expense);
    origin->transferCopy()->deleteTransactionWithTransferCopy(false);
    EXPECT_EQ(origin->transferCopy(), nullptr);
    EXPECT_EQ(*savings->balance(), D("0"));
    EXPECT_EQ(*checking->balance(), D("-50"));
    EXPECT_EQ(checkBooks(), "");
}

TEST_F(TransferTest, ChangingDirectionOrAccountMovesTheMirrorsMoneyWithIt) {
    TLAccount* cash = account("Cash", usd);
    TLTransaction* origin = send(checking, savings, "30");
    // Received from savings instead: both signs turn.
    origin->transferFromAccount(savings);
    EXPECT_EQ(*checking->balance(), D("30"));
    EXPECT_EQ(*savings->balance(), D("-30"));
    EXPECT_TRUE(*origin->transferCopy()->transferPrimary());
    EXPECT_EQ(origin->getRepresentationString(), "Transfer From Savings");
    // Then from cash: the money leaves savings and comes from cash.
    origin->transferFromAccount(cash);
    EXPECT_EQ(*savings->balance(), D("0"));
    EXPECT_EQ(*cash->balance(), D("-30"));
    EXPECT_EQ(transactionsIn(savings), 0u);
    EXPECT_EQ(checkBooks(), "");
}

TEST_F(TransferTest, ARemainingSideBecomesAPlainTransaction) {
    TLTransaction* origin = send(checking, savings, "50");
    TLTransaction* mirror = origin->transferCopy();
    mirror->setComments("monthly");
    mirror->convertFromTransferToSimple();
    EXPECT_EQ(*mirror->type(), TLTransactionType::Income);
    EXPECT_EQ(*mirror->comments(), "monthly (transfered from Checking account)");
    EXPECT_EQ(*mirror->totalamount(), D("50"));
    origin->convertFromTransferToSimple();
    EXPECT_EQ(*origin->type(), TLTransactionType::Expense);
    EXPECT_EQ(*origin->comments(), " (transfered to Savings account)");
    EXPECT_EQ(checkBooks(), "");
}

TEST_F(TransferTest, TitlesAndNotesAreTranslated) {
    test::ScopedLocale german("de_DE");
    Localization::reload();
    TLTransaction* origin = send(checking, savings, "50");
    EXPECT_EQ(origin->getRepresentationString(), "Überweisung an Savings");
    TLTransaction* mirror = origin->transferCopy();
    mirror->setComments("Miete");
    mirror->convertFromTransferToSimple();
    EXPECT_EQ(*mirror->comments(), "Miete (überwiesen von Konto Checking)");
    Localization::reload();
}

TEST_F(TransferTest, AnEmptyOriginEmptiesItsMirror) {
    TLTransaction* origin = send(checking, savings, "50");
    origin->deleteSplits();
    origin->transferToAccount(savings);
    EXPECT_TRUE(origin->transferCopy()->splits().empty());
    EXPECT_EQ(*savings->balance(), D("0"));
    EXPECT_EQ(*checking->balance(), D("0"));
}

}  // namespace
}  // namespace tallo
