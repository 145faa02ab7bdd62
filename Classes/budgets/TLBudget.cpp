#include "Classes/budgets/TLBudget.h"

#include <string>

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

// TLTimeInterval types the budget periods are measured in.
constexpr int32_t kCalendarMonthInterval = 8;
constexpr int32_t kCalendarYearInterval = 13;

// The sign rule of TLTransaction::isNegative, written out for predicates over
// splits ($s): expense, investment buy, or the sending side of a transfer.
constexpr const char* kOutflowTest =
    "(($s.transaction.type == 0) OR ($s.transaction.type == 4) OR "
    "(($s.transaction.type == 2) AND ($s.transaction.transferPrimary == 1)))";

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

// The fixed predicates of this class always parse; a failure is a broken
// build, reported rather than answered with a fetch of everything.
std::shared_ptr<const Predicate> parsed(std::string_view format, const std::vector<Value>& arguments) {
    std::string error;
    auto predicate = Predicate::parse(format, arguments, &error);
    if (!predicate) InternalError::report("bad budget predicate: " + error);
    return predicate;
}

}  // namespace

std::string TLBudget::generateUniqueID() const { return "budget"; }

void TLBudget::awakeFromInsert() { setUuid(generateUniqueID()); }

std::optional<Date> TLBudget::getStartDate() const {
    int budgetType = type().value_or(kMonthly);
    if (budgetType == kFixedPeriod) return startDate();
    Calendar calendar = Calendar::current();
    DateComponents start = calendar.components(kCalendarUnitYear | kCalendarUnitMonth | kCalendarUnitDay,
                                               CVDates::firstDayOfMonthDate(Clock::now()));
    if (std::optional<Date> stored = startDate()) {
        start.day = CVDates::componentFromDate(*stored, kCalendarUnitDay);
        if (budgetType == kYearly) start.month = CVDates::componentFromDate(*stored, kCalendarUnitMonth);
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
    auto predicate = parsed("(transaction.transactionDate BETWEEN {%@, %@}) && (category == %@) && (bill == nil)",
                            {Value(withInterval.startDate()), Value(withInterval.endDate()),
                             Value(static_cast<ManagedObject*>(const_cast<TLCategory*>(category)))});
    if (!predicate) return Decimal::zero();
    TLDatabase& db = TLDatabase::sharedDatabase();
    TLCurrency* defaultCurrency = TLCurrencyCenter::sharedCenter().defaultCurrency();
    bool outflow = recordsType == TLBudgetRecord::kExpense;
    Decimal sum = Decimal::zero();
    for (ManagedObject* object : db.fetchEntityCustom("Split", predicate)) {
        auto* split = static_cast<TLSplit*>(object);
        if (split->transaction() == nullptr || split->transaction()->isNegative() != outflow) continue;
        sum = sum + amountInDefaultCurrency(split, defaultCurrency);
    }
    return sum.round(TLDecNumHand2Places::sharedInstance());
}

float TLBudget::getLimitRateForFilterInterval(const TLTimeInterval& interval) const {
    int budgetType = type().value_or(kMonthly);
    if (budgetType == kFixedPeriod) {
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
    period.setType(budgetType == kYearly ? kCalendarYearInterval : kCalendarMonthInterval);
    int32_t length = period.inSeconds();
    if (length <= 0) return 0;
    return static_cast<float>(static_cast<double>(interval.inSeconds()) / length);
}

std::vector<TLCategory*> TLBudget::fetchUnbudgetedActiveCategoriesWithTimeInterval(const TLTimeInterval& interval,
                                                                                   int budgetRecordsType) const {
    // Income is every split that is not an outflow, as in
    // getTotalAmountForCategory, so the two never disagree on a split.
    bool outflow = budgetRecordsType == TLBudgetRecord::kExpense;
    std::string format = std::string("(SUBQUERY(splits, $s, $s.transaction.transactionDate BETWEEN {%@, %@} AND ") +
                         (outflow ? "" : "NOT ") + kOutflowTest +
                         " ).@count > 0) AND ((budgetRecords.@count == 0) || (0 == SUBQUERY(budgetRecords, $sub, "
                         "$sub.type == " +
                         (outflow ? "0" : "1") + ").@count))";
    auto predicate = parsed(format, {Value(interval.startDate()), Value(interval.endDate())});
    if (!predicate) return {};
    std::vector<TLCategory*> categories;
    for (ManagedObject* object : TLDatabase::sharedDatabase().fetchEntityCustom("Category", predicate, {{"name", true}})) {
        categories.push_back(static_cast<TLCategory*>(object));
    }
    return categories;
}

}  // namespace tallo
