#include "Classes/currencies/TLCurrency.h"

#include "Platform/objectstore/ManagedObjectContext.h"

namespace tallo {

void TLCurrency::awakeFromInsert() { setUuid(generateUniqueID()); }

TLCurrency* TLCurrency::fetchDefaultCurrency(ManagedObjectContext* context) {
    if (context == nullptr) return nullptr;
    static const std::shared_ptr<const Predicate> isDefault = Predicate::parse("default == YES");
    // The last one, as the currency center answers, should a damaged store
    // mark more than one currency as the default.
    std::vector<ManagedObject*> found = context->executeFetchRequest(FetchRequest{"Currency", isDefault});
    return found.empty() ? nullptr : static_cast<TLCurrency*>(found.back());
}

}  // namespace tallo
