#pragma once
// TLBudgetRecord: the limits of one category, or of a whole section when it
// has no category, in one direction (TLBudgetRecordType: expense or income)
// of the budget.
// The limits themselves are month records (TLBudgetRecordCustom): a limit
// entered for a month holds for that month only, or — when global — for
// every month from it on until a later one overrides it. With limits for
// months 100 (global, 50), 103 (that month only, 80) and 105 (global, 60):
//
//   month   99   100  101  102  103  104  105  106 …
//   limit  none   50   50   50   80   50   60   60
//
// The record's own `limit` is an older form of the limit, read only by the
// launch merge. The active month is TLBudgetState's.

#include <cstdint>

#include "Classes/store/TLBudgetRecordAcc.h"
#include "Classes/store/TLBudgetRecordType.h"
#include "Platform/foundation/Decimal.h"

namespace tallo {

class TLBudgetRecordCustom;

class TLBudgetRecord : public TLBudgetRecordAcc {
public:
    // The month record that holds in `monthID`: the one entered for exactly
    // that month (global or not), else the latest global one before it;
    // nothing when none holds. A record without month records answers
    // nothing without asking the store.
    TLBudgetRecordCustom* getCustomLimitWithMonthID(uint32_t monthID) const;
    TLBudgetRecordCustom* getCustomLimitWithActiveMonth() const;
    // The limit that holds in the active month; zero when none does.
    Decimal getLimitWithActiveMonth() const;
    // A new month record for the active month, global, with no limit yet: the
    // caller sets the limit (and may make it hold for that month only).
    TLBudgetRecordCustom* createLimitForActiveMonth();
    // Deletes the global month records after the active month, so a limit
    // just entered as global holds from the active month on.
    void deleteGlobalCustomLimitsAfterActiveMonth();

protected:
    void awakeFromInsert() override;
};

}  // namespace tallo
