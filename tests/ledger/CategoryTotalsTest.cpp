// Category totals in the default currency and category pictures, as the
// category list shows them.

#include "Classes/ledger/TLCategory.h"
#include "Classes/store/TLImageRecord.h"
#include "Classes/schedules/TLScheduler.h"
#include "tests/support/LedgerTestSupport.h"

namespace tallo {
namespace {

using test::D;

using CategoryTotalsTest = test::DollarBookTest;

TEST_F(CategoryTotalsTest, ATotalAddsSubcategoriesSignsAndConvertedSplits) {
    TLCategory* car = category("Car");
    TLCategory* fuel = category("Fuel", car);
    TLCategory* diesel = category("Diesel", fuel);  // deeper levels count too
    rate(eur, usd, "1.1");
    TLCurrencyCenter::sharedCenter().clearRatesCache();
    transaction(checking, TLTransactionType::Expense, {"40"}, car);
    transaction(checking, TLTransactionType::Expense, {"12.5"}, fuel);
    transaction(checking, TLTransactionType::Income, {"5"}, fuel);  // a refund
    TLAccount* euros = account("Euros", eur);
    transaction(euros, TLTransactionType::Expense, {"10"}, diesel);  // −11 in dollars
    auto* bill = create<TLScheduler>();
    auto* planned = create<TLSplit>();
    planned->setBill(bill);
    planned->setCategory(car);
    planned->setAmount(D("999"));  // a schedule's split counts zero

    EXPECT_EQ(diesel->getTotalAmount(), D("-11.0"));
    EXPECT_EQ(fuel->getTotalAmount(), D("-18.5"));
    EXPECT_EQ(car->getTotalAmount(), D("-58.5"));
    EXPECT_EQ(car->getTransactions().size(), 4u);
}

TEST_F(CategoryTotalsTest, ANewDefaultCurrencyCountsOnceTheCacheIsCleared) {
    TLCategory* travel = category("Travel");
    rate(usd, eur, "0.5");
    transaction(checking, TLTransactionType::Expense, {"30"}, travel);
    EXPECT_EQ(travel->getTotalAmount(), D("-30"));
    usd->setDefault(false);
    eur->setDefault(true);
    EXPECT_EQ(travel->getTotalAmount(), D("-30"));  // the cache still says dollars
    TLCurrencyCenter::sharedCenter().clearRatesCache();
    EXPECT_EQ(travel->getTotalAmount(), D("-15.0"));
}

TEST_F(CategoryTotalsTest, PicturesComeFromTheCategoryItsMasterOrItsName) {
    TLCategory* home = category("Home Office");
    home->setImageName("Home_Office");
    TLCategory* desk = category("Desk", home);
    TLCategory* loose = category("Loose");
    EXPECT_EQ(home->getImageSmall(true).name, "Home_Office");
    EXPECT_EQ(home->getImageSmall(false).name, "Home_Office@2x");
    EXPECT_EQ(desk->getImageSmall(false).name, "Home_Office@2x");
    EXPECT_EQ(loose->getImageSmall(true).name, "Uncategorized.png");
    EXPECT_EQ(loose->getImageSmall(false).name, "Uncategorized@2x.png");

    auto* photo = static_cast<TLImageRecord*>(db().createObjectForEntity("ImageRecord"));
    home->setImageRecord(photo);
    EXPECT_EQ(desk->getImageSmall(true), TLPicture::stored(photo));
    desk->setImageName("Desk");
    EXPECT_EQ(desk->getImageSmall(true), TLPicture::stored(photo));  // the master's own picture wins
}

TEST_F(CategoryTotalsTest, PayeePicturesByKind) {
    auto* person = create<TLPayee>();
    EXPECT_EQ(person->getImageSmall(true).name, "payee.png");
    EXPECT_EQ(person->getImageSmall(false).name, "payee@2x.png");
    person->setIscompany(true);
    EXPECT_EQ(person->getImageSmall(true).name, "company.png");
    EXPECT_EQ(person->getImageSmall(false).name, "company@2x.png");
}

}  // namespace
}  // namespace tallo
