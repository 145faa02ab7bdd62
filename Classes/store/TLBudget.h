#pragma once
// TLBudget: the one monthly budget. Every budget carries the identifier "budget",
// so a budget made on the device is already the merged budget's identity.

#include "Classes/store/TLBudgetAcc.h"

namespace tallo {

class TLBudget : public TLBudgetAcc {
public:
    std::string generateUniqueID() const override;

protected:
    void awakeFromInsert() override;
};

}  // namespace tallo
