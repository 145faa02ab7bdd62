#include "Classes/shell/TLGlobal.h"

#include <memory>

#include "Classes/budgets/TLBudgetState.h"
#include "Classes/currencies/TLCurrency.h"
#include "Classes/currencies/TLCurrencyCenter.h"
#include "Classes/ledger/TLAccount.h"
#include "Classes/ledger/TLCategory.h"
#include "Classes/ledger/TLTransactionSettings.h"
#include "Classes/schedules/TLScheduler.h"
#include "Classes/schedules/TLSchedulerCalendar.h"
#include "Classes/shell/TLDatePicker.h"
#include "Classes/shell/TLPicker.h"
#include "Classes/store/TLDatabase.h"
#include "Platform/foundation/SharedInstance.h"
#include "Platform/ui/Application.h"
#include "Platform/ui/TabBarController.h"
#include "Platform/foundation/UserDefaults.h"

namespace tallo {

namespace {

SharedInstance<TLGlobal> gShared;

constexpr const char* kDefaultCurrencyCodeKey = "default_currency_code";
constexpr const char* kNotFirstTimeKey = "not_first_time";
constexpr const char* kUseCategoryKey = "use_category";
constexpr const char* kUsePayeeKey = "use_payee";

}  // namespace

TLGlobal& TLGlobal::sharedGlobal() {
    return gShared.get([] { return new TLGlobal(); });
}

void TLGlobal::resetSharedGlobal() {
    gShared.reset();
    TLBudgetState::reset();
}

TLGlobal::TLGlobal()
    : datePicker_(std::make_unique<TLDatePicker>(Rect{0, 200, 320, 400})), picker_(std::make_unique<TLPicker>(Rect{0, 200, 320, 400})) {
    updateFormatterCurrencyCode();
}

TLGlobal::~TLGlobal() = default;

View& TLGlobal::rootView() { return Application::sharedApplication().rootView(); }

void TLGlobal::updateFormatterCurrencyCode() {
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    std::optional<std::string> code = defaults.stringValue(kDefaultCurrencyCodeKey);
    if (!code) {
        code = "USD";
        defaults.setString(kDefaultCurrencyCodeKey, *code);
    }
    formatterCode_ = *code;
    formatter_.currencyStringFromCode(formatterCode_);
}

std::string TLGlobal::currencyStringFromNumber(const Decimal& number, const std::string& code) {
    return formatter_.currencyStringFromNumber(number, code);
}

std::string TLGlobal::currencyStringFromNumber(const Decimal& number) {
    TLCurrency* currency = defaultCurrency();
    std::string code = currency != nullptr && currency->code() ? *currency->code() : formatterCode_;
    return formatter_.currencyStringFromNumber(number, code);
}

std::string TLGlobal::currencyStringFromCode(const std::string& code) { return formatter_.currencyStringFromCode(code); }

Decimal TLGlobal::decimalNumberFromCurrencyString(std::string_view text, const std::string& code) {
    return formatter_.decimalNumberFromCurrencyString(text, code);
}

int TLGlobal::scaleFromCurrencyCode(const std::string& code) { return formatter_.scaleFromCurrencyCode(code); }

TLCurrency* TLGlobal::defaultCurrency() { return TLCurrencyCenter::sharedCenter().defaultCurrency(); }

void TLGlobal::setDefaultCurrency(TLCurrency* currency) { TLCurrencyCenter::sharedCenter().setDefaultCurrency(currency); }

TLCurrency* TLGlobal::getDefaultCurrency() { return TLCurrencyCenter::sharedCenter().getDefaultCurrency(); }

TLCurrency* TLGlobal::getCurrencyByCode(const std::string& code) {
    return TLCurrencyCenter::sharedCenter().getCurrencyByCode(code);
}

TLRateRecord* TLGlobal::getRateRecordFrom(TLCurrency* from, TLCurrency* to) {
    if (from == nullptr || to == nullptr || !from->code() || !to->code()) return nullptr;
    return TLCurrencyCenter::sharedCenter().getRateRecordFrom(from, to);
}

const std::map<std::string, Decimal>& TLGlobal::ratesToDefaultCurrency() {
    return TLCurrencyCenter::sharedCenter().ratesToDefaultCurrencyCache();
}

void TLGlobal::clearRatesCache() { TLCurrencyCenter::sharedCenter().clearRatesCache(); }

std::optional<Date> TLGlobal::lastUpdatedCurrencyDate() const { return TLCurrencyCenter::sharedCenter().updateDate(); }

bool TLGlobal::isConnection() const { return TLCurrencyCenter::sharedCenter().isConnection(); }

void TLGlobal::createDefaultCurrenciesIfNeeded() { TLCurrencyCenter::sharedCenter().createDefaultCurrenciesIfNeeded(); }

void TLGlobal::createDefaultCategoriesIfNeeded() { TLCategory::createDefaultCategoriesIfNeeded(); }

TLAccount* TLGlobal::getOtherAccountToAccount(const TLAccount* account) {
    std::vector<TLAccount*> accounts = TLAccount::getAccounts();
    if (accounts.size() != 2 || account == nullptr) return nullptr;
    // The other of the two listed accounts: an account never listed
    // (TLAccountType::NeverListed) is no side of a transfer, so it is not
    // searched among.
    for (TLAccount* other : accounts) {
        if (other->uuid() != account->uuid()) return other;
    }
    return nullptr;
}

void TLGlobal::readUserDefaults() {
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    if (!defaults.boolForKey(kNotFirstTimeKey)) {
        defaults.setBool(kNotFirstTimeKey, true);
        defaults.setBool(kUseCategoryKey, true);
    }
    TLTransactionSettings::setUsePayee(defaults.boolForKey(kUsePayeeKey));
    TLTransactionSettings::setUseCategory(defaults.boolForKey(kUseCategoryKey));
}

bool TLGlobal::useCategory() const { return TLTransactionSettings::useCategory(); }

bool TLGlobal::usePayee() const { return TLTransactionSettings::usePayee(); }

// Budgets
uint32_t TLGlobal::currentMonthID() const { return TLBudgetState::currentMonthID(); }
uint32_t TLGlobal::activeMonthID() const { return TLBudgetState::activeMonthID(); }
void TLGlobal::setActiveMonthID(uint32_t monthID) { TLBudgetState::setActiveMonthID(monthID); }
TLBudgetRecord* TLGlobal::expenseRecord() { return TLBudgetState::expenseRecord(); }
void TLGlobal::setExpenseRecord(TLBudgetRecord* record) { TLBudgetState::setExpenseRecord(record); }
TLBudgetRecord* TLGlobal::incomeRecord() { return TLBudgetState::incomeRecord(); }
void TLGlobal::setIncomeRecord(TLBudgetRecord* record) { TLBudgetState::setIncomeRecord(record); }
TLBudgetRecord* TLGlobal::category(const TLCategory* category, const std::vector<TLBudgetRecord*>& alreadyInSet,
                                   int withType) {
    return TLBudgetState::category(category, alreadyInSet, withType);
}
void TLGlobal::mergeBudgets() { TLBudgetState::mergeBudgets(); }


// Schedules
void TLGlobal::updateSchedulers() {
    int unpaid = TLScheduler::updateSchedulers();
    applicationIconBadgeNumber_ = unpaid;
    schedulerBadgeValue_ = unpaid > 0 ? std::to_string(unpaid) : "";
    // The badges follow at once: the page's title and icon, and the
    // scheduler tab (index 2) of the launched tab bar.
    Application::sharedApplication().setApplicationIconBadgeNumber(unpaid);
    if (tabBarController_ != nullptr && tabBarController_->viewControllers().size() > 2) {
        tabBarController_->viewControllers()[2]->tabBarItem().badgeValue = schedulerBadgeValue_;
    }
}

EventStore& TLGlobal::eventStore() { return TLSchedulerCalendar::eventStore(); }

}  // namespace tallo
