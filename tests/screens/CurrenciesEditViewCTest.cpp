// The currencies screens with a real store: the manager's rows and rates,
// reordering and the default currency, which currencies can be deleted,
// adding from the currency list, typing a rate, the choosers, and pulling
// the list to download rates from a quote service on 127.0.0.1.

#include "Classes/screens/currencies/CurrenciesEditViewC.h"

#include "Classes/screens/amount/AmountViewC.h"
#include "Classes/screens/currencies/CurrencyInsertViewC.h"
#include "Classes/screens/settings/SettingsViewC.h"
#include "Platform/foundation/NotificationCenter.h"
#include "tests/shell/ScreenTestSupport.h"
#include "tests/support/LocalHttpServer.h"

namespace tallo {
namespace {

using test::D;

// Opens choosers and reads what they hand back.
class Opener : public TLViewC {
public:
    void willDismissModalView(TLNavigationViewC* modal) override {
        auto* chooser = dynamic_cast<CurrenciesEditViewC*>(modal);
        ++closings;
        chosen = chooser->currency;
        canceled = chooser->isCanceled;
    }
    int closings = 0;
    TLCurrency* chosen = nullptr;
    bool canceled = false;
};

class CurrenciesEditViewCTest : public test::ScreenTest {
protected:
    CurrenciesEditViewCTest() {
        usd = currency("USD", true);
        usd->setTitle("US Dollar (USD)");
        usd->setOrder(0);
        eur = currency("EUR");
        eur->setTitle("Euro (EUR)");
        eur->setOrder(1);
        gbp = currency("GBP");
        gbp->setTitle("British Pound (GBP)");
        gbp->setOrder(2);
        eurToUsd = rate(eur, usd, "1.3");
        eurToUsd->setAutomatic(true);
        gbpToUsd = rate(gbp, usd, "1.62");
        gbpToUsd->setAutomatic(false);
        db().save();
    }
    ~CurrenciesEditViewCTest() override { TLCurrencyCenter::sharedCenter().setQuoteServiceURL(""); }

    // The manager as Settings opens it.
    std::shared_ptr<CurrenciesEditViewC> openManager() {
        auto settings = std::make_shared<SettingsViewC>();
        app().setRootViewController(std::make_shared<NavigationController>(settings));
        tap("row:0:0");
        auto* manager = dynamic_cast<CurrenciesEditViewC*>(app().visibleViewController());
        EXPECT_NE(manager, nullptr);
        return manager != nullptr ? std::static_pointer_cast<CurrenciesEditViewC>(manager->shared_from_this()) : nullptr;
    }
    std::shared_ptr<CurrenciesEditViewC> openChooser(TLAccount* forAccount, TLTransaction* forTransaction) {
        opener = std::make_shared<Opener>();
        app().setRootViewController(std::make_shared<NavigationController>(opener));
        auto chooser = std::make_shared<CurrenciesEditViewC>();
        chooser->account = forAccount;
        chooser->transaction = forTransaction;
        chooser->isSelecting = forTransaction != nullptr;
        opener->presentModalView(chooser, CurrenciesEditViewC::kChooserMode);
        return chooser;
    }
    void move(int from, int to) {
        send(R"({"kind":"move","target":"move:0:)" + std::to_string(from) + R"(","toSection":0,"toRow":)" +
             std::to_string(to) + "}");
    }
    // "USD 0 default, EUR 1, GBP 2": the stored currencies by order.
    std::string stored() {
        std::vector<std::pair<int, std::string>> rows;
        for (ManagedObject* object : db().getAllObjectsWithEntityName("Currency")) {
            auto* c = static_cast<TLCurrency*>(object);
            rows.emplace_back(c->order().value_or(-1),
                              c->code().value_or("?") + " " + std::to_string(c->order().value_or(-1)) +
                                  (c->default_().value_or(false) ? " default" : ""));
        }
        std::sort(rows.begin(), rows.end());
        std::string text;
        for (auto& row : rows) text += (text.empty() ? "" : ", ") + row.second;
        return text;
    }

