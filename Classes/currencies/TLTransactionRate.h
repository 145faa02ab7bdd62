#pragma once
// TLTransactionRate: the exchange rate frozen on one transaction or schedule.

#include "Classes/store/TLTransactionRateAcc.h"

namespace tallo {

class TLTransactionRate : public TLTransactionRateAcc {
protected:
    void awakeFromInsert() override;
};

}  // namespace tallo
