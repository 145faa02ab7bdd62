#pragma once
// A fresh book for each budget test: the ledger fixture (empty store, fresh
// defaults, currency helpers), the budget state forgotten, the clock standing
// on 15 March 2011 12:00 in New York, and helpers that enter budgets, records
// and month limits the way the budget screens do.

#include <optional>

#include "Classes/budgets/TLBudget.h"
#include "Classes/budgets/TLBudgetRecord.h"
#include "Classes/budgets/TLBudgetRecordCustom.h"
#include "Classes/budgets/TLBudgetState.h"
#include "Classes/values/TLMonthID.h"
#include "Classes/values/TLTimeInterval.h"
#include "tests/support/LedgerTestSupport.h"

namespace tallo::test {

class BudgetTest : public LedgerTest {
protected:
    static constexpr uint32_t kMarch2011 = 2011 * 12 + 2;  // 24134

    BudgetTest() : clock_(localDate(2011, 3, 15, 12)) { TLBudgetState::reset(); }
    ~BudgetTest() override { TLBudgetState::reset(); }

    TLBudget* budget(int type = TLBudgetType::Monthly) {
        auto* b = create<TLBudget>();
        b->setType(type);
        return b;
    }
    // A record of `in` for `category` (nothing: a section total).
    TLBudgetRecord* record(TLBudget* in, TLCategory* category, int type = TLBudgetRecordType::Expense,
                           const char* ownLimit = nullptr) {
        auto* r = create<TLBudgetRecord>();
        r->setBudget(in);
        r->setCategory(category);
        r->setType(type);
        if (ownLimit != nullptr) r->setLimit(D(ownLimit));
        return r;
    }
    // A month limit entered on the budget screen for `month`.
    TLBudgetRecordCustom* limit(TLBudgetRecord* of, uint32_t month, const char* value, bool global = true) {
        auto* custom = create<TLBudgetRecordCustom>();
        custom->setRecord(of);
        custom->setMonth(month);
        custom->setLimit(D(value));
        custom->setGlobal(global);
        return custom;
    }
    // The calendar month as the budget screen shows it.
    static TLTimeInterval month(uint32_t year, uint32_t monthNumber) {
        TLTimeInterval interval;
        interval.setMonthIntervalFromYear(year, monthNumber);
        return interval;
    }
    // A transaction entered by the ledger helper, then dated.
    TLTransaction* dated(TLTransaction* t, Date when) {
        t->setTransactionDate(when);
        return t;
    }
    static std::string text(const std::optional<Decimal>& value) { return value ? value->toString() : "nil"; }

    ScopedClock clock_;
};

}  // namespace tallo::test
