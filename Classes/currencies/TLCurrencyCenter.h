#pragma once
// TLCurrencyCenter: the currency service. It seeds the currency list of a new
// store, finds currencies by code, keeps the default currency and the rates
// to it cached, finds or makes the rate record of a pair, formats amounts
// with the shared currency formatter, and downloads the automatic rates.
// Main thread only.
//
// The download: downloadRatesOfActiveCurrencies takes the codes of all
// currencies on the main thread and queues a run on an operation queue of its
// own (runs may overlap; none is merged or cancelled). The run asks the quote
// service for every ordered pair (TLQuoteQuery) on the queue's worker, which
// touches no stored object; each answer comes back to the main run loop,
// where it sets isConnection and is stored by parseAndUpdateRatesFromCSV.
// Then the main loop records the time ("lastUpdatedCurrencyDate") and posts
// "ratesDownloaded" (object: the center) — after every run, whatever came
// back. Downloaded values reach conversions once the rates cache is cleared.
//
// Conversions always multiply: an amount in `from` times the record's
// oneFromInTo is the amount in `to`. The record of a pair is its own; the
// other direction is another record, never derived from this one.
//
// The caches belong to the store they were read from: when the store is
// reloaded they are cleared (TLDatabase's reload hook), and a cache whose
// store is gone is never used.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Classes/values/TLCurrencyFormatter.h"
#include "Platform/foundation/Date.h"
#include "Platform/foundation/Decimal.h"
#include "Platform/foundation/OperationQueue.h"

namespace tallo {

class TLCurrency;
class TLRateRecord;

class TLCurrencyCenter {
public:
    static TLCurrencyCenter& sharedCenter();
    // Tests only: forgets the shared center.
    static void resetSharedCenter();

    // When the store has no currency: the locale's currency (order 0, the
    // default), titled from the currency list when the list has it, then the
    // first three currencies of the list other than it (orders 1 to 3 by
    // their line). Nothing when the store already has currencies.
    void createDefaultCurrenciesIfNeeded();

    TLCurrency* getCurrencyByCode(const std::string& code);
    // Fetched now ("default == YES"); nothing when there is no currency.
    TLCurrency* getDefaultCurrency();
    // Cached; read with getDefaultCurrency the first time.
    TLCurrency* defaultCurrency();
    void setDefaultCurrency(TLCurrency* currency);
    // The record of the pair, made (and saved with the next save) when
    // missing. Nothing, with the internal error "Currency codes can't be
    // nil!", when either currency has no code.
    TLRateRecord* getRateRecordFrom(TLCurrency* from, TLCurrency* to);
    // Code → oneFromInTo of every record into the default currency; cached.
    const std::map<std::string, Decimal>& ratesToDefaultCurrencyCache();
    // Drops the rates cache and reads the default currency again.
    void clearRatesCache();

    // Whether the last download request received data.
    bool isConnection() const { return isConnection_; }
    void setIsConnection(bool connected) { isConnection_ = connected; }
    // The time of the last download ("lastUpdatedCurrencyDate").
    std::optional<Date> updateDate() const;
    void setUpdateDate(Date date);

    // The quote service as scheme, host and port ("http://127.0.0.1:8080").
    // The application shell sets it from its --quote-service option; it is
    // stored nowhere. Without one every request of a run fails as with no
    // connection (isConnection NO), and the run still records its time and
    // posts "ratesDownloaded".
    void setQuoteServiceURL(std::string url) { quoteServiceURL_ = std::move(url); }
    const std::string& quoteServiceURL() const { return quoteServiceURL_; }
    // The most one request may take, connecting included; 10 seconds.
    void setQuoteServiceTimeout(double seconds) { quoteServiceTimeout_ = seconds; }
    double quoteServiceTimeout() const { return quoteServiceTimeout_; }

    // Starts a download run over the codes of all stored currencies and
    // returns at once.
    void downloadRatesOfActiveCurrencies();
    // Queues a run for `codes` on a new queue.
    void downloadRatesOfActiveCurrenciesOperation(std::vector<std::string> codes);
    // Stores one answer: for each quote whose two currencies exist, both
    // records of the pair are made when missing, and the forward one takes
    // the value when it is automatic (a rate typed by hand is never
    // overwritten). Nothing, or an answer without a usable line, changes
    // nothing. Lines that are broken, name an unknown currency or carry no
    // positive number are skipped. Does not save: the next save of the
    // screens does, so a half-made edit is never saved with the rates.
    void parseAndUpdateRatesFromCSV(const std::optional<std::string>& text);
    void notificationRatesDownloaded();
    // Whether a run has been queued and has not yet posted its notification.
    bool isDownloading() const { return !runs_.empty(); }

    // Formatting with the shared formatter.
    std::string currencyStringFromNumber(const Decimal& number, const std::string& code);
    // In the default currency (the locale's currency when there is none).
    std::string currencyStringFromNumber(const Decimal& number);
    std::string currencyStringFromCode(const std::string& code);
    Decimal decimalNumberFromCurrencyString(std::string_view text, const std::string& code);
    int scaleFromCurrencyCode(const std::string& code);
    NumberFormatter& currencyFormatter() { return formatter_.currencyFormatter(); }

    ~TLCurrencyCenter();
    TLCurrencyCenter(const TLCurrencyCenter&) = delete;
    TLCurrencyCenter& operator=(const TLCurrencyCenter&) = delete;

private:
    // What the worker of one run gets: plain values, nothing of the store.
    struct DownloadRun {
        uint64_t id = 0;
        std::vector<std::string> codes;
        std::string service;
        double timeout = 10;
        TLCurrencyCenter* center = nullptr;  // touched only on the main thread,
        std::weak_ptr<void> centerAlive;     // and only while this is alive
    };

    TLCurrencyCenter();
    // Drops the caches when they belong to a store that is gone.
    void checkStore();
    // The run, on the worker.
    static void downloadRatesOfCurrenciesArray(const DownloadRun& run, const OperationQueue::Operation& operation);
    // One request, on the worker: the answer, or nothing.
    static std::optional<std::string> downloadCurrencyRatesFrom(const std::string& url, const DownloadRun& run,
                                                                const OperationQueue::Operation& operation);
    // Main thread, last step of a run.
    void finishRun(uint64_t id, Date finished);

    TLCurrencyFormatter formatter_;
    TLCurrency* defaultCurrency_ = nullptr;
    bool defaultCurrencyRead_ = false;
    std::optional<std::map<std::string, Decimal>> ratesCache_;
    std::weak_ptr<void> store_;  // the context the caches were read from
    bool isConnection_ = false;

    std::string quoteServiceURL_;
    double quoteServiceTimeout_ = 10;
    uint64_t nextRun_ = 1;
    std::shared_ptr<void> alive_ = std::make_shared<int>(0);
    // Declared last, so destroyed first: each queue cancels its run and
    // waits for it before the rest of the center goes.
    std::map<uint64_t, std::unique_ptr<OperationQueue>> runs_;
};

}  // namespace tallo
