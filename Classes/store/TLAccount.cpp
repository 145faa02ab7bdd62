#include "Classes/store/TLAccount.h"

#include "Classes/store/TLCurrency.h"
#include "Platform/foundation/Clock.h"

namespace tallo {

bool TLAccount::isNotSupported() const {
    int kind = type().value_or(0);
    return kind == 3 || kind == 4;
}

void TLAccount::awakeFromInsert() {
    setCreationDate(Clock::now());
    setUuid(generateUniqueID());
    setCurrency(TLCurrency::fetchDefaultCurrency(managedObjectContext()));
}

}  // namespace tallo
