#pragma once
// TLSecurity: a stock or fund of investment transactions.

#include "Classes/store/TLSecurityAcc.h"

namespace tallo {

class TLSecurity : public TLSecurityAcc {
protected:
    void awakeFromInsert() override;
};

}  // namespace tallo
