#include "Classes/screens/budgets/BudgetInfoViewC.h"

#include "Classes/budgets/TLBudget.h"
#include "Classes/budgets/TLBudgetField.h"
#include "Classes/budgets/TLBudgetRecord.h"
#include "Classes/budgets/TLBudgetRecordCustom.h"
#include "Classes/controls/BudgetBarCell.h"
#include "Classes/controls/BudgetFieldCell.h"
#include "Classes/controls/TLAmountColor.h"
#include "Classes/controls/TLDateBarCell.h"
#include "Classes/currencies/TLCurrencyCenter.h"
#include "Classes/ledger/TLCategory.h"
#include "Classes/screens/amount/AmountViewC.h"
#include "Classes/screens/amount/AmountViewType.h"
#include "Classes/screens/budgets/BudgetLimitEntry.h"
#include "Classes/screens/budgets/BudgetManageViewC.h"
#include "Classes/screens/budgets/UnbudgetedViewC.h"
#include "Classes/screens/wizard/TLWizard.h"
#include "Classes/shell/TLGlobal.h"
#include "Classes/store/TLDatabase.h"
#include "Classes/values/DecimalCorvane.h"
#include "Classes/values/StringCorvane.h"
#include "Classes/values/TLMonthID.h"
#include "Platform/foundation/Clock.h"
#include "Platform/foundation/Localization.h"
#include "Platform/foundation/NotificationCenter.h"

