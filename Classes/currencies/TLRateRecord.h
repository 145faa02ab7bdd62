#pragma once
// TLRateRecord: how many units of one currency one unit of another is worth.

#include "Classes/store/TLRateRecordAcc.h"

namespace tallo {

class TLRateRecord : public TLRateRecordAcc {
protected:
    void awakeFromInsert() override;
};

}  // namespace tallo
