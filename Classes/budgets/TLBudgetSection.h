#pragma once
// TLBudgetSection: one direction of the budget (expenses or income) for one
// month, as the budget screen shows it. fillFieldsArray gathers the
// categories that have a budget record of this direction or had activity in
// the month, arranges them as master categories each followed by its
// subcategories, and computes every row's amount (default currency, 2
// places) and the limit that holds in the active month (TLBudgetState's),
// and the section's totals. Nothing is cached between rebuilds.
//
// Limits add up from the bottom: a master's limit is the sum of its
// subcategories' limits, unless a limit entered for the master itself is
// larger. With subcategory limits 30 and 40:
//
//   master's own limit   none   100   60   70
//   master shows           70   100   70   70
//   asterisk (a sum)      yes    no  yes  yes
//
// The section total works the same way over its masters, with the
// section-total record in the place of the master's own limit. All limits
// zero: no asterisk anywhere.
//
// A plain in-memory object, never stored; main thread only.

#include <functional>
#include <memory>
#include <vector>

#include "Classes/budgets/TLBudgetField.h"
#include "Classes/values/TLBudgetTime.h"
#include "Classes/values/TLTimeInterval.h"
#include "Platform/foundation/Decimal.h"

namespace tallo {

class BudgetInfoViewC;
class TLBudget;
class TLBudgetRecord;

class TLBudgetSection {
public:
    using FieldList = std::vector<TLBudgetField::Ptr>;

    // Empty lists, zero totals and a new interval of its own.
    TLBudgetSection();

    // The month evaluated; the screen shares its own month interval between
    // its two sections.
    const std::shared_ptr<TLTimeInterval>& timeInterval() const { return timeInterval_; }
    void setTimeInterval(std::shared_ptr<TLTimeInterval> interval) { timeInterval_ = std::move(interval); }
    // The merged budget; without one the section stays empty.
    TLBudget* budget() const { return budget_; }
    void setBudget(TLBudget* budget) { budget_ = budget; }
    // The expense or the income section (TLBudgetRecordType).
    int recordsType() const { return recordsType_; }
    void setRecordsType(int type) { recordsType_ = type; }

    // Rebuilds every list and total from the store. With the screen's
    // settings (shouldIncludeUnbudgetedSubcats YES) the rows are every master
    // with a limit of its own or a subcategory with one, each followed by all
    // its listed subcategories, budgeted rows first and then by amount,
    // largest first (ties keep the order of gathering: records as created,
    // then categories by name). Everything else is summed into
    // totalUnbudgeted; splits without a category count in totalAmount only.
    void fillFieldsArray();
    // Amounts, limits and asterisks of the masters and their subfields, and
    // the section's totalAmount, totalLimit, budgetRecord and showAsterisk.
    void calcAmountsOfFieldsTree(const FieldList& masters);
    // Budgeted first, then amount descending; each master's subfields alike.
    void sortFieldsTreeByAmount(FieldList& masters);
    // totalUnbudgeted = the sum of the masters' amounts.
    void calcUnbudgetedOfFieldsTree(const FieldList& masters);
    // Holds for a field whose category is `field`'s category's master.
    static std::function<bool(const TLBudgetField&)> blockTestingIsMastercatFieldOfField(const TLBudgetField& field);
    // Deletes the section-total record (the store is not saved) and forgets
    // it, here and in TLBudgetState.
    void deleteBudgetRecord();

    // The rows in display order: each master followed by its subfields.
    FieldList& fieldsArray() { return fieldsArray_; }
    const FieldList& fieldsArray() const { return fieldsArray_; }
    // The section's records that have a category.
    const std::vector<TLBudgetRecord*>& budgetRecordsArray() const { return budgetRecordsArray_; }
    // One field for each active category without a record of this type.
    const FieldList& allUnbudgetedFieldsArray() const { return allUnbudgetedFieldsArray_; }
    // Masters without a record and without a subfield that has one ...
    const FieldList& unbugetedMasterfieldsArray() const { return unbugetedMasterfieldsArray_; }
    // ... each followed by its subfields (the unbudgeted screen's rows).
    const FieldList& unbugetedFieldsArray() const { return unbugetedFieldsArray_; }

    const Decimal& totalAmount() const { return totalAmount_; }
    const Decimal& totalLimit() const { return totalLimit_; }
    const Decimal& totalUnbudgeted() const { return totalUnbudgeted_; }
    // The section-total record: TLBudgetState's expenseRecord or incomeRecord.
    TLBudgetRecord* budgetRecord() const { return budgetRecord_; }
    void setBudgetRecord(TLBudgetRecord* record) { budgetRecord_ = record; }
    // The section has a total record, or a row with a record.
    bool budgeted() const { return budgeted_; }
    // totalLimit is the sum of the masters' limits.
    bool showAsterisk() const { return showAsterisk_; }

    // Keep subcategories without a record in the tree (the screen: YES).
    bool shouldIncludeUnbudgetedSubcats() const { return shouldIncludeUnbudgetedSubcats_; }
    void setShouldIncludeUnbudgetedSubcats(bool include) { shouldIncludeUnbudgetedSubcats_ = include; }
    // Append the unbudgeted masters (with their subfields) to the rows.
    bool includeUnbudgetedMasterfields() const { return includeUnbudgetedMasterfields_; }
    void setIncludeUnbudgetedMasterfields(bool include) { includeUnbudgetedMasterfields_ = include; }

    // Carried for the screen; nothing here reads them.
    bool isEditing() const { return isEditing_; }
    void setIsEditing(bool editing) { isEditing_ = editing; }
    BudgetInfoViewC* viewC() const { return viewC_; }
    void setViewC(BudgetInfoViewC* screen) { viewC_ = screen; }
    const TLBudgetTime& budgetTime() const { return budgetTime_; }
    void setBudgetTime(const TLBudgetTime& time) { budgetTime_ = time; }

private:
    TLBudgetField::Ptr newField(TLCategory* category, TLBudgetRecord* record);
    Decimal amountOf(const TLCategory* category) const;
    // Steps of fillFieldsArray.
    void gatherFields();
    FieldList buildTree();
    void collectUnbudgeted(const FieldList& masters);
    void listRows(const FieldList& masters);

    std::shared_ptr<TLTimeInterval> timeInterval_;
    TLBudget* budget_ = nullptr;
    int recordsType_ = TLBudgetRecordType::Expense;
    FieldList fieldsArray_;
    std::vector<TLBudgetRecord*> budgetRecordsArray_;
    FieldList allUnbudgetedFieldsArray_;
    FieldList unbugetedMasterfieldsArray_;
    FieldList unbugetedFieldsArray_;
    Decimal totalAmount_;
    Decimal totalLimit_;
    Decimal totalUnbudgeted_;
    TLBudgetRecord* budgetRecord_ = nullptr;
    bool budgeted_ = false;
    bool showAsterisk_ = false;
    bool shouldIncludeUnbudgetedSubcats_ = false;
    bool includeUnbudgetedMasterfields_ = false;
    bool isEditing_ = false;
    BudgetInfoViewC* viewC_ = nullptr;
    TLBudgetTime budgetTime_;
};

}  // namespace tallo
