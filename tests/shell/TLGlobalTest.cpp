#include "Classes/shell/TLGlobal.h"

#include "Classes/schedules/TLScheduler.h"
#include "Platform/foundation/InternalError.h"
#include "tests/support/LedgerTestSupport.h"

namespace tallo {
namespace {

using test::D;

class TLGlobalTest : public test::LedgerTest {
protected:
    TLGlobalTest() { TLGlobal::resetSharedGlobal(); }
    ~TLGlobalTest() override { TLGlobal::resetSharedGlobal(); }
    TLGlobal& global() { return TLGlobal::sharedGlobal(); }
};

TEST_F(TLGlobalTest, TheFormatterStartsWithTheStoredCodeOrWritesDollars) {
    global();
    EXPECT_EQ(UserDefaults::standardUserDefaults().stringValue("default_currency_code"), "USD");
    EXPECT_EQ(global().currencyStringFromNumber(D("1234.5")), "$1,234.50");  // no currency yet
    EXPECT_EQ(global().currencyStringFromNumber(D("-3"), "EUR"), "-€3.00");
    EXPECT_EQ(global().currencyStringFromCode("JPY"), "¥0");
    EXPECT_EQ(global().decimalNumberFromCurrencyString("$12.34", "USD"), D("12.34"));

    TLGlobal::resetSharedGlobal();
    UserDefaults::standardUserDefaults().setString("default_currency_code", "GBP");
    global();
    EXPECT_EQ(UserDefaults::standardUserDefaults().stringValue("default_currency_code"), "GBP");
}

TEST_F(TLGlobalTest, AmountsShowInTheDefaultCurrency) {
    currency("USD");
    currency("EUR", true);
    EXPECT_EQ(global().currencyStringFromNumber(D("7")), "€7.00");
}

TEST_F(TLGlobalTest, TheCurrencyCachesAreTheCentersOwn) {
    TLCurrency* usd = currency("USD", true);
    TLCurrency* eur = currency("EUR");
    rate(eur, usd, "1.08");
    EXPECT_EQ(global().defaultCurrency(), usd);
    EXPECT_EQ(global().ratesToDefaultCurrency().at("EUR"), D("1.08"));
    rate(eur, usd, "1.2");
    EXPECT_EQ(TLCurrencyCenter::sharedCenter().ratesToDefaultCurrencyCache().at("EUR"), D("1.08"));
    global().clearRatesCache();  // clears the center's as well
    EXPECT_EQ(TLCurrencyCenter::sharedCenter().ratesToDefaultCurrencyCache().at("EUR"), D("1.2"));
    EXPECT_EQ(global().getCurrencyByCode("EUR"), eur);
    EXPECT_EQ(global().getDefaultCurrency(), usd);
}

TEST_F(TLGlobalTest, ARateRecordForACurrencyWithoutCodeIsQuietlyNothing) {
    TLCurrency* usd = currency("USD", true);
    auto* unnamed = create<TLCurrency>();
    std::string before = InternalError::last();
    EXPECT_EQ(global().getRateRecordFrom(unnamed, usd), nullptr);
    EXPECT_EQ(global().getRateRecordFrom(usd, nullptr), nullptr);
    EXPECT_EQ(InternalError::last(), before);
    EXPECT_NE(global().getRateRecordFrom(usd, currency("EUR")), nullptr);
}

TEST_F(TLGlobalTest, TheFirstRunSwitchesCategoriesOn) {
    global().readUserDefaults();
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    EXPECT_TRUE(defaults.boolForKey("not_first_time"));
    EXPECT_TRUE(global().useCategory());
    EXPECT_FALSE(global().usePayee());
    EXPECT_FALSE(defaults.hasKey("use_payee"));

    defaults.setBool("use_category", false);
    defaults.setBool("use_payee", true);
    global().readUserDefaults();  // not the first run: nothing is written over
    EXPECT_FALSE(global().useCategory());
    EXPECT_TRUE(global().usePayee());
    EXPECT_TRUE(TLTransactionSettings::usePayee());
}

TEST_F(TLGlobalTest, TheBadgesCountUnpaidSchedules) {
    test::ScopedClock clock(test::localDate(2026, 12, 6, 10));
    currency("USD", true);
    TLAccount* checking = account("Checking");
    auto* due = create<TLScheduler>();
    due->setInAccount(checking);
    due->setFrequency(TLSchedulerFrequency::Monthly);
    due->setNextDate(test::localDate(2026, 12, 1, 9));
    auto* later = create<TLScheduler>();
    later->setNextDate(test::localDate(2026, 12, 24, 9));
    global().updateSchedulers();
    EXPECT_EQ(global().applicationIconBadgeNumber(), 1);
    EXPECT_EQ(global().schedulerBadgeValue(), "1");

    due->deleteWithSplits();  // deleting the last unpaid one clears the badges
    global().updateSchedulers();
    EXPECT_EQ(global().applicationIconBadgeNumber(), 0);
    EXPECT_EQ(global().schedulerBadgeValue(), "");
}

}  // namespace
}  // namespace tallo
