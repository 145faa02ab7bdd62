#pragma once
// TLGlobal: the shared state of the application — the shared amount
// formatter, the default currency and the rates to it, the transaction
// settings, the budget month — made on first use and kept for the process.
// Main thread only.
//
// The default currency and the rates cache are the currency center's own:
// clearing them here clears them there, and the other way round. The
// transaction settings live in TLTransactionSettings, where the ledger reads
// them; readUserDefaults fills them from the user defaults.

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

namespace tallo {

class EventStore;
class TabBarController;
class TLDatePicker;
class TLPicker;
class View;
class TLAccount;
class TLBudgetRecord;
class TLCategory;
class TLCurrency;
class TLRateRecord;
class TLTransaction;

class TLGlobal {
public:
    static TLGlobal& sharedGlobal();
    // Tests only: forgets the shared object.
    static void resetSharedGlobal();

    // The shared formatter, set to the code under "default_currency_code"
    // ("USD", written there, when absent).
    NumberFormatter& currencyFormatter() { return formatter_.currencyFormatter(); }
    void updateFormatterCurrencyCode();
    std::string currencyStringFromNumber(const Decimal& number, const std::string& code);
    // In the default currency's code (the formatter's code when there is none).
    std::string currencyStringFromNumber(const Decimal& number);
    std::string currencyStringFromCode(const std::string& code);
    Decimal decimalNumberFromCurrencyString(std::string_view text, const std::string& code);
    int scaleFromCurrencyCode(const std::string& code);

    // Currencies, as the currency center answers them.
    TLCurrency* defaultCurrency();
    void setDefaultCurrency(TLCurrency* currency);
    TLCurrency* getDefaultCurrency();
    TLCurrency* getCurrencyByCode(const std::string& code);
    // Nothing (and no complaint) when either currency has no code.
    TLRateRecord* getRateRecordFrom(TLCurrency* from, TLCurrency* to);
    const std::map<std::string, Decimal>& ratesToDefaultCurrency();
    void clearRatesCache();
    std::optional<Date> lastUpdatedCurrencyDate() const;
    bool isConnection() const;

    // Launch steps: the currency list of a new store, the default categories.
    void createDefaultCurrenciesIfNeeded();
    void createDefaultCategoriesIfNeeded();

    // With exactly two listed accounts, the one that is not `account`;
    // otherwise nothing.
    TLAccount* getOtherAccountToAccount(const TLAccount* account);

    // Transaction settings. On the first run "not_first_time" and
    // "use_category" become YES; then both settings are read.
    void readUserDefaults();
    bool useCategory() const;
    bool usePayee() const;

    // Budgets: the month shown by the budget screens, today's month, the
    // cached section-total records (expense, income), the record of a set
    // with a category and type, and the launch merge of all budgets into one
    // — TLBudgetState's, where the budget classes read them.
    uint32_t currentMonthID() const;
    uint32_t activeMonthID() const;
    void setActiveMonthID(uint32_t monthID);
    TLBudgetRecord* expenseRecord();
    void setExpenseRecord(TLBudgetRecord* record);
    TLBudgetRecord* incomeRecord();
    void setIncomeRecord(TLBudgetRecord* record);
    TLBudgetRecord* category(const TLCategory* category,
                                   const std::vector<TLBudgetRecord*>& alreadyInSet, int withType);
    void mergeBudgets();

    // Schedules: the launch and foreground pass (autopay, finished schedules
    // removed), after which the application badge holds the count of unpaid
    // schedules and the scheduler tab's badge the same count as text ("" when
    // none); both are set on the application and the tab bar at once.
    void updateSchedulers();
    int applicationIconBadgeNumber() const { return applicationIconBadgeNumber_; }
    const std::string& schedulerBadgeValue() const { return schedulerBadgeValue_; }
    // The calendar of the schedules' mirror events.
    EventStore& eventStore();
    // The temporary transaction through which a schedule is being edited.
    TLTransaction* schedulerTransaction() const { return schedulerTransaction_; }
    void setSchedulerTransaction(TLTransaction* transaction) { schedulerTransaction_ = transaction; }

    // Screens: while set, a list shown again skips re-selecting and
    // deselecting the row last tapped (it may be gone); the next pop clears it.
    bool shouldMissDeselect() const { return shouldMissDeselect_; }
    void setShouldMissDeselect(bool miss) { shouldMissDeselect_ = miss; }
    bool isUnlocked() const { return isUnlocked_; }
    void setIsUnlocked(bool unlocked) { isUnlocked_ = unlocked; }
    // The tab bar the launch shows (owned by the application's window).
    TabBarController* tabBarController() const { return tabBarController_; }
    void setTabBarController(TabBarController* tabs) { tabBarController_ = tabs; }
    // The view the shared pickers are laid over: the application's root view.
    View& rootView();
    // The shared pickers, made with the global and hidden at first.
    TLDatePicker& datePicker() { return *datePicker_; }
    TLPicker& picker() { return *picker_; }

    ~TLGlobal();

private:
    TLGlobal();

    TLCurrencyFormatter formatter_;
    std::string formatterCode_;
    int applicationIconBadgeNumber_ = 0;
    std::string schedulerBadgeValue_;
    TLTransaction* schedulerTransaction_ = nullptr;
    bool shouldMissDeselect_ = false;
    bool isUnlocked_ = false;
    TabBarController* tabBarController_ = nullptr;
    std::unique_ptr<TLDatePicker> datePicker_;
    std::unique_ptr<TLPicker> picker_;
};

}  // namespace tallo
