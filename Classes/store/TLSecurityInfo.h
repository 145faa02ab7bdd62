#pragma once
// TLSecurityInfo: the single record holding the passcode.

#include "Classes/store/TLSecurityInfoAcc.h"

namespace tallo {

class TLSecurityInfo : public TLSecurityInfoAcc {
};

}  // namespace tallo
