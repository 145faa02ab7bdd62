#include "Classes/budgets/TLBudget.h"

#include <string>

#include "Classes/budgets/TLBudgetActivity.h"
#include "Classes/budgets/TLBudgetRecord.h"
#include "Classes/currencies/TLCurrency.h"
#include "Classes/currencies/TLCurrencyCenter.h"
#include "Classes/currencies/TLTransactionRate.h"
#include "Classes/ledger/TLAccount.h"
#include "Classes/ledger/TLCategory.h"
#include "Classes/ledger/TLSplit.h"
#include "Classes/ledger/TLTransaction.h"
#include "Classes/store/TLDatabase.h"
#include "Classes/values/CVDates.h"
#include "Classes/values/TLDecNumHand2Places.h"
#include "Platform/foundation/Calendar.h"
#include "Platform/foundation/Clock.h"
#include "Platform/foundation/InternalError.h"

namespace tallo {

namespace {

// Multiplies `amount` by the cached rate of `currency` to the default
// currency, when there is one and it is not zero.
Decimal ratedToDefaultCurrency(const Decimal& amount, const TLCurrency* currency) {
    if (currency == nullptr) return amount;
    std::optional<std::string> code = currency->code();
    if (!code) return amount;
    const auto& rates = TLCurrencyCenter::sharedCenter().ratesToDefaultCurrencyCache();
    auto found = rates.find(*code);
    if (found == rates.end() || found->second.floatValue() == 0) return amount;
    return amount * found->second;
}

// A split's magnitude in the default currency. An amount entered in the
// default currency is taken as it is, even when its account is in another
// currency: converting it there and back (a dollar transfer received in a
// euro account) would only lose exactness, and the category totals take it
// as it is too. Otherwise a transaction whose account is in another currency
// has a frozen rate to that currency; the amount goes through it into the
// account's currency and from there into the default one. Without a frozen
// rate the transaction's own currency is converted.
Decimal amountInDefaultCurrency(const TLSplit* split, const TLCurrency* defaultCurrency) {
    Decimal amount = split->amount().value_or(Decimal::zero());
    const TLTransaction* owner = split->transaction();
    if (owner->currency() == defaultCurrency) return amount;
    TLTransactionRate* toAccount = owner->getRateToAccount();
    if (toAccount == nullptr) return ratedToDefaultCurrency(amount, owner->currency());
    if (std::optional<Decimal> rate = toAccount->rate()) amount = amount * *rate;
    const TLAccount* account = owner->account();
    return ratedToDefaultCurrency(amount, account != nullptr ? account->currency() : nullptr);
}

}  // namespace

std::string TLBudget::generateUniqueID() const { return "budget"; }

void TLBudget::awakeFromInsert() { setUuid(generateUniqueID()); }

std::optional<Date> TLBudget::getStartDate() const {
    int budgetType = type().value_or(TLBudgetType::Monthly);
    if (budgetType == TLBudgetType::FixedPeriod) return startDate();
    Calendar calendar = Calendar::current();
    DateComponents start = calendar.components(kCalendarUnitYear | kCalendarUnitMonth | kCalendarUnitDay,
                                               CVDates::firstDayOfMonthDate(Clock::now()));
    if (std::optional<Date> stored = startDate()) {
        start.day = CVDates::componentFromDate(*stored, kCalendarUnitDay);
        if (budgetType == TLBudgetType::Yearly) start.month = CVDates::componentFromDate(*stored, kCalendarUnitMonth);
    }
    return calendar.dateFromComponents(start);
}

float TLBudget::getTodayPercentage() const {
    Date now = Clock::now();
    Date first = CVDates::firstDayOfMonthDate(now);
    double elapsed = now.timeIntervalSinceDate(first);
    double span = CVDates::lastDayOfMonthDate(now).timeIntervalSinceDate(first);
    if (elapsed <= 0 || span <= 0) return 0;
    return static_cast<float>(elapsed / span);
}

Decimal TLBudget::getTotalAmountForCategory(const TLCategory* category, const TLTimeInterval& withInterval,
                                            int recordsType) const {
    // The category's own splits booked within the interval (nothing: the
    // uncategorised ones), from the interval's gathered activity.
    TLCurrency* defaultCurrency = TLCurrencyCenter::sharedCenter().defaultCurrency();
    bool outflow = recordsType == TLBudgetRecordType::Expense;
    Decimal sum = Decimal::zero();
    for (const TLSplit* split : TLBudgetActivity::of(withInterval).splitsOf(category)) {
        if (split->transaction()->isNegative() == outflow) sum = sum + amountInDefaultCurrency(split, defaultCurrency);
    }
    return sum.round(TLDecNumHand2Places::sharedInstance());
}

float TLBudget::getLimitRateForFilterInterval(const TLTimeInterval& interval) const {
    int budgetType = type().value_or(TLBudgetType::Monthly);
    if (budgetType == TLBudgetType::FixedPeriod) {
        if (!startDate() || !endDate()) return 0;
        TLTimeInterval period;
        period.setStartDate(*startDate());
        period.setEndDate(endDate());
        int32_t length = period.inSeconds();
        if (length <= 0) return 0;
        return static_cast<float>(static_cast<double>(period.intersectionWithInterval(interval).inSeconds()) / length);
    }
    TLTimeInterval period;
    period.setStartDate(*getStartDate());
    period.setType(budgetType == TLBudgetType::Yearly ? TLIntervalType::CalendarYear : TLIntervalType::CalendarMonth);
    int32_t length = period.inSeconds();
    if (length <= 0) return 0;
    return static_cast<float>(static_cast<double>(interval.inSeconds()) / length);
}

std::vector<TLCategory*> TLBudget::fetchUnbudgetedActiveCategoriesWithTimeInterval(const TLTimeInterval& interval,
                                                                                   int budgetRecordsType) const {
    // Every category, by name, with a split of this direction booked within
    // the interval and no budget record of this type. Income is every split
    // that is not an outflow, as in getTotalAmountForCategory, so the two
    // never disagree on a split.
    bool outflow = budgetRecordsType == TLBudgetRecordType::Expense;
    int wantedType = outflow ? TLBudgetRecordType::Expense : TLBudgetRecordType::Income;
    const TLBudgetActivity& activity = TLBudgetActivity::of(interval);
    std::vector<TLCategory*> categories;
    for (ManagedObject* object : TLDatabase::sharedDatabase().fetchEntityCustom("Category", nullptr, {{"name", true}})) {
        auto* category = static_cast<TLCategory*>(object);
        bool budgeted = false;
        for (TLBudgetRecord* record : category->budgetRecords()) {
            budgeted = budgeted || record->type().value_or(TLBudgetRecordType::Expense) == wantedType;
        }
        if (budgeted) continue;
        for (const TLSplit* split : activity.splitsOf(category)) {
            if (split->transaction()->isNegative() == outflow) {
                categories.push_back(category);
                break;
            }
        }
    }
    return categories;
}

}  // namespace tallo
