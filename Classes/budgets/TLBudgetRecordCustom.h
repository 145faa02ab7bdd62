#pragma once
// TLBudgetRecordCustom: a budget limit in the default currency for one month
// (a month ID), holding for that month only or, when global, from that month
// on until a later month record overrides it (see TLBudgetRecord).

#include "Classes/store/TLBudgetRecordCustomAcc.h"

namespace tallo {

class TLBudgetRecordCustom : public TLBudgetRecordCustomAcc {
};

}  // namespace tallo
