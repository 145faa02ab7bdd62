#pragma once
// TLLoanRecord: a loan's record, carried for the desktop; this device never reads it.

#include "Classes/store/TLLoanRecordAcc.h"

namespace tallo {

class TLLoanRecord : public TLLoanRecordAcc {
};

}  // namespace tallo
