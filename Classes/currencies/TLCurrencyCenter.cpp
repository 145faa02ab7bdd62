#include "Classes/currencies/TLCurrencyCenter.h"

#include <fstream>
#include <sstream>

#include <cstdlib>

#include "Classes/currencies/TLCurrency.h"
#include "Classes/currencies/TLQuoteQuery.h"
#include "Classes/currencies/TLRateRecord.h"
#include "Classes/store/TLDatabase.h"
#include "Platform/foundation/Bundle.h"
#include "Platform/foundation/Clock.h"
#include "Platform/foundation/InternalError.h"
#include "Platform/foundation/Locale.h"
#include "Platform/foundation/NotificationCenter.h"
#include "Platform/foundation/SharedInstance.h"
#include "Platform/foundation/UserDefaults.h"
#include "Platform/foundation/WebRequest.h"

namespace tallo {

namespace {

SharedInstance<TLCurrencyCenter> gShared;

constexpr const char* kUpdateDateKey = "lastUpdatedCurrencyDate";
constexpr const char* kRatesDownloaded = "ratesDownloaded";
// An answer for 190 symbols is some 8 KB; far more is no quote answer.
constexpr size_t kMaximumAnswerBytes = 1024 * 1024;

struct ListLine {
    std::string code;
    std::string title;
};

// The currency list resource: one "CODE|Title (CODE)" a line. Lines without
// a "|" are skipped; a missing resource is an empty list.
std::vector<std::optional<ListLine>> readCurrencyList() {
    std::vector<std::optional<ListLine>> lines;
    auto path = Bundle::pathForResource("DTCL", "tclf");
    if (!path) return lines;
    std::ifstream in(*path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        auto bar = line.find('|');
        if (bar == std::string::npos) {
            lines.emplace_back(std::nullopt);
        } else {
            lines.emplace_back(ListLine{line.substr(0, bar), line.substr(bar + 1)});
        }
    }
    return lines;
}

TLCurrency* lastOf(const std::vector<ManagedObject*>& found) {
    return found.empty() ? nullptr : static_cast<TLCurrency*>(found.back());
}

}  // namespace

TLCurrencyCenter& TLCurrencyCenter::sharedCenter() {
    return gShared.get([] {
        // The main loop is made first, and the downloads are stopped at exit
        // before it goes, so no worker posts to a destroyed loop.
        RunLoop::main();
        static const bool stopsAtExit = std::atexit([] {
            if (TLCurrencyCenter* center = gShared.existing()) center->runs_.clear();
        }) == 0;
        (void)stopsAtExit;
        // A reloaded store has new objects: the caches must follow it.
        TLDatabase::sharedDatabase().addReloadHook([] {
            if (TLCurrencyCenter* center = gShared.existing()) center->clearRatesCache();
        });
        return new TLCurrencyCenter();
    });
}

void TLCurrencyCenter::resetSharedCenter() {
    gShared.reset();
}

TLCurrencyCenter::TLCurrencyCenter() = default;
TLCurrencyCenter::~TLCurrencyCenter() = default;

void TLCurrencyCenter::checkStore() {
    ManagedObjectContext* context = TLDatabase::sharedDatabase().context();
    std::shared_ptr<void> current = context != nullptr ? context->lifetimeToken() : nullptr;
    if (store_.lock() != current) {
        defaultCurrency_ = nullptr;
        defaultCurrencyRead_ = false;
        ratesCache_.reset();
        store_ = current;
    }
}

void TLCurrencyCenter::createDefaultCurrenciesIfNeeded() {
    TLDatabase& db = TLDatabase::sharedDatabase();
    SortDescriptor byTitle{"title", true, SortDescriptor::Comparison::CaseInsensitiveCompare};
    if (!db.fetchEntityCustom("Currency", nullptr, {byTitle}).empty()) return;

    std::string localeCode = NumberFormatter::currencyCodeForLocale(Locale::current());
    auto* local = static_cast<TLCurrency*>(db.createObjectForEntity("Currency"));
    if (local == nullptr) return;
    local->setCode(localeCode);
    local->setOrder(0);
    local->setDefault(true);

    std::vector<std::optional<ListLine>> lines = readCurrencyList();
    for (size_t i = 0; i < lines.size(); ++i) {
        if (!lines[i]) continue;
        if (lines[i]->code == localeCode) {
            local->setTitle(lines[i]->title);
        } else if (i <= 2) {
            auto* currency = static_cast<TLCurrency*>(db.createObjectForEntity("Currency"));
            currency->setCode(lines[i]->code);
            currency->setTitle(lines[i]->title);
            currency->setOrder(static_cast<int>(i) + 1);
        }
    }
}

TLCurrency* TLCurrencyCenter::getCurrencyByCode(const std::string& code) {
    auto predicate = Predicate::parse("code == %@", {Value(code)});
    return lastOf(TLDatabase::sharedDatabase().fetchEntityCustom("Currency", predicate));
}

TLCurrency* TLCurrencyCenter::getDefaultCurrency() {
    static const auto isDefault = Predicate::parse("default == YES");
    return lastOf(TLDatabase::sharedDatabase().fetchEntityCustom("Currency", isDefault));
}

TLCurrency* TLCurrencyCenter::defaultCurrency() {
    checkStore();
    if (!defaultCurrencyRead_) {
        defaultCurrency_ = getDefaultCurrency();
        defaultCurrencyRead_ = true;
    }
    return defaultCurrency_;
}

void TLCurrencyCenter::setDefaultCurrency(TLCurrency* currency) {
    checkStore();
    defaultCurrency_ = currency;
    defaultCurrencyRead_ = true;
}

TLRateRecord* TLCurrencyCenter::getRateRecordFrom(TLCurrency* from, TLCurrency* to) {
    if (from == nullptr || to == nullptr || !from->code() || !to->code()) {
        InternalError::report("Currency codes can't be nil!");
        return nullptr;
    }
    TLDatabase& db = TLDatabase::sharedDatabase();
    auto predicate = Predicate::parse("currFrom == %@ AND currTo == %@",
                                      {Value(static_cast<ManagedObject*>(from)), Value(static_cast<ManagedObject*>(to))});
    std::vector<ManagedObject*> found = db.fetchEntityCustom("RateRecord", predicate);
    if (!found.empty()) return static_cast<TLRateRecord*>(found.back());
    auto* record = static_cast<TLRateRecord*>(db.createObjectForEntity("RateRecord"));
    record->setCurrFrom(from);
    record->setCurrTo(to);
    return record;
}

const std::map<std::string, Decimal>& TLCurrencyCenter::ratesToDefaultCurrencyCache() {
    checkStore();
    if (ratesCache_) return *ratesCache_;
    ratesCache_.emplace();
    TLCurrency* target = defaultCurrency();
    if (target == nullptr) return *ratesCache_;
    auto predicate = Predicate::parse("currTo == %@ && currFrom != NULL", {Value(static_cast<ManagedObject*>(target))});
    for (ManagedObject* object : TLDatabase::sharedDatabase().fetchEntityCustom("RateRecord", predicate)) {
        auto* record = static_cast<TLRateRecord*>(object);
        std::optional<std::string> code = record->currFrom()->code();
        std::optional<Decimal> rate = record->oneFromInTo();
        if (code && rate) (*ratesCache_)[*code] = *rate;
    }
    return *ratesCache_;
}

void TLCurrencyCenter::clearRatesCache() {
    ratesCache_.reset();
    store_.reset();
    defaultCurrencyRead_ = false;
    setDefaultCurrency(getDefaultCurrency());
}

std::optional<Date> TLCurrencyCenter::updateDate() const {
    return UserDefaults::standardUserDefaults().dateValue(kUpdateDateKey);
}

void TLCurrencyCenter::setUpdateDate(Date date) { UserDefaults::standardUserDefaults().setDate(kUpdateDateKey, date); }

void TLCurrencyCenter::downloadRatesOfActiveCurrencies() {
    std::vector<std::string> codes;
    for (ManagedObject* object : TLDatabase::sharedDatabase().getAllObjectsWithEntityName("Currency")) {
        std::optional<std::string> code = static_cast<TLCurrency*>(object)->code();
        if (code) codes.push_back(*code);
    }
    downloadRatesOfActiveCurrenciesOperation(std::move(codes));
}

void TLCurrencyCenter::downloadRatesOfActiveCurrenciesOperation(std::vector<std::string> codes) {
    uint64_t id = nextRun_++;
    DownloadRun run{id, std::move(codes), quoteServiceURL_, quoteServiceTimeout_, this, alive_};
    OperationQueue& queue = *runs_.emplace(id, std::make_unique<OperationQueue>()).first->second;
    queue.addOperation([run = std::move(run)](const OperationQueue::Operation& operation) {
        downloadRatesOfCurrenciesArray(run, operation);
    });
}

// The worker only fetches. The connection flag and the run's time are set
// on the main loop with the answers, not here: the user defaults file is
// written on the main thread only, and the screens read both there.
void TLCurrencyCenter::downloadRatesOfCurrenciesArray(const DownloadRun& run, const OperationQueue::Operation& operation) {
    for (const std::string& batch : TLQuoteQuery::symbolBatches(run.codes)) {
        if (operation.isCancelled()) return;
        std::optional<std::string> text =
            downloadCurrencyRatesFrom(TLQuoteQuery::requestURL(run.service, batch), run, operation);
        operation.postToMain([center = run.center, alive = run.centerAlive, text = std::move(text)] {
            if (alive.expired()) return;
            // Each request overwrites the flag: it tells of the last one.
            center->setIsConnection(text.has_value());
            center->parseAndUpdateRatesFromCSV(text);
        });
    }
    operation.postToMain([center = run.center, alive = run.centerAlive, id = run.id, finished = Clock::now()] {
        if (!alive.expired()) center->finishRun(id, finished);
    });
}

std::optional<std::string> TLCurrencyCenter::downloadCurrencyRatesFrom(const std::string& url, const DownloadRun& run,
                                                                      const OperationQueue::Operation& operation) {
    if (run.service.empty()) return std::nullopt;
    WebRequest request;
    request.url = url;
    request.timeoutSeconds = run.timeout;
    request.ignoreCaches = true;
    request.maximumBodyBytes = kMaximumAnswerBytes;
    request.shouldCancel = [&operation] { return operation.isCancelled(); };
    WebResponse response = sendSynchronousRequest(request);
    // An empty answer is no answer.
    if (!response.body || response.body->empty()) return std::nullopt;
    return std::move(response.body);
}

void TLCurrencyCenter::finishRun(uint64_t id, Date finished) {
    setUpdateDate(finished);
    runs_.erase(id);  // the worker has posted its last task; this waits for it to return
    notificationRatesDownloaded();
}

void TLCurrencyCenter::parseAndUpdateRatesFromCSV(const std::optional<std::string>& text) {
    if (!text) return;
    for (const TLQuote& quote : TLQuoteQuery::parseAnswer(*text)) {
        // Looked up by code in the store as it is now: a store reloaded while
        // the request ran is written to, the dropped one is never touched.
        TLCurrency* from = getCurrencyByCode(quote.fromCode);
        TLCurrency* to = getCurrencyByCode(quote.toCode);
        if (from == nullptr || to == nullptr) continue;
        TLRateRecord* forward = getRateRecordFrom(from, to);
        // The reverse record gets its value from its own line.
        getRateRecordFrom(to, from);
        if (forward != nullptr && forward->automatic().value_or(false)) forward->setOneFromInTo(quote.oneFromInTo);
    }
}

void TLCurrencyCenter::notificationRatesDownloaded() {
    NotificationCenter::defaultCenter().postNotification(kRatesDownloaded, this);
}

std::string TLCurrencyCenter::currencyStringFromNumber(const Decimal& number, const std::string& code) {
    return formatter_.currencyStringFromNumber(number, code);
}

std::string TLCurrencyCenter::currencyStringFromNumber(const Decimal& number) {
    TLCurrency* currency = defaultCurrency();
    std::string code = currency != nullptr && currency->code() ? *currency->code()
                                                               : NumberFormatter::currencyCodeForLocale(Locale::current());
    return formatter_.currencyStringFromNumber(number, code);
}

std::string TLCurrencyCenter::currencyStringFromCode(const std::string& code) {
    return formatter_.currencyStringFromCode(code);
}

Decimal TLCurrencyCenter::decimalNumberFromCurrencyString(std::string_view text, const std::string& code) {
    return formatter_.decimalNumberFromCurrencyString(text, code);
}

int TLCurrencyCenter::scaleFromCurrencyCode(const std::string& code) { return formatter_.scaleFromCurrencyCode(code); }

}  // namespace tallo
