#pragma once
// BudgetInfoViewC: the Budget tab — one month at a time, how income and
// expenses stand against their limits, and where the limits are set.
//
// Outside editing: the month bar, then income and expenses (each only when
// it has a category with a limit): the section's bar, its categories with
// limits (each master followed by its subcategories), and "Unbudgeted" with
// the sum of the rest, opening its list. Under the table the difference
// (income − expenses). Title "2011 Budget"; "Edit" on the left, "Now" on the
// right (enabled away from the current month, absent with nothing to show).
// A budget without a category limit shows "Press "Edit" to manage budget."
// and "Edit" then opens "Manage Budget" (the budget wizard).
//
// Editing: "Add Category" (opens "Manage Budget"), the section heads and
// rows with their limits. Tapping a row or a head opens the amount screen
// for the limit, starting from the limit that holds this month (or the
// amount spent) with "every month" on unless the holding limit is for this
// month only. A limit entered for every month holds from the shown month
// on and removes later every-month limits; one entered without the toggle
// holds for the shown month only. A row or head with a limit can be
// deleted. "Done" saves the store, "Cancel" rolls it back.
//
// Opened by the budget wizard (view mode 1) it starts in editing and its
// "Done" saves and ends the wizard, its "Cancel" cancels it.
//
// A store replaced by sync closes what was opened from here ("Manage
// Budget", the budget wizard, "Unbudgeted", an amount screen): they hold
// the old store's objects. The screen then reads the new budget.
//
// TLGlobal's activeMonthID always is the month shown, since every limit
// lookup uses it. Keys: "+" and "-" step the month, "Enter" is the right
// button, "Escape" cancels editing.

#include <memory>
#include <vector>

#include "Classes/budgets/TLBudgetSection.h"
#include "Classes/controls/TLDateBar.h"
#include "Classes/controls/TLNetworthView.h"
#include "Classes/shell/TLViewC.h"

namespace tallo {

class AmountViewC;
class TLBudget;
class TLBudgetField;
class TLBudgetRecord;
class TLBudgetRecordCustom;

class BudgetInfoViewC : public TLViewC {
public:
    // The view mode of the budget wizard's review step.
    static constexpr int kWizardMode = 1;

    BudgetInfoViewC();
    ~BudgetInfoViewC() override;

    void viewDidLoad() override;
    void prepareForMode(int mode) override;
    void viewWillAppear(bool animated) override;
    void renderContent(SceneNode& content, SceneContext& context) override;
    bool keyPressed(const std::string& key) override;

    // Rebuilds both sections for the shown month and the table.
    void reloadData();
    // The month bar chose `month` of `year`.
    void didSelectMonth(int month, int year);
    void leftAction() override;
    void rightAction() override;
    void willPopNextView(TLNavigationViewC* next) override;
    void willDismissModalView(TLNavigationViewC* modal) override;

    TLBudget* budget() const { return budget_; }
    TLBudgetSection& incomeSection() { return incomeSection_; }
    TLBudgetSection& expenseSection() { return expenseSection_; }
    // The sections shown, income first.
    const std::vector<TLBudgetSection*>& sectionsArray() const { return sectionsArray_; }
    TLDateBar& dateBar() { return dateBar_; }
    const TLTimeInterval& activeMonthInterval() const { return *activeMonthInterval_; }
    bool isToday() const { return isToday_; }
    const TLNetworthView& networthView() const { return networthView_; }

    int numberOfSectionsInTableView(TableView&) override;
    int tableViewNumberOfRowsInSection(TableView&, int section) override;
    std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) override;
    void tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath indexPath) override;
    bool tableViewCanEditRowAtIndexPath(TableView&, IndexPath indexPath) override;
    TableViewCellEditingStyle tableViewEditingStyleForRowAtIndexPath(TableView&, IndexPath indexPath) override;
    void tableViewCommitDeleteForRowAtIndexPath(TableView&, IndexPath indexPath) override;
    void tableViewCommitInsertForRowAtIndexPath(TableView&, IndexPath indexPath) override;

private:
    void fetchBudget();
    // Closes the screens opened from here, without their results.
    void closeOpenedScreens();
    void setMonth(int month, int year);
    void updateButtons();
    void enterEditing();
    void leaveEditing();
    void openManageBudget();
    // The budget section of table section `section` (1, 2), or nothing.
    TLBudgetSection* sectionAt(int section) const;
    bool showsUnbudgetedRow(const TLBudgetSection& section) const;
    // The amount screen for a limit of `record` (nothing: none yet).
    void editLimit(TLBudgetSection& section, TLBudgetField* field, const std::string& title);
    void limitEntered(AmountViewC& amount);
    void deleteRow(IndexPath indexPath);
    std::shared_ptr<TableViewCell> headCell(TLBudgetSection& section);

    TLBudget* budget_ = nullptr;
    TLBudgetSection incomeSection_;
    TLBudgetSection expenseSection_;
    std::vector<TLBudgetSection*> sectionsArray_;
    std::shared_ptr<TLTimeInterval> activeMonthInterval_;
    uint32_t shownMonthID_ = 0;
    bool isToday_ = true;
    TLDateBar dateBar_;
    TLNetworthView networthView_;
    bool deletedElement_ = false;
    bool emptyState_ = false;
    // What the open amount screen changes.
    TLBudgetSection* editingSection_ = nullptr;
    TLBudgetRecord* editingRecord_ = nullptr;
    TLCategory* editingCategory_ = nullptr;
    TLBudgetRecordCustom* recordCustom_ = nullptr;
};

}  // namespace tallo
