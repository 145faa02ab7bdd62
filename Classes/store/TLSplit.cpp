#include "Classes/store/TLSplit.h"

namespace tallo {

void TLSplit::awakeFromInsert() {
    setUuid(generateUniqueID());
    setAmount(Decimal::zero());
}

}  // namespace tallo