namespace tallo {

namespace {

constexpr double kDifferenceBarHeight = 26;

std::string money(const Decimal& value) { return TLCurrencyCenter::sharedCenter().currencyStringFromNumber(value); }

std::string sectionTitle(const TLBudgetSection& section) {
    return section.recordsType() == TLBudgetRecordType::Expense ? L("Expense") : L("Income");
}

}  // namespace

BudgetInfoViewC::BudgetInfoViewC()
    : TLViewC(TableView::Style::Plain),
      activeMonthInterval_(std::make_shared<TLTimeInterval>()),
      networthView_(L("Difference: ")) {
    setTitle(L("Budget"));
    incomeSection_.setRecordsType(TLBudgetRecordType::Income);
    expenseSection_.setRecordsType(TLBudgetRecordType::Expense);
    for (TLBudgetSection* section : {&incomeSection_, &expenseSection_}) {
        section->setTimeInterval(activeMonthInterval_);
        section->setViewC(this);
    }
    dateBar_.didSelectMonth = [this](int month, int year) { didSelectMonth(month, year); };
    // A store replaced by sync holds another budget: the old objects are
    // gone, from here and from every screen opened from here.
    NotificationCenter::defaultCenter().addObserver(this, "gotNewDatabase", [this](const Notification&) {
        fetchBudget();
        closeOpenedScreens();
        if (isViewLoaded()) reloadData();
    });
}

BudgetInfoViewC::~BudgetInfoViewC() = default;

void BudgetInfoViewC::viewDidLoad() {
    TLViewC::viewDidLoad();
    networthHeight = kDifferenceBarHeight;
    fetchBudget();
    // The wizard's review shows the month the limits were chosen for.
    uint32_t today = viewMode == kWizardMode ? TLGlobal::sharedGlobal().activeMonthID() : TLMonthID::current();
    int month = static_cast<int>(TLMonthID::month(today));
    int year = static_cast<int>(TLMonthID::year(today));
    dateBar_.setMonth(month, year);
    setMonth(month, year);
}

void BudgetInfoViewC::prepareForMode(int mode) {
    // The wizard's review step: the limits just chosen, ready to change.
    if (mode == kWizardMode && !isEditing()) enterEditing();
}

void BudgetInfoViewC::fetchBudget() {
    std::vector<ManagedObject*> budgets = TLDatabase::sharedDatabase().fetchEntityCustom("Budget");
    budget_ = budgets.empty() ? nullptr : static_cast<TLBudget*>(budgets.back());
    incomeSection_.setBudget(budget_);
    expenseSection_.setBudget(budget_);
}

void BudgetInfoViewC::closeOpenedScreens() {
    // The budget is read again first: closing tells this screen it appears.
    TLWizard& wizard = TLWizard::activeWizard();
    if (wizard.isActive() && wizard.initiatorView() == this) wizard.cancel();
    if (modalViewController() != nullptr) dismissModalViewControllerAnimated(false);
    // Popped straight off the stack, so no limit typed there is applied.
    NavigationController* stack = navigationController();
    if (stack != nullptr && !stack->viewControllers().empty() && stack->viewControllers().front().get() == this) {
        stack->popToRootViewControllerAnimated(false);
    }
    editingSection_ = nullptr;
    editingRecord_ = nullptr;
    editingCategory_ = nullptr;
    recordCustom_ = nullptr;
}

void BudgetInfoViewC::viewWillAppear(bool animated) {
    TLViewC::viewWillAppear(animated);
    reloadData();
}

void BudgetInfoViewC::setMonth(int month, int year) {
    uint32_t monthID = TLMonthID::fromYearMonth(static_cast<uint32_t>(year), static_cast<uint32_t>(month));
    shownMonthID_ = monthID;
    TLGlobal::sharedGlobal().setActiveMonthID(monthID);
    activeMonthInterval_->setMonthIntervalFromYear(static_cast<uint32_t>(year), static_cast<uint32_t>(month));
    isToday_ = activeMonthInterval_->containsDate(Clock::now());
    for (TLBudgetSection* section : {&incomeSection_, &expenseSection_}) {
        section->setBudgetTime(TLMonthID::budgetTime(monthID));
    }
    setTitle(stringWithFormat("%@ %@", {std::to_string(year), L("Budget")}));
}

void BudgetInfoViewC::didSelectMonth(int month, int year) {
    if (dateBar_.month() != month || dateBar_.year() != year) dateBar_.setMonth(month, year);
    setMonth(month, year);
    reloadData();
}

void BudgetInfoViewC::reloadData() {
    // Another budget screen (the wizard's) may have shown another month.
    TLGlobal::sharedGlobal().setActiveMonthID(shownMonthID_);
    for (TLBudgetSection* section : {&expenseSection_, &incomeSection_}) {
        section->setShouldIncludeUnbudgetedSubcats(true);
        section->setIsEditing(isEditing());
        section->fillFieldsArray();
    }
    sectionsArray_.clear();
    for (TLBudgetSection* section : {&incomeSection_, &expenseSection_}) {
        if (!section->fieldsArray().empty()) sectionsArray_.push_back(section);
    }
    networthView_.setAmount(incomeSection_.totalAmount() - expenseSection_.totalAmount());
    bool anyLimit = false;
    for (TLBudgetSection* section : sectionsArray_) anyLimit = anyLimit || !section->budgetRecordsArray().empty();
    emptyState_ = !anyLimit && !deletedElement_ && !isEditing();
    deletedElement_ = false;
    tableView().setHidden(emptyState_);
    label = emptyState_ ? L("Press \"Edit\" to manage budget.") : "";
    updateButtons();
    tableView().reloadData();
}

void BudgetInfoViewC::updateButtons() {
    if (isEditing()) {
        setLeftBarButtonType(TLBarButtonType::Cancel);
        setRightBarButtonType(TLBarButtonType::Done);
        return;
    }
    setLeftBarButtonType(TLBarButtonType::Edit);
    if (sectionsArray_.empty()) {
        removeRightBarButton();
        return;
    }
    setRightBarButtonType(TLBarButtonType::Now);
    navigationItem().rightBarButtonItem->enabled = !isToday_;
}

void BudgetInfoViewC::renderContent(SceneNode& content, SceneContext& context) {
    TLViewC::renderContent(content, context);
    if (!emptyState_) content.add(networthView_.node("bottom", networthHeight));
}

// ---- buttons ------------------------------------------------------------------

void BudgetInfoViewC::leftAction() {
    if (!isEditing()) {
        if (emptyState_) return openManageBudget();
        return enterEditing();
    }
    if (viewMode == kWizardMode) return TLWizard::activeWizard().cancel();
    TLDatabase::sharedDatabase().rollback();
    leaveEditing();
}

void BudgetInfoViewC::rightAction() {
    if (isEditing()) {
        TLDatabase::sharedDatabase().save();
        if (viewMode == kWizardMode) return TLWizard::activeWizard().next();
        return leaveEditing();
    }
    // "Now": back to the current month, the bar with it.
    uint32_t today = TLMonthID::current();
    int month = static_cast<int>(TLMonthID::month(today));
    int year = static_cast<int>(TLMonthID::year(today));
    dateBar_.setMonth(month, year);
    if (navigationController() != nullptr) navigationController()->tabBarItem().title = L("Budget");
    didSelectMonth(month, year);
}

bool BudgetInfoViewC::keyPressed(const std::string& key) {
    if (key == "+" && !isEditing() && !emptyState_) {
        dateBar_.stepRight();
        return true;
    }
    if (key == "-" && !isEditing() && !emptyState_) {
        dateBar_.stepLeft();
        return true;
    }
    if (key == "Escape" && isEditing()) {
        leftAction();
        return true;
    }
    if (key == "Enter" && navigationItem().rightBarButtonItem && navigationItem().rightBarButtonItem->enabled) {
        rightAction();
        return true;
    }
    return false;
}

void BudgetInfoViewC::enterEditing() {
    setEditing(true, workAnimated);
    reloadData();
}

void BudgetInfoViewC::leaveEditing() {
    setEditing(false, workAnimated);
    reloadData();
}

// With nothing budgeted yet the budget wizard leads through choosing
// categories to the limits; from "Add Category" the chooser opens alone.
void BudgetInfoViewC::openManageBudget() {
    if (!isEditing()) {
        TLWizard::activeWizard().beginWithInitiator(this, TLWizard::Initiator::BudgetScreen, budget_);
        return;
    }
    auto manage = std::make_shared<BudgetManageViewC>();
    manage->budget = budget_;
    presentModalView(manage, 0);
}

void BudgetInfoViewC::willDismissModalView(TLNavigationViewC*) {
    // Back from "Manage Budget" or the wizard: what they changed is shown
    // (and, after the wizard, already saved or rolled back).
    if (isViewLoaded()) reloadData();
}

// ---- table --------------------------------------------------------------------

TLBudgetSection* BudgetInfoViewC::sectionAt(int section) const {
    if (section < 1 || static_cast<size_t>(section) > sectionsArray_.size()) return nullptr;
    return sectionsArray_[static_cast<size_t>(section - 1)];
}

bool BudgetInfoViewC::showsUnbudgetedRow(const TLBudgetSection& section) const {
    return !isEditing() && !section.unbugetedMasterfieldsArray().empty();
}

int BudgetInfoViewC::numberOfSectionsInTableView(TableView&) { return 1 + static_cast<int>(sectionsArray_.size()); }

int BudgetInfoViewC::tableViewNumberOfRowsInSection(TableView&, int section) {
    if (section == 0) return 1;
    TLBudgetSection* shown = sectionAt(section);
    if (shown == nullptr) return 0;
    return 1 + static_cast<int>(shown->fieldsArray().size()) + (showsUnbudgetedRow(*shown) ? 1 : 0);
}

std::shared_ptr<TableViewCell> BudgetInfoViewC::headCell(TLBudgetSection& section) {
    if (!isEditing()) {
        auto cell = std::make_shared<BudgetBarCell>();
        TLBudgetBar& bar = cell->bar;
        bar.setBarType(section.recordsType());
        bar.setShowAsterisk(section.showAsterisk());
        bar.setAmount(section.totalAmount());
        bar.setLimit(section.totalLimit());
        float pace = budget_ != nullptr ? budget_->getTodayPercentage() : 0;
        bar.setTodayAmount(section.totalLimit().floatValue() * pace);
        bar.setShowsToday(isToday_);
        return cell;
    }
    auto cell = std::make_shared<BudgetFieldCell>();
    cell->nameLabel().text = sectionTitle(section);
    cell->nameLabel().bold = true;
    cell->nameLabel().color = BudgetFieldCell::sectionColor(section.recordsType());
    std::string star = section.showAsterisk() ? "*" : "";
    if (section.budgeted()) {
        cell->amountLabel.text = star + money(section.totalLimit());
        cell->amountLabel.color = TLAmountColor::zero();
    } else {
        cell->amountLabel.text = star + BudgetFieldCell::sectionAmountText(section.totalAmount(), section.recordsType());
        cell->amountLabel.color = BudgetFieldCell::sectionColor(section.recordsType());
        cell->addMark = true;
    }
    return cell;
}

std::shared_ptr<TableViewCell> BudgetInfoViewC::tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) {
    if (indexPath.section == 0) {
        if (!isEditing()) return std::make_shared<TLDateBarCell>(dateBar_);
        auto add = std::make_shared<TableViewCell>();
        add->textLabel().text = L("Add Category");
        return add;
    }
    TLBudgetSection* section = sectionAt(indexPath.section);
    if (section == nullptr) return nullptr;
    if (indexPath.row == 0) return headCell(*section);
    size_t index = static_cast<size_t>(indexPath.row - 1);
    if (index < section->fieldsArray().size()) {
        auto cell = std::make_shared<BudgetFieldCell>();
        cell->setField(*section->fieldsArray()[index], isEditing());
        return cell;
    }
    auto cell = std::make_shared<BudgetFieldCell>();
    cell->nameLabel().text = L("Unbudgeted");
    cell->nameLabel().color = Color::white(0.6);
    cell->amountLabel.text = BudgetFieldCell::sectionAmountText(section->totalUnbudgeted(), section->recordsType());
    cell->amountLabel.color = BudgetFieldCell::sectionColor(section->recordsType());
    cell->accessoryType = TableViewCell::Accessory::DisclosureIndicator;
    return cell;
}

