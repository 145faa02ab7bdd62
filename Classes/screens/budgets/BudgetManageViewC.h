#pragma once
// BudgetManageViewC: "Manage Budget", the categories a limit can be set
// for — every master category by name, each followed by its subcategories
// in their order, with its total in the ledger and
// the add mark; a search by name narrows the list. Tapping a category
// without a budget record opens the amount screen for its limit (its total
// as magnitude, every month on, its usual direction); the limit entered
// makes the record, for the month the budget screen shows. A category that
// has a record is checked and does nothing.
//
// "Done" and "Cancel" both close it: what it made stays unsaved until the
// budget screen saves or cancels. In the budget wizard (view mode 1) the
// right button is "Next" and "Cancel" cancels the wizard.

#include <memory>
#include <vector>

#include "Classes/shell/TLSearchViewC.h"

namespace tallo {

class AmountViewC;
class TLBudget;
class TLCategory;

class BudgetManageViewC : public TLSearchViewC {
public:
    static constexpr int kWizardMode = 1;

    BudgetManageViewC();

    TLBudget* budget = nullptr;

    void viewDidLoad() override;
    void prepareForMode(int mode) override;
    void viewWillAppear(bool animated) override;
    void reloadData() override;
    void leftAction() override;
    void rightAction() override;
    void willDismissModalView(TLNavigationViewC* modal) override;
    bool searchDisplayControllerShouldReloadTableForSearchString(const std::string& text) override;

    // The categories listed now (the search's when searching), in order.
    const std::vector<TLCategory*>& rows() const { return isSearching() ? found_ : categories_; }
    // The category has a budget record of either direction.
    static bool hasRecord(const TLCategory& category);

    int numberOfSectionsInTableView(TableView&) override { return 1; }
    int tableViewNumberOfRowsInSection(TableView&, int) override { return static_cast<int>(rows().size()); }
    std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) override;
    void tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath indexPath) override;

private:
    void listCategories();

    std::vector<TLCategory*> categories_;
    std::vector<TLCategory*> found_;
    TLCategory* editingCategory_ = nullptr;
    std::shared_ptr<AmountViewC> amountScreen_;
};

}  // namespace tallo
