#include "Classes/store/TLTransaction.h"

#include "Classes/store/TLCurrency.h"
#include "Platform/foundation/Clock.h"

namespace tallo {

void TLTransaction::awakeFromInsert() {
    Date now = Clock::now();
    setCreationDate(now);
    setTransactionDate(now);
    setType(0);
    setCurrency(TLCurrency::fetchDefaultCurrency(managedObjectContext()));
    setUuid(generateUniqueID());
    isSchedulerHelper_ = false;
}

void TLTransaction::awakeFromFetch() {
    isSchedulerHelper_ = false;
    imageLoaded_ = false;
    transferAccount_ = nullptr;
}

}  // namespace tallo
