#include "Classes/budgets/TLBudgetRecord.h"

#include <string>

#include "Classes/budgets/TLBudgetRecordCustom.h"
#include "Classes/budgets/TLBudgetState.h"
#include "Classes/store/TLDatabase.h"
#include "Platform/foundation/InternalError.h"

namespace tallo {

namespace {

// This record's month records matched by `condition` (with %d for a month).
std::vector<ManagedObject*> fetchCustomLimits(const TLBudgetRecord* record, const char* condition, uint32_t monthID,
                                              std::vector<SortDescriptor> sort, size_t fetchLimit) {
    std::string error;
    auto predicate = Predicate::parse(std::string("(record == %@) && ") + condition,
                                      {Value(static_cast<ManagedObject*>(const_cast<TLBudgetRecord*>(record))),
                                       Value(static_cast<long long>(monthID))},
                                      &error);
    if (!predicate) {
        InternalError::report("bad budget predicate: " + error);
        return {};
    }
    return TLDatabase::sharedDatabase().fetchEntityCustom("BudgetRecordCustom", predicate, std::move(sort),
                                                          fetchLimit);
}

}  // namespace

void TLBudgetRecord::awakeFromInsert() { setUuid(generateUniqueID()); }

TLBudgetRecordCustom* TLBudgetRecord::getCustomLimitWithMonthID(uint32_t monthID) const {
    if (customLimits().empty()) return nullptr;
    std::vector<ManagedObject*> found = fetchCustomLimits(this, "(month == %d)", monthID, {}, 1);
    if (found.empty()) {
        found = fetchCustomLimits(this, "(month <= %d) && (global == 1)", monthID, {{"month", false}}, 1);
    }
    return found.empty() ? nullptr : static_cast<TLBudgetRecordCustom*>(found.front());
}

TLBudgetRecordCustom* TLBudgetRecord::getCustomLimitWithActiveMonth() const {
    return getCustomLimitWithMonthID(TLBudgetState::activeMonthID());
}

Decimal TLBudgetRecord::getLimitWithActiveMonth() const {
    TLBudgetRecordCustom* custom = getCustomLimitWithActiveMonth();
    return custom != nullptr ? custom->limit().value_or(Decimal::zero()) : Decimal::zero();
}

TLBudgetRecordCustom* TLBudgetRecord::createLimitForActiveMonth() {
    auto* custom = static_cast<TLBudgetRecordCustom*>(
        TLDatabase::sharedDatabase().createObjectForEntity(TLBudgetRecordCustom::kEntityName));
    if (custom == nullptr) return nullptr;
    custom->setRecord(this);
    custom->setMonth(TLBudgetState::activeMonthID());
    custom->setGlobal(true);
    return custom;
}

void TLBudgetRecord::deleteGlobalCustomLimitsAfterActiveMonth() {
    TLDatabase& db = TLDatabase::sharedDatabase();
    for (ManagedObject* later :
         fetchCustomLimits(this, "(month > %d) && (global == 1)", TLBudgetState::activeMonthID(), {}, 0)) {
        db.deleteObject(later);
    }
}

}  // namespace tallo
