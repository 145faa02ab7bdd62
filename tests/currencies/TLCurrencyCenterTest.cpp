#include "Classes/currencies/TLCurrencyCenter.h"

#include <filesystem>
#include <fstream>

#include "Classes/currencies/TLCurrency.h"
#include "Classes/currencies/TLRateRecord.h"
#include "Platform/foundation/Bundle.h"
#include "Platform/foundation/InternalError.h"
#include "Platform/foundation/UserDefaults.h"
#include "tests/store/StoreTestSupport.h"

namespace tallo {
namespace {

Decimal D(const char* text) { return *Decimal::fromString(text); }

class TLCurrencyCenterTest : public test::StoreTest {
protected:
    TLCurrencyCenterTest() {
        TLCurrencyCenter::resetSharedCenter();
        UserDefaults::resetStandardUserDefaults(folder_.path() + "/Tallo.plist");
    }
    ~TLCurrencyCenterTest() override { TLCurrencyCenter::resetSharedCenter(); }

    TLCurrencyCenter& center() { return TLCurrencyCenter::sharedCenter(); }

    // "CODE order title default" for every currency, by order.
    std::string currencies() {
        std::string out;
        for (ManagedObject* o : db().fetchEntityCustom("Currency", nullptr, {{"order", true}})) {
            auto* c = static_cast<TLCurrency*>(o);
            out += *c->code() + " " + std::to_string(c->order().value_or(-1)) + " " + c->title().value_or("-") +
                   (c->default_().value_or(false) ? " default" : "") + "\n";
        }
        return out;
    }

