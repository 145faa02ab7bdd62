// The rate download against a real HTTP server on 127.0.0.1 that answers in
// the quote service's format, and against broken, silent and hostile ones.
#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <map>
#include <memory>
#include <thread>

#include "Platform/foundation/NotificationCenter.h"
#include "Platform/foundation/RunLoop.h"
#include "tests/support/LedgerTestSupport.h"
#include "tests/support/LocalHttpServer.h"

namespace tallo {
namespace {

using Answer = test::LocalHttpServer::Answer;

// The symbols of a request's `s` key, without their "+".
std::vector<std::string> symbolsOf(const std::string& target) {
    std::vector<std::string> symbols;
    size_t start = target.find("s=");
    if (start == std::string::npos) return symbols;
    std::string list = target.substr(start + 2, target.find('&', start) - start - 2);
    for (size_t at = 0, plus; (plus = list.find('+', at)) != std::string::npos; at = plus + 1) {
        symbols.push_back(list.substr(at, plus - at));
    }
    return symbols;
}

// Answers as the quote service does: one line per symbol asked for, the
// value from `rates` or "N/A" for a pair it does not know.
Answer quoteAnswer(const std::string& target, const std::map<std::string, std::string>& rates) {
    std::string body;
    for (const std::string& symbol : symbolsOf(target)) {
        auto known = rates.find(symbol.substr(0, 6));
        body += "\"" + symbol + "\"," + (known != rates.end() ? known->second : "N/A") + ",\"6/3/2011\"\r\n";
    }
    return Answer{Answer::Kind::Respond, 200, body};
}

class RateDownloadTest : public test::LedgerTest {
protected:
    RateDownloadTest() {
        NotificationCenter::defaultCenter().addObserver(this, "ratesDownloaded", [this](const Notification& note) {
            ++notifications_;
            poster_ = note.object;
            offMainThread_ += std::this_thread::get_id() != mainThread_;
        });
    }
    ~RateDownloadTest() override {
        // Screens observe the notification and touch the store: it must
        // come on the main thread.
        EXPECT_EQ(offMainThread_, 0);
        NotificationCenter::defaultCenter().removeObserver(this);
    }

    TLCurrencyCenter& center() { return TLCurrencyCenter::sharedCenter(); }

    // Starts a run against `server` and runs the main loop until it is announced.
    void download(const test::LocalHttpServer& server, double timeout = 5) {
        center().setQuoteServiceURL(server.baseURL());
        center().setQuoteServiceTimeout(timeout);
        downloadAndWait();
    }
    void downloadAndWait() {
        int before = notifications_;
        center().downloadRatesOfActiveCurrencies();
        EXPECT_TRUE(center().isDownloading());
        ASSERT_TRUE(RunLoop::main().runUntil([&] { return notifications_ > before; }, 30));
        EXPECT_FALSE(center().isDownloading());
        EXPECT_EQ(poster_, &center());
    }

    // "EUR>USD 1.3245 auto", every rate record, sorted.
    std::string records() {
        std::vector<std::string> lines;
        for (ManagedObject* object : db().getAllObjectsWithEntityName("RateRecord")) {
            auto* record = static_cast<TLRateRecord*>(object);
            lines.push_back(record->currFrom()->code().value_or("?") + ">" + record->currTo()->code().value_or("?") +
                            " " + record->oneFromInTo().value_or(Decimal::notANumber()).toString() +
                            (record->automatic().value_or(false) ? " auto" : " manual"));
        }
        std::sort(lines.begin(), lines.end());
        std::string out;
        for (const std::string& line : lines) out += line + "\n";
        return out;
    }