void BudgetInfoViewC::tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath indexPath) {
    TLViewC::tableViewDidSelectRowAtIndexPath(table, indexPath);
    TLBudgetSection* section = sectionAt(indexPath.section);
    if (!isEditing()) {
        if (section == nullptr || !showsUnbudgetedRow(*section)) return;
        if (indexPath.row != static_cast<int>(section->fieldsArray().size()) + 1) return;
        auto unbudgeted = std::make_shared<UnbudgetedViewC>();
        unbudgeted->budgetSection = section;
        pushView(unbudgeted, 0);
        return;
    }
    if (indexPath.section == 0) return openManageBudget();
    if (section == nullptr) return;
    if (indexPath.row == 0) return editLimit(*section, nullptr, sectionTitle(*section));
    size_t index = static_cast<size_t>(indexPath.row - 1);
    if (index >= section->fieldsArray().size()) return;
    TLBudgetField* field = section->fieldsArray()[index].get();
    std::string name = field->category() != nullptr ? field->category()->name().value_or("") : "";
    editLimit(*section, field, name);
}

bool BudgetInfoViewC::tableViewCanEditRowAtIndexPath(TableView&, IndexPath indexPath) {
    if (!isEditing()) return false;
    if (indexPath.section == 0) return true;
    TLBudgetSection* section = sectionAt(indexPath.section);
    if (section == nullptr) return false;
    if (indexPath.row == 0) return section->budgetRecord() != nullptr;
    size_t index = static_cast<size_t>(indexPath.row - 1);
    return index < section->fieldsArray().size() && section->fieldsArray()[index]->budgetRecord() != nullptr;
}

