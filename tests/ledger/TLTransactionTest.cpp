#include "Classes/ledger/TLTransaction.h"

#include "Classes/store/TLImageRecord.h"
#include "Classes/schedules/TLScheduler.h"
#include "tests/support/LedgerTestSupport.h"

namespace tallo {
namespace {

using test::D;

using TLTransactionTest = test::DollarBookTest;

TEST_F(TLTransactionTest, SplitsMakeTheSignedTotalAndMoveTheBalance) {
    TLTransaction* t = transaction(checking, TLTransactionType::Expense, {"10", "5"});
    EXPECT_EQ(*t->totalamount(), D("-15"));
    EXPECT_EQ(t->getTotalAmount(), D("-15"));
    EXPECT_EQ(*checking->balance(), D("-15"));

    // One split of the expense set to 7: the total is −12, the balance rose by 3.
    TLSplit* first = t->getOrderedSplit().front();
    first->changeAmountTo(first->amount() == D("10") ? D("7") : D("2"));
    EXPECT_EQ(*t->totalamount(), D("-12"));
    EXPECT_EQ(*checking->balance(), D("-12"));
    EXPECT_EQ(checkBooks(), "");
}

TEST_F(TLTransactionTest, IncomeAddsAndDeletedSplitsTakeTheirShareAway) {
    TLTransaction* pay = transaction(checking, TLTransactionType::Income, {"2500.10"});
    TLSplit* cent = addSplit(pay, "0.01");
    EXPECT_EQ(*checking->balance(), D("2500.11"));
    db().deleteObject(cent);
    EXPECT_EQ(*pay->totalamount(), D("2500.10"));
    EXPECT_EQ(*checking->balance(), D("2500.10"));
    pay->deleteSplits();
    EXPECT_TRUE(pay->splits().empty());
    EXPECT_EQ(*checking->balance(), D("0"));
    EXPECT_EQ(checkBooks(), "");
}

TEST_F(TLTransactionTest, ChangingTheTypeFlipsTheTotalOnlyWhenTheSignChanges) {
    TLTransaction* t = transaction(checking, TLTransactionType::Expense, {"30"});
    t->setTransferPrimary(true);
    t->changeTypeTo(TLTransactionType::Transfer);  // a sending transfer is negative as well
    EXPECT_EQ(*t->totalamount(), D("-30"));
    EXPECT_EQ(*checking->balance(), D("-30"));
    t->changeTypeTo(TLTransactionType::Income);
    EXPECT_EQ(*t->totalamount(), D("30"));
    EXPECT_EQ(*checking->balance(), D("30"));  // moved by +60
    EXPECT_EQ(*t->getOrderedSplit().front()->amount(), D("30"));
    t->changeTypeTo(TLTransactionType::InvestmentBuy);  // an investment buy is negative
    EXPECT_EQ(*t->totalamount(), D("-30"));
    EXPECT_EQ(checkBooks(), "");
}

TEST_F(TLTransactionTest, ASignIsTheTypesAndTheSendingSidesOfATransfer) {
    auto* t = create<TLTransaction>();
    const std::pair<int, bool> negative[] = {
        {TLTransactionType::Expense, false}, {TLTransactionType::InvestmentBuy, false}, {TLTransactionType::Transfer, true}};
    const std::pair<int, bool> positive[] = {
        {TLTransactionType::Income, false}, {TLTransactionType::InvestmentSell, false}, {TLTransactionType::Transfer, false}};
    for (auto [type, sending] : negative) {
        t->setType(type);
        t->setTransferPrimary(sending);
        EXPECT_TRUE(t->isNegative()) << type;
    }
    for (auto [type, sending] : positive) {
        t->setType(type);
        t->setTransferPrimary(sending);
        EXPECT_FALSE(t->isNegative()) << type;
    }
}

TEST_F(TLTransactionTest, AForeignTotalMovesTheBalanceAtItsFrozenRate) {
    rate(eur, usd, "2");
    TLTransaction* t = create<TLTransaction>();
    t->setAccount(checking);
    t->setCurrency(eur);
    addSplit(t, "10");
    EXPECT_EQ(*t->totalamount(), D("-10"));
    EXPECT_EQ(*t->totalamountInAccountCurrency(), D("-20"));
    EXPECT_EQ(*checking->balance(), D("-20"));
    ASSERT_NE(t->getRateToAccount(), nullptr);
    EXPECT_EQ(*t->getRateToAccount()->currCode(), "USD");

    t->setValueToRateRecordToAccount(D("3"));
    EXPECT_EQ(*checking->balance(), D("-30"));  // a further −10
    EXPECT_EQ(t->rates().size(), 1u);

    // Today's rate changing later leaves the frozen one alone.
    rate(eur, usd, "5");
    t->getSplit()->changeAmountTo(D("20"));
    EXPECT_EQ(*checking->balance(), D("-60"));
    EXPECT_EQ(checkBooks(), "");
}

TEST_F(TLTransactionTest, ChangingTheCurrencyKeepsTheNumberAndConvertsIt) {
    rate(eur, usd, "1.25");
    TLTransaction* t = transaction(checking, TLTransactionType::Expense, {"8"});
    t->changeCurrencyTo(eur);
    EXPECT_EQ(*t->totalamount(), D("-8"));
    EXPECT_EQ(*checking->balance(), D("-10"));
    t->changeCurrencyTo(nullptr);  // nothing
    t->changeCurrencyTo(eur);      // nothing
    EXPECT_EQ(*checking->balance(), D("-10"));
    t->changeCurrencyTo(usd);
    EXPECT_EQ(*checking->balance(), D("-8"));  // back home: no rate applies
    EXPECT_EQ(checkBooks(), "");
}

TEST_F(TLTransactionTest, MovingToAnotherAccountCarriesTheAmount) {
    rate(usd, eur, "0.5");
    TLAccount* savings = account("Savings", usd);
    TLAccount* euros = account("Euros", eur);
    TLTransaction* t = transaction(checking, TLTransactionType::Expense, {"40"});
    t->changeAccountTo(savings);
    EXPECT_EQ(*checking->balance(), D("0"));
    EXPECT_EQ(*savings->balance(), D("-40"));
    t->changeAccountTo(euros);
    EXPECT_EQ(*savings->balance(), D("0"));
    EXPECT_EQ(*euros->balance(), D("-20"));
    EXPECT_EQ(*t->totalamountInAccountCurrency(), D("-20"));
    ASSERT_NE(t->getRateToAccount(), nullptr);
    EXPECT_EQ(*t->getRateToAccount()->rate(), D("0.5"));
    t->changeAccountTo(checking);  // home again: the euro rate is dropped
    EXPECT_EQ(t->getRateToAccount(), nullptr);
    EXPECT_EQ(*checking->balance(), D("-40"));
    EXPECT_EQ(*euros->balance(), D("0"));
    EXPECT_EQ(checkBooks(), "");
}

TEST_F(TLTransactionTest, ASchedulesHelperNeverTouchesABalance) {
    auto* helper = create<TLTransaction>();
    helper->isSchedulerHelper_ = true;
    helper->setAccount(checking);
    addSplit(helper, "99");
    EXPECT_EQ(*helper->totalamount(), D("-99"));
    EXPECT_EQ(*checking->balance(), D("0"));
    EXPECT_EQ(checking->getBalance(), D("0"));
}

TEST_F(TLTransactionTest, CategoryTextsAndTitles) {
    TLCategory* food = category("Food");
    TLCategory* lunch = category("Lunch", food);
    auto* t = create<TLTransaction>();
    t->setAccount(checking);
    EXPECT_EQ(t->getCategoryString(), "Uncategorized");
    EXPECT_TRUE(t->uncategorized());
    EXPECT_EQ(t->getTotalAmount(), D("0"));
    EXPECT_EQ(t->getRepresentationString(), "");

    TLSplit* split = addSplit(t, "12", lunch);
    EXPECT_EQ(t->getCategoryString(), "Lunch");
    EXPECT_EQ(t->getRepresentationString(), "Lunch");
    EXPECT_FALSE(t->uncategorized());
    split->changeCategoryTo(nullptr);
    EXPECT_EQ(t->getCategoryString(), "Uncategorized");
    EXPECT_EQ(*t->totalamount(), D("-12"));
    t->setType(TLTransactionType::InvestmentBuy);
    EXPECT_EQ(t->getCategoryString(), "Buy");
    t->setType(TLTransactionType::InvestmentSell);
    EXPECT_EQ(t->getCategoryString(), "Sell");
    addSplit(t, "1", food);
    EXPECT_EQ(t->getCategoryString(), "Split");
    EXPECT_EQ(t->getRepresentationString(), "Split");
    EXPECT_TRUE(t->isSplit());
}

TEST_F(TLTransactionTest, WithPayeesOnThePayeeTitlesAllButTransfers) {
    TLCategory* rent = category("Rent");
    auto* landlord = create<TLPayee>();
    landlord->setNamesFromString("Ann Lee");
    TLTransaction* t = transaction(checking, TLTransactionType::Expense, {"700"}, rent);
    t->setPayee(landlord);
    EXPECT_EQ(t->getRepresentationString(), "Rent");  // payee setting off
    EXPECT_FALSE(t->isPayeePriority());

    TLTransactionSettings::setUsePayee(true);
    EXPECT_EQ(t->getRepresentationString(), "Ann Lee");
    EXPECT_TRUE(t->shouldPreferPayee());

    TLAccount* savings = account("Savings", usd);
    t->setType(TLTransactionType::Transfer);
    t->setTransferPrimary(true);
    t->transferAccount_ = savings;
    EXPECT_EQ(t->getRepresentationString(), "Transfer to Savings");
    EXPECT_TRUE(t->isPayeePriority());
    EXPECT_FALSE(t->shouldPreferPayee());
}

TEST_F(TLTransactionTest, TheSearchTextHoldsPayeeCategoriesDateAndAmount) {
    TLCategory* car = category("Car");
    TLCategory* fuel = category("Fuel", car);
    auto* station = create<TLPayee>();
    station->setCompany("Shell");
    station->setIscompany(true);
    station->setRepresentationString(station->getRepresentationString());
    TLTransaction* t = transaction(checking, TLTransactionType::Expense, {"45.5"}, fuel);
    t->setPayee(station);
    t->setTransactionDate(test::localDate(2026, 3, 9, 15, 7));
    EXPECT_EQ(t->getSearchString(), "Shell Fuel Car Mar 9, 2026 -$45.50");
}

TEST_F(TLTransactionTest, PicturesByName) {
    TLCategory* car = category("Car");
    car->setImageName("Car");
    auto* t = create<TLTransaction>();
    t->setAccount(checking);
    EXPECT_EQ(t->getImageSmall(true).name, "Uncategorized.png");
    EXPECT_EQ(t->getImageSmall(false).name, "Uncategorized@2x.png");
    addSplit(t, "1", car);
    EXPECT_EQ(t->getImageSmall(true).name, "Car");
    EXPECT_EQ(t->getImageSmall(false).name, "Car@2x");
    addSplit(t, "1", car);
    EXPECT_EQ(t->getImageSmall(true).name, "Split.png");

    auto* person = create<TLPayee>();
    t->setPayee(person);
    TLTransactionSettings::setUsePayee(true);
    EXPECT_EQ(t->getImageSmall(true).name, "payee.png");
    t->setType(TLTransactionType::Transfer);
    EXPECT_EQ(t->getImageSmall(false).name, "Transfer@2x.png");

    auto* photo = static_cast<TLImageRecord*>(db().createObjectForEntity("ImageRecord"));
    t->setImageRecord(photo);
    EXPECT_EQ(t->getImageSmall(true), TLPicture::stored(photo));
}

TEST_F(TLTransactionTest, SplitsInTheDefaultCurrency) {
    TLCurrency* gbp = currency("GBP");
    rate(eur, usd, "1.1");
    TLCurrencyCenter::sharedCenter().clearRatesCache();
    TLAccount* euros = account("Euros", eur);
    TLTransaction* inEuros = transaction(euros, TLTransactionType::Expense, {"10"});
    EXPECT_EQ(inEuros->getSplit()->getSignedAmountRatedToGlobalCurrency(), D("-11.0"));
    TLAccount* pounds = account("Pounds", gbp);
    TLTransaction* inPounds = transaction(pounds, TLTransactionType::Income, {"10"});  // no record to USD: unconverted
    EXPECT_EQ(inPounds->getSplit()->getSignedAmountRatedToGlobalCurrency(), D("10"));
    TLTransaction* inDollars = transaction(checking, TLTransactionType::Income, {"3.333"});
    EXPECT_EQ(inDollars->getSplit()->getSignedAmountRatedToGlobalCurrency(), D("3.333"));
}

TEST_F(TLTransactionTest, FillingFromASchedule) {
    rate(eur, usd, "1.5");
    TLCategory* rent = category("Rent");
    auto* bill = create<TLScheduler>();
    bill->setType(TLTransactionType::Expense);
    bill->setComments("monthly rent");
    bill->setNumber("17");
    bill->setInAccount(checking);
    bill->setCurrency(eur);
    bill->setNextDate(test::localDate(2026, 12, 1));
    auto* billSplit = create<TLSplit>();
    billSplit->setBill(bill);
    billSplit->setCategory(rent);
    billSplit->setAmount(D("600"));
    EXPECT_EQ(billSplit->getSignedAmount(), D("0"));  // a schedule's split books nothing
    EXPECT_EQ(rent->getTotalAmount(), D("0"));

    auto* payment = create<TLTransaction>();
    payment->copyValuesFromScheduler(bill);
    EXPECT_EQ(payment->account(), checking);
    EXPECT_EQ(payment->currency(), eur);
    EXPECT_EQ(*payment->comments(), "monthly rent");
    EXPECT_EQ(*payment->transactionDate(), test::localDate(2026, 12, 1));
    ASSERT_EQ(payment->splits().size(), 1u);
    EXPECT_EQ(payment->getSplit()->category(), rent);
    EXPECT_EQ(payment->getSplit()->bill(), nullptr);
    EXPECT_EQ(*payment->totalamount(), D("-600"));
    EXPECT_EQ(*checking->balance(), D("-900"));
    EXPECT_EQ(payment->rates().size(), 1u);

    // Filling it again replaces what it held instead of adding to it.
    payment->copyValuesFromScheduler(bill);
    EXPECT_EQ(payment->splits().size(), 1u);
    EXPECT_EQ(*checking->balance(), D("-900"));
    EXPECT_EQ(bill->splits().size(), 1u);
    EXPECT_EQ(checkBooks(), "");
}

TEST_F(TLTransactionTest, BalancesSurviveSaveAndReopen) {
    rate(usd, eur, "0.93");
    TLAccount* euros = account("Euros", eur);
    transaction(checking, TLTransactionType::Expense, {"19.99", "0.01"});
    TLTransaction* foreign = transaction(euros, TLTransactionType::Income, {"100"});
    foreign->changeCurrencyTo(usd);  // 100 dollars into the euro account
    db().save();
    TLDatabase::resetSharedDatabase();
    TLCurrencyCenter::resetSharedCenter();
    EXPECT_EQ(checkBooks(), "");
    std::vector<TLAccount*> accounts = TLAccount::getAccounts();
    ASSERT_EQ(accounts.size(), 2u);
    EXPECT_EQ(*accounts[0]->balance() + *accounts[1]->balance(), D("-20") + D("93.00"));
}

}  // namespace
}  // namespace tallo
