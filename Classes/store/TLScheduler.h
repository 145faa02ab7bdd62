#pragma once
// TLScheduler: a scheduled (recurring) transaction.

#include "Classes/store/TLSchedulerAcc.h"

namespace tallo {

class TLScheduler : public TLSchedulerAcc {
protected:
    // Created now, next due now, with a new identifier.
    void awakeFromInsert() override;
};

}  // namespace tallo
