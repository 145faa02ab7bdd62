#include "Classes/store/TLBudgetRecord.h"

namespace tallo {

void TLBudgetRecord::awakeFromInsert() { setUuid(generateUniqueID()); }

}  // namespace tallo
