#pragma once
// TLInvestmentTransaction: a buy or sell of a security in an investment account;
// it arrives only in stores from the desktop and is shown, never edited.

#include "Classes/store/TLInvestmentTransactionAcc.h"

namespace tallo {

class TLInvestmentTransaction : public TLInvestmentTransactionAcc {
};

}  // namespace tallo
