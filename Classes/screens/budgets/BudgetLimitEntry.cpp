#include "Classes/screens/budgets/BudgetLimitEntry.h"

#include "Classes/budgets/TLBudget.h"
#include "Classes/budgets/TLBudgetRecord.h"
#include "Classes/budgets/TLBudgetRecordCustom.h"
#include "Classes/screens/amount/AmountViewC.h"
#include "Classes/screens/amount/AmountViewType.h"
#include "Classes/shell/TLGlobal.h"
#include "Classes/store/TLBudgetRecordType.h"
#include "Classes/store/TLDatabase.h"
#include "Classes/values/DecimalCorvane.h"

namespace tallo {

std::shared_ptr<AmountViewC> BudgetLimitEntry::amountScreen(const std::string& title, const Decimal& start,
                                                            bool everyMonth, int type) {
    auto amount = std::make_shared<AmountViewC>();
    amount->setType(AmountViewType::BudgetLimit);
    amount->setHideSegmentControl(true);
    amount->setCurrency(TLGlobal::sharedGlobal().defaultCurrency());
    amount->setCanSelectCurrency(false);
    amount->setIsGlobalBudgetLimit(everyMonth);
    amount->setTransactionType(type);
    amount->setAmount(start);
    amount->setTitle(title);
    return amount;
}

BudgetLimitEntry BudgetLimitEntry::from(const AmountViewC& amount) {
    BudgetLimitEntry entry;
    entry.limit = absolute(amount.getAmount());
    entry.everyMonth = amount.isGlobalBudgetLimit();
    entry.type = amount.transactionType() == TLBudgetRecordType::Income ? TLBudgetRecordType::Income
                                                                          : TLBudgetRecordType::Expense;
    return entry;
}

TLBudgetRecord* BudgetLimitEntry::createRecord(TLBudget* budget, TLCategory* category) const {
    auto* record = static_cast<TLBudgetRecord*>(TLDatabase::sharedDatabase().createObjectForEntity("BudgetRecord"));
    if (record == nullptr) return nullptr;
    record->setBudget(budget);
    record->setCategory(category);
    record->setType(type);
    if (TLBudgetRecordCustom* custom = record->createLimitForActiveMonth()) {
        custom->setLimit(limit);
        custom->setGlobal(everyMonth);
    }
    return record;
}

void BudgetLimitEntry::change(TLBudgetRecord* record, TLBudgetRecordCustom* holding) const {
    uint32_t shown = TLGlobal::sharedGlobal().activeMonthID();
    TLBudgetRecordCustom* custom = holding;
    if (custom == nullptr || custom->month().value_or(0) < static_cast<long long>(shown)) {
        custom = record->createLimitForActiveMonth();
    }
    if (custom == nullptr) return;
    custom->setLimit(limit);
    custom->setGlobal(everyMonth);
    record->setType(type);
    if (everyMonth) record->deleteGlobalCustomLimitsAfterActiveMonth();
}

}  // namespace tallo
