#include "Classes/budgets/TLBudgetField.h"

#include "Classes/budgets/TLBudgetRecord.h"

namespace tallo {

void TLBudgetField::setBudgetRecord(TLBudgetRecord* record) {
    if (record == budgetRecord_) return;
    budgetRecord_ = record;
    if (record == nullptr) return;
    category_ = record->category();
    type_ = record->type().value_or(TLBudgetRecordType::Expense);
    budgeted_ = true;
}

}  // namespace tallo
