#include "Classes/store/TLBudget.h"

namespace tallo {

std::string TLBudget::generateUniqueID() const { return "budget"; }

void TLBudget::awakeFromInsert() { setUuid(generateUniqueID()); }

}  // namespace tallo