TableViewCellEditingStyle BudgetInfoViewC::tableViewEditingStyleForRowAtIndexPath(TableView&, IndexPath indexPath) {
    return indexPath.section == 0 ? TableViewCellEditingStyle::Insert : TableViewCellEditingStyle::Delete;
}

void BudgetInfoViewC::tableViewCommitInsertForRowAtIndexPath(TableView&, IndexPath indexPath) {
    if (indexPath.section == 0) openManageBudget();
}

void BudgetInfoViewC::tableViewCommitDeleteForRowAtIndexPath(TableView&, IndexPath indexPath) { deleteRow(indexPath); }

void BudgetInfoViewC::deleteRow(IndexPath indexPath) {
    TLBudgetSection* section = sectionAt(indexPath.section);
    if (section == nullptr || !isEditing()) return;
    if (indexPath.row == 0) {
        if (section->budgetRecord() == nullptr) return;
        section->deleteBudgetRecord();
    } else {
        size_t index = static_cast<size_t>(indexPath.row - 1);
        if (index >= section->fieldsArray().size()) return;
        TLBudgetRecord* record = section->fieldsArray()[index]->budgetRecord();
        if (record == nullptr) return;
        section->fieldsArray().erase(section->fieldsArray().begin() + static_cast<long>(index));
        TLDatabase::sharedDatabase().deleteObject(record);
    }
    deletedElement_ = true;
    TLGlobal::sharedGlobal().setShouldMissDeselect(true);
    reloadData();
}

// ---- limits -------------------------------------------------------------------

void BudgetInfoViewC::editLimit(TLBudgetSection& section, TLBudgetField* field, const std::string& title) {
    editingSection_ = &section;
    editingRecord_ = field != nullptr ? field->budgetRecord() : section.budgetRecord();
    editingCategory_ = field != nullptr ? field->category() : nullptr;
    recordCustom_ = editingRecord_ != nullptr ? editingRecord_->getCustomLimitWithActiveMonth() : nullptr;
    Decimal start = field != nullptr ? field->amount() : section.totalLimit();
    if (recordCustom_ != nullptr) start = recordCustom_->limit().value_or(Decimal::zero());
    bool everyMonth = recordCustom_ == nullptr || recordCustom_->global().value_or(true);
    pushView(BudgetLimitEntry::amountScreen(title, start, everyMonth, section.recordsType()), 0, false);
}

void BudgetInfoViewC::willPopNextView(TLNavigationViewC* next) {
    auto* amount = dynamic_cast<AmountViewC*>(next);
    if (amount != nullptr && editingSection_ != nullptr && !amount->isCanceled) limitEntered(*amount);
    editingSection_ = nullptr;
    editingRecord_ = nullptr;
    editingCategory_ = nullptr;
    recordCustom_ = nullptr;
}

void BudgetInfoViewC::limitEntered(AmountViewC& amount) {
    BudgetLimitEntry entry = BudgetLimitEntry::from(amount);
    if (editingRecord_ == nullptr) {
        entry.createRecord(budget_, editingCategory_);
        return;
    }
    entry.change(editingRecord_, recordCustom_);
}

}  // namespace tallo
