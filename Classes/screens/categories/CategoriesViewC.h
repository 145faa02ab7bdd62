#pragma once
// CategoriesViewC: the Categories tab — the master categories by name (then
// creation date), each with its picture, name and total in the default
// currency (getTotalAmount, its subcategories included), searchable by name
// in any case. Empty: "No categories", "Press "+" to create your first
// category.".
//
// "+" makes a new category and opens its screen in mode 1. "Edit" puts
// "Create Category" (a "+" row) first and lets categories be deleted; their
// deletions are saved by "Done" and undone by "Cancel"; outside editing a
// deletion is saved at once. Tapping a row opens the category's screen
// (mode 0) with the total already known; tapping a picture starts a new
// transaction in that category (NewTransactionFromPicture).
//
// Totals come from a TLCategoryTotals the list keeps: the first drawing
// rates every split once, and after a change only the splits it touched
// are rated again.

#include <string>

#include "Classes/ledger/TLCategoryTotals.h"
#include "Classes/shell/TLSearchViewC.h"
#include "Platform/foundation/Decimal.h"

namespace tallo {

class TLCategory;

class CategoriesViewC : public TLSearchViewC {
public:
    CategoriesViewC();

    // The total of `category` in the default currency, as the store holds it now.
    Decimal amountForCategory(TLCategory* category);
    // Starts reading the totals in the background (TLCategoryTotals), so the
    // tab's first showing finds them ready; also after a sync.
    void prepareTotals() { totals_.prepareInBackground(); }
    TLCategoryTotals& totals() { return totals_; }
    // The category a row shows (nothing for "Create Category").
    TLCategory* categoryAtIndexPath(IndexPath indexPath);
    // A new category, opened in its screen in mode 1.
    void createCategory();
    void startNewTransaction(TLCategory* category);

    std::string getEntityName() override { return "Category"; }
    std::shared_ptr<const Predicate> getPredicate() override;
    std::vector<SortDescriptor> getSortDescriptorsArray() override;
    bool searchDisplayControllerShouldReloadTableForSearchString(const std::string& text) override;

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    // No search field over an empty list: there is nothing to find.
    void renderHeaderView(SceneNode& content, SceneContext& context) override;
    void leftAction() override;
    void rightAction() override;
    // "+" typed outside the search field makes a new category, as the button does.
    bool keyPressed(const std::string& key) override;

    int numberOfSectionsInTableView(TableView&) override { return 1; }
    int tableViewNumberOfRowsInSection(TableView&, int section) override;
    std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) override;
    bool tableViewCanEditRowAtIndexPath(TableView&, IndexPath) override;
    TableViewCellEditingStyle tableViewEditingStyleForRowAtIndexPath(TableView&, IndexPath indexPath) override;
    void tableViewCommitDeleteForRowAtIndexPath(TableView&, IndexPath indexPath) override;
    void tableViewCommitInsertForRowAtIndexPath(TableView&, IndexPath) override { createCategory(); }
    void tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath indexPath) override;

private:
    bool showsCreateRow() { return isEditing() && !isSearching(); }
    TLCategoryTotals totals_;
};

}  // namespace tallo
