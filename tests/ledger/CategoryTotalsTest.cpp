// Category totals in the default currency and category pictures, as the
// category list shows them.

#include "Classes/ledger/TLCategory.h"
#include "Classes/ledger/TLCategoryTotals.h"
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

// The kept totals after each change equal a count made afresh, and a change
// of one split or one transaction rates only its own splits again.
TEST_F(CategoryTotalsTest, KeptTotalsFollowEveryKindOfChangeRatingOnlyWhatItTouched) {
    TLCategory* car = category("Car");
    TLCategory* fuel = category("Fuel", car);
    TLCategory* salary = category("Salary");
    rate(eur, usd, "1.1");
    TLCurrencyCenter::sharedCenter().clearRatesCache();
    TLAccount* euros = account("Euros", eur);
    TLTransaction* parking = transaction(checking, TLTransactionType::Expense, {"40"}, car);
    TLTransaction* diesel = transaction(euros, TLTransactionType::Expense, {"10"}, fuel);
    TLTransaction* pay = transaction(checking, TLTransactionType::Income, {"2500"}, salary);
    auto* planned = create<TLSplit>();  // a schedule's split counts zero
    planned->setBill(create<TLScheduler>());
    planned->setCategory(car);
    planned->setAmount(D("999"));
    TLTransaction* loan = transaction(checking, TLTransactionType::Transfer, {"300"}, salary);
    loan->setTransferPrimary(true);  // the sending side
    // Unsaved, the totals come from the objects; saved, from the rows alone.
    TLCategoryTotals fromObjects;
    EXPECT_EQ(fromObjects.totalOf(*car), D("-51"));
    EXPECT_EQ(fromObjects.totalOf(*salary), D("2200"));
    db().deleteObject(loan);
    db().save();

    TLCategoryTotals totals;
    auto shown = [&] {
        std::string text;
        for (TLCategory* c : {car, fuel, salary}) {
            EXPECT_EQ(totals.totalOf(*c), c->getTotalAmount()) << *c->name();
            text += *c->name() + " " + totals.totalOf(*c).toString() + "; ";
        }
        return text;
    };
    EXPECT_EQ(shown(), "Car -51; Fuel -11; Salary 2500; ");
    EXPECT_EQ(totals.splitsRated(), 4u) << "three splits and the schedule's";

    TLSplit* parked = *parking->splits().begin();
    parked->changeAmountTo(D("45"));
    EXPECT_EQ(shown(), "Car -56; Fuel -11; Salary 2500; ");
    EXPECT_EQ(totals.splitsRated(), 5u) << "one split changed, one rated";

    diesel->changeTypeTo(TLTransactionType::Income);  // a refund: the sign comes from the transaction
    EXPECT_EQ(shown(), "Car -34; Fuel 11; Salary 2500; ");
    EXPECT_EQ(totals.splitsRated(), 6u);

    parked->changeCategoryTo(salary);
    addSplit(pay, "0.01", fuel);
    db().deleteObject(diesel);
    EXPECT_EQ(shown(), "Car 0.01; Fuel 0.01; Salary 2455; ");
    EXPECT_EQ(totals.splitsRated(), 9u) << "the moved split, the new one and the pay's first split (its transaction changed)";

    db().rollback();
    EXPECT_EQ(shown(), "Car -51; Fuel -11; Salary 2500; ");
    EXPECT_EQ(totals.splitsRated(), 12u) << "the three splits back as they were";

    // Deleting a subcategory leaves its splits without a category.
    db().deleteObject(fuel);
    EXPECT_EQ(totals.totalOf(*car), D("-40"));
    EXPECT_EQ(totals.totalOf(*salary), D("2500"));
    db().rollback();

    // A new rate converts every foreign split again.
    rate(eur, usd, "1.2");
    TLCurrencyCenter::sharedCenter().clearRatesCache();
    EXPECT_EQ(shown(), "Car -52; Fuel -12; Salary 2500; ");
    // A currency's code names its rate: a code without one counts unconverted.
    eur->setCode("XEU");
    EXPECT_EQ(shown(), "Car -50; Fuel -10; Salary 2500; ");
}

// Read on a thread of its own while the person goes on: what changed
// meanwhile, saved or not, is rated again here; nothing else is.
TEST_F(CategoryTotalsTest, TotalsReadInTheBackgroundAreTakenWithWhatChangedMeanwhile) {
    TLCategory* car = category("Car");
    TLCategory* food = category("Food");
    transaction(checking, TLTransactionType::Expense, {"40"}, car);
    TLTransaction* lunch = transaction(checking, TLTransactionType::Expense, {"12.50"}, food);
    transaction(checking, TLTransactionType::Expense, {"7", "3"}, food);
    db().save();

    TLCategoryTotals totals;
    totals.prepareInBackground();
    (*lunch->splits().begin())->changeAmountTo(D("15"));
    db().save();
    transaction(checking, TLTransactionType::Income, {"5"}, car);  // a refund, unsaved
    EXPECT_EQ(totals.totalOf(*car), D("-35"));
    EXPECT_EQ(totals.totalOf(*food), D("-25"));
    EXPECT_EQ(totals.splitsRated(), 2u) << "the changed split and the new one; the other three came from the read";

    // A store read again while the rows are read elsewhere: that read is dropped.
    TLCategoryTotals again;
    again.prepareInBackground();
    db().reloadData();
    TLCategory* reloaded = TLCategory::getCategoryWithName("Food");
    ASSERT_NE(reloaded, nullptr);
    EXPECT_EQ(again.totalOf(*reloaded), D("-25"));

    // A read never taken when the store is replaced (the Categories tab not
    // shown before a sync): the next preparation reads the new store.
    TLCategoryTotals untaken;
    untaken.prepareInBackground();
    untaken.waitUntilPrepared();
    db().reloadData();
    untaken.prepareInBackground();
    TLCategory* replaced = TLCategory::getCategoryWithName("Car");
    ASSERT_NE(replaced, nullptr);
    EXPECT_EQ(untaken.totalOf(*replaced), D("-40"));
    EXPECT_EQ(untaken.splitsRated(), 0u) << "every split came from the read of the new store";
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
