#pragma once
// TLBudgetRecordCustom: a budget limit for one month, or from a month on.

#include "Classes/store/TLBudgetRecordCustomAcc.h"

namespace tallo {

class TLBudgetRecordCustom : public TLBudgetRecordCustomAcc {
};

}  // namespace tallo