    int notifications_ = 0;
    const void* poster_ = nullptr;
    int offMainThread_ = 0;
    const std::thread::id mainThread_ = std::this_thread::get_id();
};

const std::map<std::string, std::string> kRates = {
    {"USDEUR", "0.7550"}, {"EURUSD", "1.3245"}, {"USDGBP", "0.6093"},
    {"GBPUSD", "1.6412"}, {"EURGBP", "0.8870"}, {"GBPEUR", "1.1274"},
};

// The everyday case: one request for the six pairs of three currencies, the
// answer lands in the automatic records, a rate the person typed stays, and
// the screen learns of the run and its time.
TEST_F(RateDownloadTest, AnAnswerSetsTheAutomaticRatesAndLeavesTypedOnes) {
    test::ScopedClock clock(test::localDate(2011, 6, 3, 17, 45));
    TLCurrency* usd = currency("USD", true);
    TLCurrency* eur = currency("EUR");
    TLCurrency* gbp = currency("GBP");
    rate(eur, gbp, "0.9")->setAutomatic(false);  // typed on the currencies screen
    rate(usd, eur, "0.70");
    test::LocalHttpServer server([](const std::string& target) { return quoteAnswer(target, kRates); });
    EXPECT_FALSE(center().isConnection());  // no request yet in this run of the program

    download(server);
    ASSERT_EQ(server.targets().size(), 1u);
    EXPECT_EQ(server.targets()[0],
              "/d/quotes.csv?s=USDEUR=X+EURUSD=X+USDGBP=X+GBPUSD=X+EURGBP=X+GBPEUR=X+&f=sl1d1&e=.csv");
    std::vector<std::string> headers = server.headers()[0];
    EXPECT_NE(std::find(headers.begin(), headers.end(), "Cache-Control: no-cache"), headers.end());
    EXPECT_EQ(records(),
              "EUR>GBP 0.9 manual\n"
              "EUR>USD 1.3245 auto\n"
              "GBP>EUR 1.1274 auto\n"
              "GBP>USD 1.6412 auto\n"
              "USD>EUR 0.755 auto\n"
              "USD>GBP 0.6093 auto\n");
    EXPECT_TRUE(center().isConnection());
    EXPECT_EQ(test::local(center().updateDate()), "2011-06-03 17:45:00");
    EXPECT_EQ(notifications_, 1);
    // Rates reach conversions once the cache is cleared, not before.
    EXPECT_EQ(center().ratesToDefaultCurrencyCache().at("EUR"), test::D("1.3245"));
}

TEST_F(RateDownloadTest, FifteenCurrenciesNeedTwoRequestsAndTheLastDecidesTheConnection) {
    const char* codes[] = {"USD", "EUR", "GBP", "JPY", "CHF", "CAD", "AUD", "NZD",
                           "SEK", "NOK", "DKK", "PLN", "CZK", "HUF", "RUB"};
    for (const char* code : codes) currency(code, code == codes[0]);
    TLCurrency* eur = center().getCurrencyByCode("EUR");
    TLCurrency* usd = center().getCurrencyByCode("USD");
    int requests = 0;
    test::LocalHttpServer server([&](const std::string& target) {
        // The first request is answered, the second meets a busy service.
        if (++requests == 1) return quoteAnswer(target, kRates);
        return Answer{Answer::Kind::Respond, 503, "<html>Service Unavailable</html>"};
    });
    download(server);
    ASSERT_EQ(server.targets().size(), 2u);
    EXPECT_EQ(symbolsOf(server.targets()[0]).size(), 190u);
    EXPECT_EQ(symbolsOf(server.targets()[1]).size(), 20u);
    EXPECT_EQ(center().getRateRecordFrom(eur, usd)->oneFromInTo(), test::D("1.3245"));
    EXPECT_FALSE(center().isConnection());
    EXPECT_EQ(notifications_, 1);
}

TEST_F(RateDownloadTest, ASingleCurrencyAsksNothingButTheRunIsStillRecorded) {
    test::ScopedClock clock(test::localDate(2011, 6, 3, 9, 0));
    currency("USD", true);
    test::LocalHttpServer server([](const std::string& target) { return quoteAnswer(target, kRates); });
    download(server);
    EXPECT_TRUE(server.targets().empty());
    EXPECT_EQ(test::local(center().updateDate()), "2011-06-03 09:00:00");
    EXPECT_EQ(notifications_, 1);
}

TEST_F(RateDownloadTest, WithoutAServiceARunIsNoConnection) {
    test::ScopedClock clock(test::localDate(2011, 6, 3, 9, 0));
    TLCurrency* usd = currency("USD", true);
    TLCurrency* eur = currency("EUR");
    rate(eur, usd, "1.30");
    center().setIsConnection(true);
    center().setQuoteServiceURL("");
    downloadAndWait();
    EXPECT_FALSE(center().isConnection());
    EXPECT_EQ(records(), "EUR>USD 1.3 auto\n");
    EXPECT_EQ(test::local(center().updateDate()), "2011-06-03 09:00:00");
}

TEST_F(RateDownloadTest, ASilentServiceTimesOutAsNoConnection) {
    TLCurrency* usd = currency("USD", true);
    TLCurrency* eur = currency("EUR");
    rate(eur, usd, "1.30");
    center().setIsConnection(true);
    test::LocalHttpServer server([](const std::string&) { return Answer{Answer::Kind::Hang}; });
    download(server, 0.2);
    EXPECT_FALSE(center().isConnection());
    EXPECT_EQ(records(), "EUR>USD 1.3 auto\n");
    EXPECT_EQ(notifications_, 1);
    EXPECT_TRUE(center().updateDate());
}

// Whatever a broken or hostile service sends, the rates it does not state
// as positive numbers for known currencies stay as they were.
TEST_F(RateDownloadTest, BrokenAnswersChangeNothing) {
    TLCurrency* usd = currency("USD", true);
    TLCurrency* eur = currency("EUR");
    rate(eur, usd, "1.30");
    rate(usd, eur, "0.77");
    const std::string before = records();
    struct Case {
        std::string body;
        int status;
        bool connected;  // whether a whole answer came back
    };
    const Case cases[] = {
        {"\"EURUSD=X\",N/A,\"N/A\"\r\n\"USDEUR=X\",N/A,\"N/A\"\r\n", 200, true},
        {"\"EURUSD=X\",0.00,\"6/3/2011\"\r\n\"USDEUR=X\",0,\"6/3/2011\"\r\n", 200, true},
        {"\"EURUSD=X\",inf,\"6/3/2011\"\r\n\"USDEUR=X\",1e39,\"6/3/2011\"\r\n", 200, true},
        {"\"XAUUSD=X\",1533.10,\"6/3/2011\"\r\n\"EURXAU=X\",0.0009,\"6/3/2011\"\r\n", 200, true},
        {"\"EUREUR=X\",2.0,\"6/3/2011\"\r\n", 200, true},
        {"", 200, false},
        {"\"EURUSD=X\",1.3245,\"6/3/2011\"\r\n", 500, false},
        {"\"EURUSD=X\",1.3245,\"6/3/2011\"\r\n" + std::string(2 * 1024 * 1024, 'x'), 200, false},
    };
    for (const Case& answer : cases) {
        SCOPED_TRACE(answer.body.substr(0, 60));
        test::LocalHttpServer server(
            [&](const std::string&) { return Answer{Answer::Kind::Respond, answer.status, answer.body}; });
        download(server);
        EXPECT_EQ(records(), before);
        EXPECT_EQ(center().isConnection(), answer.connected);
    }
    EXPECT_EQ(db().getAllObjectsWithEntityName("Currency").size(), 2u);
}

// Sync can replace the store while a request is out: the answer is written
// into the store as it is then, found by code, and the dropped objects are
// never touched (the sanitizer would catch it).
TEST_F(RateDownloadTest, AnAnswerAfterTheStoreWasReloadedGoesIntoTheReloadedStore) {
    TLCurrency* usd = currency("USD", true);
    TLCurrency* eur = currency("EUR");
    rate(eur, usd, "1.30");
    db().save();
    auto gate = std::make_unique<std::promise<void>>();
    std::shared_future<void> open = gate->get_future().share();
    test::LocalHttpServer slow([open](const std::string& target) {
        open.wait();
        return quoteAnswer(target, kRates);
    });
    // Declared after the server, so gone before it: a failing test never
    // leaves the server waiting (a dropped promise ends the wait).
    std::unique_ptr<std::promise<void>> release = std::move(gate);
    center().setQuoteServiceURL(slow.baseURL());
    int before = notifications_;
    center().downloadRatesOfActiveCurrencies();
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return !slow.targets().empty(); }, 30));
    db().reloadData();
    release->set_value();
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return notifications_ > before; }, 30));
    EXPECT_EQ(records(), "EUR>USD 1.3245 auto\nUSD>EUR 0.755 auto\n");
}

