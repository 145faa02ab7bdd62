#include "Classes/budgets/TLBudgetSection.h"

#include <algorithm>

#include "Classes/budgets/TLBudget.h"
#include "Classes/budgets/TLBudgetRecord.h"
#include "Classes/budgets/TLBudgetRecordCustom.h"
#include "Classes/budgets/TLBudgetState.h"
#include "Classes/ledger/TLCategory.h"
#include "Classes/store/TLDatabase.h"
#include "Classes/values/DecimalCorvane.h"

namespace tallo {

namespace {

bool hasBudgetedSubfield(const TLBudgetField& master) {
    const auto& subs = master.subfields();
    return std::any_of(subs.begin(), subs.end(), [](const TLBudgetField::Ptr& s) { return s->budgetRecord() != nullptr; });
}

bool contains(const TLBudgetSection::FieldList& list, const TLBudgetField::Ptr& field) {
    return std::find(list.begin(), list.end(), field) != list.end();
}

void removeAll(TLBudgetSection::FieldList& from, const TLBudgetSection::FieldList& fields) {
    std::erase_if(from, [&](const TLBudgetField::Ptr& field) { return contains(fields, field); });
}

}  // namespace

TLBudgetSection::TLBudgetSection() : timeInterval_(std::make_shared<TLTimeInterval>()) {}

TLBudgetField::Ptr TLBudgetSection::newField(TLCategory* category, TLBudgetRecord* record) {
    auto field = std::make_shared<TLBudgetField>();
    field->setBudgetSection(this);
    field->setType(recordsType_);
    field->setCategory(category);
    field->setBudgetRecord(record);
    return field;
}

Decimal TLBudgetSection::amountOf(const TLCategory* category) const {
    if (budget_ == nullptr || !timeInterval_) return Decimal::zero();
    return budget_->getTotalAmountForCategory(category, *timeInterval_, recordsType_);
}

void TLBudgetSection::fillFieldsArray() {
    gatherFields();
    FieldList masters = buildTree();
    calcAmountsOfFieldsTree(masters);
    sortFieldsTreeByAmount(masters);
    collectUnbudgeted(masters);
    listRows(masters);
}

// A field for each record of this direction that has a category, then one
// for each category active in the month without such a record.
void TLBudgetSection::gatherFields() {
    fieldsArray_.clear();
    budgetRecordsArray_.clear();
    allUnbudgetedFieldsArray_.clear();
    if (budget_ == nullptr) return;
    for (TLBudgetRecord* record : budget_->records()) {
        if (record->type().value_or(TLBudgetRecordType::Expense) != recordsType_ || record->category() == nullptr) continue;
        budgetRecordsArray_.push_back(record);
        fieldsArray_.push_back(newField(nullptr, record));
    }
    if (!timeInterval_) return;
    for (TLCategory* category : budget_->fetchUnbudgetedActiveCategoriesWithTimeInterval(*timeInterval_, recordsType_)) {
        TLBudgetField::Ptr field = newField(category, nullptr);
        allUnbudgetedFieldsArray_.push_back(field);
        fieldsArray_.push_back(field);
    }
}

// The gathered fields as masters with their subfields. A subcategory whose
// master was not gathered gets a field for the master (a budgeted one
// always, any one when unbudgeted subcategories are kept).
TLBudgetSection::FieldList TLBudgetSection::buildTree() {
    FieldList masters, subs;
    for (const TLBudgetField::Ptr& field : fieldsArray_) {
        (field->category()->mastercat() == nullptr ? masters : subs).push_back(field);
    }
    for (const TLBudgetField::Ptr& sub : subs) {
        if (sub->budgetRecord() == nullptr && !shouldIncludeUnbudgetedSubcats_) continue;
        auto isMaster = blockTestingIsMastercatFieldOfField(*sub);
        bool listed = std::any_of(masters.begin(), masters.end(), [&](const TLBudgetField::Ptr& m) { return isMaster(*m); });
        if (!listed) masters.push_back(newField(sub->category()->mastercat(), nullptr));
    }
    for (const TLBudgetField::Ptr& master : masters) {
        FieldList children;
        for (const TLBudgetField::Ptr& sub : subs) {
            if (sub->category()->mastercat() == master->category()) children.push_back(sub);
        }
        master->setSubfields(std::move(children));
    }
    return masters;
}

void TLBudgetSection::calcAmountsOfFieldsTree(const FieldList& masters) {
    totalAmount_ = Decimal::zero();
    totalLimit_ = Decimal::zero();
    for (const TLBudgetField::Ptr& master : masters) {
        master->setAmount(amountOf(master->category()));
        master->setLimit(Decimal::zero());
        master->setShowAsterisk(false);
        for (const TLBudgetField::Ptr& sub : master->subfields()) {
            sub->setAmount(amountOf(sub->category()));
            sub->setLimit(Decimal::zero());
            if (TLBudgetRecord* record = sub->budgetRecord()) {
                TLBudgetRecordCustom* custom = record->getCustomLimitWithActiveMonth();
                sub->setRecordCustom(custom);
                if (custom != nullptr) sub->setLimit(custom->limit().value_or(Decimal::zero()));
                master->setLimit(master->limit() + sub->limit());
            }
            master->setAmount(master->amount() + sub->amount());
        }
        // The master's own limit counts only where it exceeds the sum of its
        // subcategories' limits; otherwise the sum is shown, marked.
        master->setShowAsterisk(true);
        if (TLBudgetRecord* record = master->budgetRecord()) {
            TLBudgetRecordCustom* custom = record->getCustomLimitWithActiveMonth();
            master->setRecordCustom(custom);
            Decimal own = custom != nullptr ? custom->limit().value_or(Decimal::zero()) : Decimal::zero();
            if (custom != nullptr && own > master->limit()) {
                master->setLimit(own);
                master->setShowAsterisk(false);
            }
        }
        if (isZero(master->limit())) master->setShowAsterisk(false);
        totalAmount_ = totalAmount_ + master->amount();
        totalLimit_ = totalLimit_ + master->limit();
    }
    totalAmount_ = totalAmount_ + amountOf(nullptr);

    budgetRecord_ = recordsType_ != TLBudgetRecordType::Expense ? TLBudgetState::incomeRecord() : TLBudgetState::expenseRecord();
    showAsterisk_ = true;
    if (budgetRecord_ != nullptr) {
        Decimal own = budgetRecord_->getLimitWithActiveMonth();
        if (own > totalLimit_) {
            totalLimit_ = own;
            showAsterisk_ = false;
        }
    }
    if (isZero(totalLimit_)) showAsterisk_ = false;
}

void TLBudgetSection::sortFieldsTreeByAmount(FieldList& masters) {
    // Stable, so rows that tie on both keys keep the order they were gathered in.
    auto before = [](const TLBudgetField::Ptr& a, const TLBudgetField::Ptr& b) {
        if (a->budgeted() != b->budgeted()) return a->budgeted();
        return a->amount() > b->amount();
    };
    std::stable_sort(masters.begin(), masters.end(), before);
    for (const TLBudgetField::Ptr& master : masters) {
        FieldList subs = master->subfields();
        std::stable_sort(subs.begin(), subs.end(), before);
        master->setSubfields(std::move(subs));
    }
}

void TLBudgetSection::calcUnbudgetedOfFieldsTree(const FieldList& masters) {
    totalUnbudgeted_ = Decimal::zero();
    for (const TLBudgetField::Ptr& master : masters) totalUnbudgeted_ = totalUnbudgeted_ + master->amount();
}

std::function<bool(const TLBudgetField&)> TLBudgetSection::blockTestingIsMastercatFieldOfField(const TLBudgetField& field) {
    TLCategory* master = field.category() != nullptr ? field.category()->mastercat() : nullptr;
    return [master](const TLBudgetField& candidate) { return master != nullptr && candidate.category() == master; };
}

// The masters without any record, each with its subfields, for the
// unbudgeted row and its screen.
void TLBudgetSection::collectUnbudgeted(const FieldList& masters) {
    unbugetedMasterfieldsArray_.clear();
    unbugetedFieldsArray_.clear();
    for (const TLBudgetField::Ptr& master : masters) {
        if (master->budgetRecord() != nullptr || hasBudgetedSubfield(*master)) continue;
        unbugetedMasterfieldsArray_.push_back(master);
        unbugetedFieldsArray_.push_back(master);
        for (const TLBudgetField::Ptr& sub : master->subfields()) unbugetedFieldsArray_.push_back(sub);
    }
    calcUnbudgetedOfFieldsTree(unbugetedMasterfieldsArray_);
}

// The rows: each master followed by its subfields, without the unbudgeted
// masters (kept apart, or appended at the end when asked for).
void TLBudgetSection::listRows(const FieldList& masters) {
    budgeted_ = budgetRecord_ != nullptr;
    fieldsArray_.clear();
    for (const TLBudgetField::Ptr& master : masters) {
        fieldsArray_.push_back(master);
        if (master->budgetRecord() != nullptr) budgeted_ = true;
        for (const TLBudgetField::Ptr& sub : master->subfields()) {
            fieldsArray_.push_back(sub);
            if (sub->budgetRecord() == nullptr) continue;
            master->setBudgeted(true);
            budgeted_ = true;
        }
    }
    if (!shouldIncludeUnbudgetedSubcats_) removeAll(fieldsArray_, allUnbudgetedFieldsArray_);
    removeAll(fieldsArray_, unbugetedFieldsArray_);
    if (includeUnbudgetedMasterfields_) {
        fieldsArray_.insert(fieldsArray_.end(), unbugetedFieldsArray_.begin(), unbugetedFieldsArray_.end());
    }
}

void TLBudgetSection::deleteBudgetRecord() {
    if (budgetRecord_ != nullptr) TLDatabase::sharedDatabase().deleteObject(budgetRecord_);
    if (recordsType_ == TLBudgetRecordType::Expense) {
        TLBudgetState::setExpenseRecord(nullptr);
    } else {
        TLBudgetState::setIncomeRecord(nullptr);
    }
    budgetRecord_ = nullptr;
}

}  // namespace tallo
