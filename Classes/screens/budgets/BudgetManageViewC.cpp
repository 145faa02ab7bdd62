#include "Classes/screens/budgets/BudgetManageViewC.h"

#include "Classes/budgets/TLBudgetRecord.h"
#include "Classes/controls/BudgetCategoryCell.h"
#include "Classes/controls/TLAmountColor.h"
#include "Classes/currencies/TLCurrencyCenter.h"
#include "Classes/ledger/TLCategory.h"
#include "Classes/screens/amount/AmountViewC.h"
#include "Classes/screens/budgets/BudgetLimitEntry.h"
#include "Classes/screens/wizard/TLWizard.h"
#include "Classes/store/TLDatabase.h"
#include "Classes/store/TLTransactionType.h"
#include "Classes/values/DecimalCorvane.h"
#include "Platform/foundation/Localization.h"
#include "Platform/objectstore/TextFolding.h"

namespace tallo {

BudgetManageViewC::BudgetManageViewC() { setTitle(L("Manage Budget")); }

void BudgetManageViewC::viewDidLoad() {
    TLSearchViewC::viewDidLoad();
    setLeftBarButtonType(TLBarButtonType::Cancel);
    setRightBarButtonType(TLBarButtonType::Done);
    listCategories();
}

void BudgetManageViewC::prepareForMode(int mode) {
    setLeftBarButtonType(TLBarButtonType::Cancel);
    setRightBarButtonType(mode == kWizardMode ? TLBarButtonType::Next : TLBarButtonType::Done);
}

void BudgetManageViewC::viewWillAppear(bool animated) {
    TLSearchViewC::viewWillAppear(animated);
    reloadData();
}

void BudgetManageViewC::listCategories() {
    categories_.clear();
    std::vector<ManagedObject*> masters = TLDatabase::sharedDatabase().fetchEntityCustom(
        "Category", Predicate::parse("mastercat == NULL"), {SortDescriptor{"name", true, SortDescriptor::Comparison::Compare}});
    for (ManagedObject* object : masters) {
        auto* master = static_cast<TLCategory*>(object);
        categories_.push_back(master);
        for (TLCategory* sub : master->getOrderedSubcats()) categories_.push_back(sub);
    }
}

void BudgetManageViewC::reloadData() {
    listCategories();
    if (isSearching()) searchDisplayControllerShouldReloadTableForSearchString(searchBar().text);
    tableView().reloadData();
}

bool BudgetManageViewC::searchDisplayControllerShouldReloadTableForSearchString(const std::string& text) {
    found_.clear();
    std::string wanted = foldText(text, true, false);
    for (TLCategory* category : categories_) {
        if (foldText(category->name().value_or(""), true, false).find(wanted) != std::string::npos) found_.push_back(category);
    }
    return true;
}

bool BudgetManageViewC::hasRecord(const TLCategory& category) { return !category.budgetRecords().toVector().empty(); }

std::shared_ptr<TableViewCell> BudgetManageViewC::tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) {
    if (indexPath.row < 0 || static_cast<size_t>(indexPath.row) >= rows().size()) return nullptr;
    TLCategory* category = rows()[static_cast<size_t>(indexPath.row)];
    Decimal total = category->getTotalAmount();
    auto cell = std::make_shared<BudgetCategoryCell>();
    cell->setCategory(*category, TLCurrencyCenter::sharedCenter().currencyStringFromNumber(total),
                      TLAmountColor::forAmount(total));
    // One that has its limit already is checked instead of offered.
    if (hasRecord(*category)) {
        cell->accessoryType = TableViewCell::Accessory::Checkmark;
        cell->addMark = false;
    }
    return cell;
}

void BudgetManageViewC::tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath indexPath) {
    TLSearchViewC::tableViewDidSelectRowAtIndexPath(table, indexPath);
    if (indexPath.row < 0 || static_cast<size_t>(indexPath.row) >= rows().size()) return;
    TLCategory* category = rows()[static_cast<size_t>(indexPath.row)];
    if (hasRecord(*category)) return;
    editingCategory_ = category;
    int type = category->getDefaultTransactionType() == TLTransactionType::Income ? TLBudgetRecordType::Income
                                                                                    : TLBudgetRecordType::Expense;
    amountScreen_ = BudgetLimitEntry::amountScreen(category->name().value_or(""), absolute(category->getTotalAmount()), true, type);
    presentModalView(amountScreen_, 0);
}

void BudgetManageViewC::willDismissModalView(TLNavigationViewC* modal) {
    if (modal != amountScreen_.get()) return;
    if (!amountScreen_->isCanceled && editingCategory_ != nullptr && !hasRecord(*editingCategory_)) {
        BudgetLimitEntry::from(*amountScreen_).createRecord(budget, editingCategory_);
    }
    editingCategory_ = nullptr;
    amountScreen_.reset();
    reloadData();
}

void BudgetManageViewC::leftAction() {
    isCanceled = true;
    if (viewMode == kWizardMode && TLWizard::activeWizard().isActive()) return TLWizard::activeWizard().cancel();
    popView();
}

void BudgetManageViewC::rightAction() {
    if (viewMode == kWizardMode && TLWizard::activeWizard().isActive()) return TLWizard::activeWizard().next();
    popView();
}

}  // namespace tallo
