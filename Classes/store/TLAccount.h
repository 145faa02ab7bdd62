#pragma once
// TLAccount: an account of one of six kinds (bank, cash, credit card, investment,
// loan, asset) with its running balance in its own currency.

#include "Classes/store/TLAccountAcc.h"

namespace tallo {

class TLAccount : public TLAccountAcc {
public:
    // Investment (3) and loan (4) accounts are listed but not edited here.
    bool isNotSupported() const;

protected:
    // Created now, with a new identifier, in the default currency.
    void awakeFromInsert() override;
};

}  // namespace tallo
