#include "Classes/screens/budgets/UnbudgetedViewC.h"

#include "Classes/budgets/TLBudgetSection.h"
#include "Classes/controls/BudgetCategoryCell.h"
#include "Classes/controls/BudgetFieldCell.h"
#include "Classes/ledger/TLCategory.h"
#include "Classes/screens/amount/AmountViewC.h"
#include "Classes/screens/budgets/BudgetLimitEntry.h"
#include "Platform/foundation/Localization.h"
#include "Platform/objectstore/TextFolding.h"

namespace tallo {

UnbudgetedViewC::UnbudgetedViewC() { setTitle(L("Unbudgeted")); }

void UnbudgetedViewC::viewDidLoad() {
    TLSearchViewC::viewDidLoad();
    setLeftBarButtonType(TLBarButtonType::Back);
    if (budgetSection != nullptr) fields_ = budgetSection->unbugetedFieldsArray();
}

void UnbudgetedViewC::viewDidAppear(bool animated) {
    TLSearchViewC::viewDidAppear(animated);
    // The last category got its limit: nothing is left to list.
    if (closesWhenEmpty_ && fields_.empty()) popView();
}

void UnbudgetedViewC::reloadData() {
    if (isSearching()) searchDisplayControllerShouldReloadTableForSearchString(searchBar().text);
    tableView().reloadData();
}

bool UnbudgetedViewC::searchDisplayControllerShouldReloadTableForSearchString(const std::string& text) {
    found_.clear();
    std::string wanted = foldText(text, true, false);
    for (const TLBudgetField::Ptr& field : fields_) {
        std::string name = field->category() != nullptr ? field->category()->name().value_or("") : "";
        if (foldText(name, true, false).find(wanted) != std::string::npos) found_.push_back(field);
    }
    return true;
}

std::shared_ptr<TableViewCell> UnbudgetedViewC::tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) {
    if (indexPath.row < 0 || static_cast<size_t>(indexPath.row) >= rows().size()) return nullptr;
    const TLBudgetField& field = *rows()[static_cast<size_t>(indexPath.row)];
    auto cell = std::make_shared<BudgetCategoryCell>();
    if (field.category() != nullptr) {
        cell->setCategory(*field.category(), BudgetFieldCell::sectionAmountText(field.amount(), field.type()),
                          BudgetFieldCell::sectionColor(field.type()));
    }
    return cell;
}

void UnbudgetedViewC::tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath indexPath) {
    TLSearchViewC::tableViewDidSelectRowAtIndexPath(table, indexPath);
    if (indexPath.row < 0 || static_cast<size_t>(indexPath.row) >= rows().size() || budgetSection == nullptr) return;
    editing_ = rows()[static_cast<size_t>(indexPath.row)];
    std::string name = editing_->category() != nullptr ? editing_->category()->name().value_or("") : "";
    pushView(BudgetLimitEntry::amountScreen(name, editing_->amount(), true, budgetSection->recordsType()), 0, false);
}

void UnbudgetedViewC::willPopNextView(TLNavigationViewC* next) {
    auto* amount = dynamic_cast<AmountViewC*>(next);
    TLBudgetField::Ptr field = std::move(editing_);
    if (amount == nullptr || field == nullptr || amount->isCanceled || budgetSection == nullptr) return;
    BudgetLimitEntry entry = BudgetLimitEntry::from(*amount);
    entry.type = budgetSection->recordsType();
    entry.createRecord(budgetSection->budget(), field->category());
    std::erase(fields_, field);
    std::erase(found_, field);
    closesWhenEmpty_ = true;
    tableView().reloadData();
}

}  // namespace tallo
