#include "Classes/store/TLSecurity.h"

namespace tallo {

void TLSecurity::awakeFromInsert() { setUuid(generateUniqueID()); }

}  // namespace tallo
