#include "Classes/currencies/TLTransactionRate.h"

namespace tallo {

void TLTransactionRate::awakeFromInsert() { setUuid(generateUniqueID()); }

}  // namespace tallo
