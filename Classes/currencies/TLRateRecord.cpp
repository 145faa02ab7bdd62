#include "Classes/currencies/TLRateRecord.h"

namespace tallo {

void TLRateRecord::awakeFromInsert() { setUuid(generateUniqueID()); }

}  // namespace tallo
