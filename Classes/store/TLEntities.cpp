// Insertion defaults of the entity classes. Each class's behaviour beyond
// these lives with the subsystem that owns it.
#include "Classes/store/TLAccount.h"
#include "Classes/store/TLBudget.h"
#include "Classes/store/TLBudgetRecord.h"
#include "Classes/store/TLCategory.h"
#include "Classes/store/TLCurrency.h"
#include "Classes/store/TLPayee.h"
#include "Classes/store/TLRateRecord.h"
#include "Classes/store/TLScheduler.h"
#include "Classes/store/TLSecurity.h"
#include "Classes/store/TLSplit.h"
#include "Classes/store/TLTransaction.h"
#include "Classes/store/TLTransactionRate.h"
#include "Platform/foundation/Clock.h"
#include "Platform/objectstore/ManagedObjectContext.h"

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

void TLSplit::awakeFromInsert() {
    setUuid(generateUniqueID());
    setAmount(Decimal::zero());
}

void TLCurrency::awakeFromInsert() { setUuid(generateUniqueID()); }
void TLRateRecord::awakeFromInsert() { setUuid(generateUniqueID()); }
void TLTransactionRate::awakeFromInsert() { setUuid(generateUniqueID()); }
void TLBudgetRecord::awakeFromInsert() { setUuid(generateUniqueID()); }
void TLSecurity::awakeFromInsert() { setUuid(generateUniqueID()); }

void TLScheduler::awakeFromInsert() {
    Date now = Clock::now();
    setCreationDate(now);
    setNextDate(now);
    setUuid(generateUniqueID());
}

std::string TLBudget::generateUniqueID() const { return "budget"; }

void TLBudget::awakeFromInsert() { setUuid(generateUniqueID()); }

TLCurrency* TLCurrency::fetchDefaultCurrency(ManagedObjectContext* context) {
    if (context == nullptr) return nullptr;
    static const std::shared_ptr<const Predicate> isDefault = Predicate::parse("default == YES");
    FetchRequest request{"Currency", isDefault};
    request.fetchLimit = 1;
    std::vector<ManagedObject*> found = context->executeFetchRequest(request);
    return found.empty() ? nullptr : static_cast<TLCurrency*>(found.front());
}

}  // namespace tallo