// Runs are neither merged nor cancelled: two at once are both announced.
TEST_F(RateDownloadTest, OverlappingRunsAreEachAnnounced) {
    currency("USD", true);
    currency("EUR");
    test::LocalHttpServer server([](const std::string& target) { return quoteAnswer(target, kRates); });
    center().setQuoteServiceURL(server.baseURL());
    center().downloadRatesOfActiveCurrencies();
    center().downloadRatesOfActiveCurrencies();
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return notifications_ == 2; }, 30));
    EXPECT_FALSE(center().isDownloading());
    EXPECT_EQ(server.targets().size(), 2u);
    EXPECT_EQ(records(), "EUR>USD 1.3245 auto\nUSD>EUR 0.755 auto\n");
}

// A center that goes (tests reset it; the process ends) stops its runs at
// once and is never called back.
TEST_F(RateDownloadTest, ACenterThatGoesIsNeverCalledBack) {
    currency("USD", true);
    currency("EUR");
    test::LocalHttpServer server([](const std::string&) { return Answer{Answer::Kind::Hang}; });
    center().setQuoteServiceURL(server.baseURL());
    center().setQuoteServiceTimeout(600);
    center().downloadRatesOfActiveCurrencies();
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return !server.targets().empty(); }, 30));
    TLCurrencyCenter::resetSharedCenter();  // returns once the run has stopped
    RunLoop::main().runPending();
    EXPECT_EQ(notifications_, 0);
    EXPECT_FALSE(center().updateDate());
    EXPECT_FALSE(center().isDownloading());
}

}  // namespace
}  // namespace tallo
