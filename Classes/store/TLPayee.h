#pragma once
// TLPayee: a person or company money is paid to or received from.

#include "Classes/store/TLPayeeAcc.h"

namespace tallo {

class TLPayee : public TLPayeeAcc {
protected:
    void awakeFromInsert() override;
};

}  // namespace tallo