    TLCurrency* currency(const char* code, bool isDefault) {
        auto* c = create<TLCurrency>();
        c->setCode(code);
        c->setDefault(isDefault);
        return c;
    }
};

TEST_F(TLCurrencyCenterTest, ANewStoreGetsTheLocalesCurrencyAndTheFirstOfTheList) {
    center().createDefaultCurrenciesIfNeeded();
    EXPECT_EQ(currencies(),
              "USD 0 US Dollar (USD) default\n"
              "EUR 2 Euro (EUR)\n"
              "GBP 3 British Pound (GBP)\n");
    center().createDefaultCurrenciesIfNeeded();  // only once
    EXPECT_EQ(db().getAllObjectsWithEntityName("Currency").size(), 3u);
}

TEST_F(TLCurrencyCenterTest, TheLocalesCurrencyOutsideTheFirstThreeStillGetsItsTitle) {
    test::ScopedLocale japan("ja_JP");
    center().createDefaultCurrenciesIfNeeded();
    EXPECT_EQ(currencies(),
              "JPY 0 Japanese Yen (JPY) default\n"
              "USD 1 US Dollar (USD)\n"
              "EUR 2 Euro (EUR)\n"
              "GBP 3 British Pound (GBP)\n");
}

TEST_F(TLCurrencyCenterTest, TheLocalesCurrencyOnTheSecondLineMakesThree) {
    test::ScopedLocale germany("de_DE");
    center().createDefaultCurrenciesIfNeeded();
    EXPECT_EQ(currencies(),
              "EUR 0 Euro (EUR) default\n"
              "USD 1 US Dollar (USD)\n"
              "GBP 3 British Pound (GBP)\n");
}

TEST_F(TLCurrencyCenterTest, WithoutTheListOnlyTheLocalesCurrencyIsMade) {
    std::string previous = Bundle::resourcePath();
    Bundle::setResourcePath(folder_.path() + "/no-resources");
    center().createDefaultCurrenciesIfNeeded();
    Bundle::setResourcePath(previous);
    EXPECT_EQ(currencies(), "USD 0 - default\n");
}

TEST_F(TLCurrencyCenterTest, ARateRecordIsFoundOrMadeOncePerDirection) {
    TLCurrency* usd = currency("USD", true);
    TLCurrency* eur = currency("EUR", false);
    TLRateRecord* eurToUsd = center().getRateRecordFrom(eur, usd);
    ASSERT_NE(eurToUsd, nullptr);
    EXPECT_EQ(center().getRateRecordFrom(eur, usd), eurToUsd);
    EXPECT_EQ(eurToUsd->oneFromInTo(), D("1"));  // a new record is worth 1 until a rate is known
    EXPECT_EQ(eurToUsd->automatic(), true);
    TLRateRecord* usdToEur = center().getRateRecordFrom(usd, eur);
    EXPECT_NE(usdToEur, eurToUsd);
    EXPECT_EQ(db().getAllObjectsWithEntityName("RateRecord").size(), 2u);

    TLCurrency* nameless = create<TLCurrency>();
    InternalError::clearLast();
    EXPECT_EQ(center().getRateRecordFrom(nameless, usd), nullptr);
    EXPECT_EQ(InternalError::last(), "Currency codes can't be nil!");
}

TEST_F(TLCurrencyCenterTest, RatesToTheDefaultCurrencyAreCachedUntilCleared) {
    TLCurrency* usd = currency("USD", true);
    TLCurrency* eur = currency("EUR", false);
    TLCurrency* gbp = currency("GBP", false);
    center().getRateRecordFrom(eur, usd)->setOneFromInTo(D("1.30"));
    center().getRateRecordFrom(usd, eur)->setOneFromInTo(D("0.77"));  // the other direction is not a rate to USD
    EXPECT_EQ(center().ratesToDefaultCurrencyCache(), (std::map<std::string, Decimal>{{"EUR", D("1.3")}}));

    center().getRateRecordFrom(gbp, usd)->setOneFromInTo(D("1.5371"));
    EXPECT_EQ(center().ratesToDefaultCurrencyCache().size(), 1u);  // still the cached answer
    center().clearRatesCache();
    EXPECT_EQ(center().ratesToDefaultCurrencyCache(),
              (std::map<std::string, Decimal>{{"EUR", D("1.3")}, {"GBP", D("1.5371")}}));

    // A new default currency takes effect once the cache is cleared.
    usd->setDefault(false);
    eur->setDefault(true);
    EXPECT_EQ(center().defaultCurrency(), usd);
    center().clearRatesCache();
    EXPECT_EQ(center().defaultCurrency(), eur);
    EXPECT_EQ(center().ratesToDefaultCurrencyCache(), (std::map<std::string, Decimal>{{"USD", D("0.77")}}));
}

TEST_F(TLCurrencyCenterTest, AReloadedStoreIsReadAfresh) {
    currency("USD", true);
    db().save();
    TLCurrency* before = center().defaultCurrency();
    ASSERT_NE(before, nullptr);
    db().reloadData();
    TLCurrency* after = center().defaultCurrency();
    ASSERT_NE(after, nullptr);
    EXPECT_EQ(after->code(), "USD");
    EXPECT_EQ(after->managedObjectContext(), db().context());
}

TEST_F(TLCurrencyCenterTest, AmountsShowInTheirCurrencysForm) {
    currency("EUR", true);
    EXPECT_EQ(center().currencyStringFromNumber(D("1234.5")), "€1,234.50");
    EXPECT_EQ(center().currencyStringFromNumber(D("1234.5"), "JPY"), "¥1,234");
    EXPECT_EQ(center().currencyStringFromCode("GBP"), "£0.00");
    EXPECT_EQ(center().decimalNumberFromCurrencyString("€12.34", "EUR"), D("12.34"));
    EXPECT_EQ(center().scaleFromCurrencyCode("JPY"), 2);
}

TEST_F(TLCurrencyCenterTest, TheLastDownloadTimeIsASetting) {
    EXPECT_FALSE(center().updateDate().has_value());
    center().setUpdateDate(Date(1300190400));
    EXPECT_EQ(UserDefaults::standardUserDefaults().dateValue("lastUpdatedCurrencyDate"), Date(1300190400));
    EXPECT_EQ(center().updateDate(), Date(1300190400));
}

}  // namespace
}  // namespace tallo
