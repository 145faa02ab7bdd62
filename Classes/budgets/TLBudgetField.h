#pragma once
// TLBudgetField: one row of a budget section — a category with its amount
// and the limit that holds in the active month. A master category's field
// has its subcategories' fields as subfields, and its amount includes
// theirs. Plain in-memory object, rebuilt by every TLBudgetSection::
// fillFieldsArray; never stored. Its category and records are the store's
// and are valid only until that rebuild.

#include <memory>
#include <vector>

#include "Classes/store/TLBudgetRecordType.h"
#include "Platform/foundation/Decimal.h"

namespace tallo {

class TLBudgetRecord;
class TLBudgetRecordCustom;
class TLBudgetSection;
class TLCategory;

class TLBudgetField {
public:
    using Ptr = std::shared_ptr<TLBudgetField>;

    TLCategory* category() const { return category_; }
    void setCategory(TLCategory* category) { category_ = category; }

    // The category's budget record of this direction, if it has one. Setting
    // a different record also takes over its category and type and marks the
    // field budgeted; setting nothing only forgets the record.
    TLBudgetRecord* budgetRecord() const { return budgetRecord_; }
    void setBudgetRecord(TLBudgetRecord* record);

    // The month limit that holds in the active month (filled when amounts are
    // computed); nothing when none does or the field has no record.
    TLBudgetRecordCustom* recordCustom() const { return recordCustom_; }
    void setRecordCustom(TLBudgetRecordCustom* custom) { recordCustom_ = custom; }

    const Decimal& amount() const { return amount_; }
    void setAmount(const Decimal& amount) { amount_ = amount; }
    // The limit shown: the field's own month limit, or for a master the sum
    // of its subcategories' limits when that is not less (see showAsterisk).
    const Decimal& limit() const { return limit_; }
    void setLimit(const Decimal& limit) { limit_ = limit; }

    // A master's subcategory fields; empty for a subcategory.
    const std::vector<Ptr>& subfields() const { return subfields_; }
    void setSubfields(std::vector<Ptr> subfields) { subfields_ = std::move(subfields); }

    // The record type (TLBudgetRecordType).
    int type() const { return type_; }
    void setType(int type) { type_ = type; }

    // The section the field belongs to; it outlives its fields' use.
    TLBudgetSection* budgetSection() const { return budgetSection_; }
    void setBudgetSection(TLBudgetSection* section) { budgetSection_ = section; }

    // Has a record of its own, or (a master, once the section is built) a
    // subfield with one.
    bool budgeted() const { return budgeted_; }
    void setBudgeted(bool budgeted) { budgeted_ = budgeted; }
    // The limit shown is the sum of the subcategory limits, not one entered
    // for the field itself.
    bool showAsterisk() const { return showAsterisk_; }
    void setShowAsterisk(bool showAsterisk) { showAsterisk_ = showAsterisk; }

private:
    TLCategory* category_ = nullptr;
    TLBudgetRecord* budgetRecord_ = nullptr;
    TLBudgetRecordCustom* recordCustom_ = nullptr;
    Decimal amount_;
    Decimal limit_;
    std::vector<Ptr> subfields_;
    int type_ = TLBudgetRecordType::Expense;
    TLBudgetSection* budgetSection_ = nullptr;
    bool budgeted_ = false;
    bool showAsterisk_ = false;
};

}  // namespace tallo
