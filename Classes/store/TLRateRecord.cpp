#include "Classes/store/TLRateRecord.h"

namespace tallo {

void TLRateRecord::awakeFromInsert() { setUuid(generateUniqueID()); }

}  // namespace tallo
