#include "Classes/store/TLScheduler.h"

#include "Platform/foundation/Clock.h"

namespace tallo {

void TLScheduler::awakeFromInsert() {
    Date now = Clock::now();
    setCreationDate(now);
    setNextDate(now);
    setUuid(generateUniqueID());
}

}  // namespace tallo
