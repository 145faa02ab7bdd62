#include "Classes/store/TLTransactionRate.h"

namespace tallo {

void TLTransactionRate::awakeFromInsert() { setUuid(generateUniqueID()); }

}  // namespace tallo
