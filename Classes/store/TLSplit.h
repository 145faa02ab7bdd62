#pragma once
// TLSplit: the part of a transaction (or schedule) filed under one category; its
// amount is a magnitude, the transaction's type gives the sign.

#include "Classes/store/TLSplitAcc.h"

namespace tallo {

class TLSplit : public TLSplitAcc {
protected:
    // A new identifier and an amount of 0.
    void awakeFromInsert() override;
};

}  // namespace tallo