    TLCurrency* usd;
    TLCurrency* eur;
    TLCurrency* gbp;
    TLRateRecord* eurToUsd;
    TLRateRecord* gbpToUsd;
    std::shared_ptr<Opener> opener;
};

TEST_F(CurrenciesEditViewCTest, TheManagerShowsTheDefaultFirstAndRatesIntoIt) {
    openManager();
    EXPECT_EQ(scene(),
              "window\n"
              "  screen transition=\"push\"\n"
              "    navbar title=\"Currencies\"\n"
              "      button#nav:left image=\"nav_back_left.png\" title=\"Back\"\n"
              "      button#nav:right title=\"Edit\"\n"
              "    content\n"
              "      table#table style=\"grouped\"\n"
              "        section footer=\"Drag to the top to make default. Tap to change rate.\"\n"
              "          row#row:0:0 detail=\"1 USD\" style=\"value1\" text=\"US Dollar (USD)\"\n"
              "          row#row:0:1 accessory=\"detail\" detail=\"1 EUR = 1.3000 USD\" detailColor=\"rgba(128,128,128,1)\" style=\"value1\" text=\"Euro (EUR)\"\n"
              "          row#row:0:2 accessory=\"detail\" detail=\"1 GBP = 1.6200 USD\" detailColor=\"rgba(0,0,0,1)\" style=\"value1\" text=\"British Pound (GBP)\"\n");
}

// ---- order and the default currency --------------------------------------------

TEST_F(CurrenciesEditViewCTest, DraggingTheThirdCurrencyToTheTopMakesItTheDefault) {
    openManager();
    tap("nav:right");  // Edit
    EXPECT_TRUE(has(scene(), "row#row:0:3 insertable=yes style=\"value1\" text=\"Add currency\""));
    move(2, 0);
    EXPECT_EQ(stored(), "GBP 0 default, USD 1, EUR 2");
    // The rates are now shown into pounds.
    EXPECT_TRUE(has(scene(), "detail=\"1 GBP\""));
    EXPECT_TRUE(has(scene(), "text=\"US Dollar (USD)\""));
    tap("nav:right");  // Done saves
    EXPECT_FALSE(db().context()->hasChanges());
    tap("nav:left");  // Back: leaving makes the new default count
    EXPECT_EQ(TLGlobal::sharedGlobal().defaultCurrency(), gbp);
}

TEST_F(CurrenciesEditViewCTest, ARowDroppedOnAddCurrencyStaysAboveIt) {
    openManager();
    tap("nav:right");
    move(0, 3);
    EXPECT_EQ(stored(), "EUR 0 default, GBP 1, USD 2");
    EXPECT_TRUE(has(scene(), "row#row:0:3 insertable=yes style=\"value1\" text=\"Add currency\""));
}

TEST_F(CurrenciesEditViewCTest, CancelUndoesTheReorder) {
    openManager();
    tap("nav:right");
    move(1, 0);
    tap("nav:left");  // Cancel
    EXPECT_EQ(stored(), "USD 0 default, EUR 1, GBP 2");
    EXPECT_TRUE(has(scene(), "button#nav:right title=\"Edit\""));
}

// ---- deleting -------------------------------------------------------------------

TEST_F(CurrenciesEditViewCTest, OnlyCurrenciesNothingUsesOfferDelete) {
    account("Paris", eur);
    openManager();
    tap("nav:right");
    std::string text = scene();
    EXPECT_TRUE(has(text, "row#row:0:0 deletable=yes detail=\"1 USD\" movable=yes"));
    // EUR: an account uses it.
    EXPECT_TRUE(has(text, "row#row:0:1 accessory=\"detail\" detail=\"1 EUR = 1.3000 USD\" "
                          "detailColor=\"rgba(128,128,128,1)\" movable=yes"));
    EXPECT_TRUE(has(text, "row#row:0:2 accessory=\"detail\" deletable=yes detail=\"1 GBP = 1.6200 USD\""));
    EXPECT_FALSE(CurrenciesEditViewC::canDeleteCurrency(eur));
    app().render();
    std::string error;
    EXPECT_FALSE(app().handleMessage(R"({"kind":"delete","target":"delete:0:1"})", &error));
}

TEST_F(CurrenciesEditViewCTest, DeletingTheDefaultMakesTheNextOneDefault) {
    openManager();
    tap("nav:right");
    send(R"({"kind":"delete","target":"delete:0:0"})");
    EXPECT_EQ(stored(), "EUR 0 default, GBP 1");
    EXPECT_TRUE(has(scene(), "row#row:0:0 deletable=yes detail=\"1 EUR\" movable=yes"));
    EXPECT_TRUE(has(scene(), "detail=\"1 GBP = "));
}

// ---- adding -----------------------------------------------------------------------

TEST_F(CurrenciesEditViewCTest, TheCodeOfANewCurrencyIsTheThreeLettersInsideItsTitle) {
    EXPECT_EQ(CurrencyInsertViewC::codeFromTitle("Euro (EUR)"), "EUR");
    EXPECT_EQ(CurrencyInsertViewC::codeFromTitle("Swiss Franc (CHF)"), "CHF");
    EXPECT_EQ(CurrencyInsertViewC::codeFromTitle("(X)"), "");
}

TEST_F(CurrenciesEditViewCTest, AddingACurrencyListsOnlyTheOnesNotThereAndAddsItLast) {
    openManager();
    tap("nav:right");
    tap("row:0:3");  // Add currency
    auto* picker = dynamic_cast<CurrencyInsertViewC*>(app().visibleViewController());
    ASSERT_NE(picker, nullptr);
    const auto& titles = picker->currencyTitlesArray();
    EXPECT_EQ(titles.size(), CurrencyInsertViewC::readCurrencyTitles().size() - 3);
    EXPECT_TRUE(std::is_sorted(titles.begin(), titles.end()));
    EXPECT_EQ(std::count(titles.begin(), titles.end(), "Euro (EUR)"), 0);
    EXPECT_TRUE(has(scene(), "navbar title=\"Select Currency\""));

    type("search", "swiss");
    EXPECT_TRUE(has(scene(), "row#row:0:0 style=\"default\" text=\"Swiss Franc (CHF)\""));
    tap("row:0:0");
    EXPECT_EQ(stored(), "USD 0 default, EUR 1, GBP 2, CHF 3");
    EXPECT_TRUE(has(scene(), "text=\"Swiss Franc (CHF)\""));
    EXPECT_TRUE(has(scene(), "row#row:0:4 insertable=yes"));  // still editing
}

// ---- typing a rate ------------------------------------------------------------------

TEST_F(CurrenciesEditViewCTest, ATypedRateIsManualUnlessAutomaticIsOn) {
    openManager();
    tap("nav:right");
    tap("accessory:0:1");  // EUR's rate
    auto* amount = dynamic_cast<AmountViewC*>(app().visibleViewController());
    ASSERT_NE(amount, nullptr);
    EXPECT_EQ(amount->title(), "EUR to USD rate");
    EXPECT_TRUE(has(scene(), "amount amount=\"1.3000\""));
    EXPECT_TRUE(has(scene(), "switch#switch:0:0 on=no"));
    for (const char* k : {"1", ".", "2", "5", "Enter"}) send(std::string(R"({"kind":"key","key":")") + k + "\"}");
    EXPECT_EQ(eurToUsd->oneFromInTo(), D("1.25"));
    EXPECT_EQ(eurToUsd->automatic(), false);
    EXPECT_TRUE(has(scene(), "detail=\"1 EUR = 1.2500 USD\" detailColor=\"rgba(0,0,0,1)\""));

    tap("accessory:0:2");  // GBP, typed again with Automatic on
    send(R"({"kind":"toggle","target":"switch:0:0","on":true})");
    tap("nav:right");
    EXPECT_EQ(gbpToUsd->oneFromInTo(), D("1.62"));
    EXPECT_EQ(gbpToUsd->automatic(), true);
}

TEST_F(CurrenciesEditViewCTest, CancellingARateLeavesItAutomatic) {
    openManager();
    tap("nav:right");
    tap("accessory:0:1");
    send(R"({"kind":"key","key":"9"})");
    send(R"({"kind":"key","key":"Escape"})");
    EXPECT_EQ(eurToUsd->oneFromInTo(), D("1.3"));
    // Downloads must go on updating it.
    EXPECT_EQ(eurToUsd->automatic(), true);
    EXPECT_TRUE(has(scene(), "detail=\"1 EUR = 1.3000 USD\" detailColor=\"rgba(128,128,128,1)\""));
}

// ---- choosers -----------------------------------------------------------------------

TEST_F(CurrenciesEditViewCTest, TheAccountChooserHandsBackTheTappedCurrency) {
    TLAccount* paris = account("Paris", usd);
    openChooser(paris, nullptr);
    EXPECT_TRUE(has(scene(), "navbar title=\"Edit Currencies\""));
    tap("row:0:2");
    EXPECT_EQ(opener->closings, 1);
    EXPECT_EQ(opener->chosen, gbp);
    EXPECT_FALSE(opener->canceled);
}

TEST_F(CurrenciesEditViewCTest, TheTransactionChooserShowsRatesIntoTheAccountsCurrency) {
    TLAccount* paris = account("Paris", eur);
    rate(usd, eur, "0.77");
    TLTransaction* dinner = transaction(paris, TLTransactionType::Expense, {"40"});
    openChooser(nullptr, dinner);
    std::string text = scene();
    EXPECT_TRUE(has(text, "navbar title=\"Select Currency\""));
    EXPECT_TRUE(has(text, "row#row:0:0 accessory=\"checkmark\" detail=\"1 EUR\" movable=yes"));
    EXPECT_TRUE(has(text, "detail=\"1 USD = 0.7700 EUR\""));
    tap("row:0:1");  // dollars at the global rate
    EXPECT_EQ(opener->chosen, usd);
    EXPECT_EQ(dinner->currency(), usd);
    EXPECT_EQ(dinner->getRateToAccount()->rate(), D("0.77"));
    EXPECT_EQ(paris->balance(), D("-30.8"));
    EXPECT_EQ(checkBooks(), "");
}

TEST_F(CurrenciesEditViewCTest, TheTransactionsOwnRateIsTypedAndKeptGloballyToo) {
    TLAccount* paris = account("Paris", eur);
    TLRateRecord* usdToEur = rate(usd, eur, "0.77");
    TLTransaction* dinner = transaction(paris, TLTransactionType::Expense, {"40"});
    auto chooser = openChooser(nullptr, dinner);
    tap("accessory:0:1");
    ASSERT_NE(dynamic_cast<AmountViewC*>(app().visibleViewController()), nullptr);
    EXPECT_TRUE(has(scene(), "amount amount=\"0.7700\""));
    for (const char* k : {"0", ".", "8", "Enter"}) send(std::string(R"({"kind":"key","key":")") + k + "\"}");
    EXPECT_EQ(app().visibleViewController(), chooser.get());
    EXPECT_EQ(dinner->getRateToAccount()->rate(), D("0.8"));
    EXPECT_EQ(usdToEur->oneFromInTo(), D("0.8"));
    EXPECT_EQ(paris->balance(), D("-32"));
    tap("nav:right");  // Done
    EXPECT_EQ(opener->chosen, usd);
}

TEST_F(CurrenciesEditViewCTest, TheFirstRowGivesTheTransactionBackItsAccountsCurrency) {
    TLAccount* paris = account("Paris", eur);
    rate(usd, eur, "0.77");
    TLTransaction* dinner = transaction(paris, TLTransactionType::Expense, {"40"});
    dinner->changeCurrencyTo(usd);
    dinner->setValueToRateRecordToAccount(D("0.77"));
    openChooser(nullptr, dinner);
    tap("row:0:0");
    EXPECT_EQ(opener->chosen, eur);
    EXPECT_EQ(dinner->currency(), eur);
    EXPECT_EQ(dinner->getRateToAccount(), nullptr);
    EXPECT_EQ(paris->balance(), D("-40"));
}

// ---- pulling to update ----------------------------------------------------------------

TEST_F(CurrenciesEditViewCTest, WithoutAQuoteServiceThePullSaysSo) {
    openManager();
    send(R"({"kind":"refresh","target":"table"})");
    EXPECT_TRUE(has(scene(), "updater state=0 status=\"No rate service set\""));
    EXPECT_FALSE(TLCurrencyCenter::sharedCenter().isDownloading());
}

TEST_F(CurrenciesEditViewCTest, APullDownloadsTheRatesAndShowsThem) {
    test::LocalHttpServer server([](const std::string&) {
        return test::LocalHttpServer::Answer{test::LocalHttpServer::Answer::Kind::Respond, 200,
                                             "\"EURUSD=X\",1.3245,\"6/3/2011\"\r\n\"GBPUSD=X\",1.7,\"6/3/2011\"\r\n"};
    });
    TLCurrencyCenter::sharedCenter().setQuoteServiceURL(server.baseURL());
    int downloads = 0;
    NotificationCenter::defaultCenter().addObserver(this, "ratesDownloaded", [&](const Notification&) { ++downloads; });
    openManager();
    send(R"({"kind":"refresh","target":"table"})");
    EXPECT_TRUE(has(scene(), "updater arrowTurned=yes lastUpdate=\"No connection\" spinner=yes state=2 status=\"Updating...\""));
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return downloads > 0; }, 30));
    NotificationCenter::defaultCenter().removeObserver(this);
    std::string text = scene();
    EXPECT_FALSE(has(text, "updater"));
    EXPECT_TRUE(has(text, "detail=\"1 EUR = 1.3245 USD\""));  // automatic: updated
    EXPECT_TRUE(has(text, "detail=\"1 GBP = 1.6200 USD\""));  // typed by hand: kept
}

}  // namespace
}  // namespace tallo
