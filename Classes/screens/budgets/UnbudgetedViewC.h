#pragma once
// UnbudgetedViewC: "Unbudgeted", what a budget section spent (or received)
// this month in categories without a limit — each such master category
// followed by its subcategories, with their amounts (expenses negated) and
// the add mark; a search by name narrows the list. Tapping one opens the
// amount screen for its limit (starting at its amount, every month on);
// the limit entered makes its budget record for the shown month, the row
// goes, and the screen closes itself once no row is left.

#include <memory>
#include <vector>

#include "Classes/budgets/TLBudgetField.h"
#include "Classes/shell/TLSearchViewC.h"

namespace tallo {

class TLBudgetSection;

class UnbudgetedViewC : public TLSearchViewC {
public:
    UnbudgetedViewC();

    TLBudgetSection* budgetSection = nullptr;

    void viewDidLoad() override;
    void viewDidAppear(bool animated) override;
    void reloadData() override;
    void willPopNextView(TLNavigationViewC* next) override;
    bool searchDisplayControllerShouldReloadTableForSearchString(const std::string& text) override;

    // The fields listed now (the search's when searching), in order.
    const std::vector<TLBudgetField::Ptr>& rows() const { return isSearching() ? found_ : fields_; }

    int numberOfSectionsInTableView(TableView&) override { return 1; }
    int tableViewNumberOfRowsInSection(TableView&, int) override { return static_cast<int>(rows().size()); }
    std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) override;
    void tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath indexPath) override;

private:
    std::vector<TLBudgetField::Ptr> fields_;
    std::vector<TLBudgetField::Ptr> found_;
    TLBudgetField::Ptr editing_;
    bool closesWhenEmpty_ = false;
};

}  // namespace tallo
