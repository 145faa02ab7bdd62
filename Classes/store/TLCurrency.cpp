#include "Classes/store/TLCurrency.h"

#include "Platform/objectstore/ManagedObjectContext.h"

namespace tallo {

void TLCurrency::awakeFromInsert() { setUuid(generateUniqueID()); }

TLCurrency* TLCurrency::fetchDefaultCurrency(ManagedObjectContext* context) {
    if (context == nullptr) return nullptr;
    static const std::shared_ptr<const Predicate> isDefault = Predicate::parse("default == YES");
    FetchRequest request{"Currency", isDefault};
    request.fetchLimit = 1;
    std::vector<ManagedObject*> found = context->executeFetchRequest(request);
    return found.empty() ? nullptr : static_cast<TLCurrency*>(found.front());
}

}  // namespace tallo
