#pragma once
// TLBudget: the one monthly budget, and the two questions the budget screens
// ask of it — how much went out of (or came into) a category during an
// interval, and which share of the budget's own period an interval is. Every
// budget carries the identifier "budget", so a budget made on the device is
// already the merged budget's identity (TLBudgetState::mergeBudgets folds the
// others into it at launch).
//
// Amounts are never filtered by account: the budget's `accounts` and `limit`
// take no part in any answer here.

#include <optional>
#include <vector>

#include "Classes/store/TLBudgetAcc.h"
#include "Classes/store/TLBudgetRecordType.h"
#include "Classes/store/TLBudgetType.h"
#include "Classes/values/TLTimeInterval.h"
#include "Platform/foundation/Date.h"
#include "Platform/foundation/Decimal.h"

namespace tallo {

class TLCategory;

class TLBudget : public TLBudgetAcc {
public:
    std::string generateUniqueID() const override;

    // The start of the budget period that contains today. Monthly: this
    // month on startDate's day number; yearly: also in startDate's month;
    // fixed period: startDate itself (nothing when it has none). A day
    // beyond the month's end runs on into the next month (day 31 in
    // February 2011 is 3 March). Without a startDate a monthly or yearly
    // period starts on day 1 of the month. Other types count as monthly.
    std::optional<Date> getStartDate() const;

    // The share of the current calendar month that has passed, measured to
    // 23:59:59 of its last day: 0 at its first instant, just over 0.5 at
    // 00:00 on 16 April (15 of the 30 days), never below 0. The budget's
    // type takes no part.
    float getTodayPercentage() const;

    // What went out of (recordsType TLBudgetRecordType::Expense) or came into
    // (any other type) the category during the interval, both ends included,
    // in the default currency, rounded up to 2 places: the magnitudes of its
    // splits whose transaction is negative (expense, investment buy, sending
    // side of a transfer) for Expense, and of the others for income. Nothing for the
    // category means the uncategorised splits. Splits of schedules never
    // count. A split in the default currency counts as entered, whatever its
    // account's currency. Another is converted with its transaction's frozen
    // rate to the account and then the account currency's rate to the
    // default currency (2 £ at 1.3 € a pound in a euro account, at 1.1 $ a
    // euro: 2.86 $), or, without a frozen rate, with its own currency's rate
    // to the default; a missing or zero rate leaves the amount as it is.
    Decimal getTotalAmountForCategory(const TLCategory* category, const TLTimeInterval& withInterval,
                                      int recordsType) const;

    // The share of the budget's own period that lies in `interval`, measured
    // in whole seconds. Monthly: the interval's length over the length of
    // the calendar month that holds getStartDate; yearly: over that of its
    // calendar year (a 31-day month of a 365-day year: 0.0849); fixed
    // period: the part of the period inside the interval over the period's
    // length, 0 for a period of no length or without both dates.
    float getLimitRateForFilterInterval(const TLTimeInterval& interval) const;

    // The categories with at least one split of the direction (Expense:
    // outflow, otherwise inflow) dated in the interval and no budget record
    // of that type, by name.
    std::vector<TLCategory*> fetchUnbudgetedActiveCategoriesWithTimeInterval(const TLTimeInterval& interval,
                                                                             int budgetRecordsType) const;

protected:
    void awakeFromInsert() override;
};

}  // namespace tallo
