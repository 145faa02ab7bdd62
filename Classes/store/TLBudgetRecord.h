#pragma once
// TLBudgetRecord: the limit of one category (or a section total) in the budget.

#include "Classes/store/TLBudgetRecordAcc.h"

namespace tallo {

class TLBudgetRecord : public TLBudgetRecordAcc {
protected:
    void awakeFromInsert() override;
};

}  // namespace tallo
