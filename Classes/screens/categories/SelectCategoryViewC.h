#pragma once
// SelectCategoryViewC: the category chooser ("Select Category"). One
// section per master category (by name, then creation date); each section
// starts with the master itself — tapping it chooses the master — followed
// by its subcategories by name. The index strip ("{search}", A … Z, "#")
// goes to the first master of the tapped letter, else to the nearest one in
// the strip.
//
// Searching ("Search or Create New Category") lists, after a first row that
// creates, every master whose name holds the text (any case) with its
// matching subcategories, and masters that do not match with only their
// matching subcategories. The first row reads:
//   "Create "<text>""                   — a new master named <text>;
//   "Create "<Sub>" in "<Master>""      — for "Master:Sub": a new
//       subcategory of the master of that name, made as well when there is
//       none. When <Master> names a subcategory, the new one goes beside it,
//       under its master, whose name the row shows: the tree has two levels.
// Text ending with ":" (nothing after it) creates a master of the whole
// text. Spaces around either part are dropped.
//
// selectType 0 chooses one: the choice (a row, a master, or a created
// category) is `category` and the chooser closes. selectType 1 marks several
// in selectedCategoriesArray; its right button ("Next" in mode 1, "Done" in
// mode 2) closes. "Cancel" closes with isCanceled set. The opener reads the
// result in its willPopNextView or willDismissModalView. A created category
// is not saved here: the opener's save or rollback decides. As a step of
// the entry wizard (view mode 1) a choice and the right button move the
// wizard on, and "Cancel" cancels it.

#include <string>
#include <vector>

#include "Classes/screens/categories/SearchConnector.h"
#include "Classes/shell/TLSelectionViewC.h"

namespace tallo {

class TLCategory;
class TLScheduler;
class TLTransaction;

class SelectCategoryViewC : public TLSelectionViewC {
public:
    SelectCategoryViewC();

    TLCategory* category = nullptr;
    int selectType = 0;  // 0 one, 1 several
    std::vector<TLCategory*> selectedCategoriesArray;
    TLTransaction* transaction = nullptr;
    TLScheduler* scheduler = nullptr;

    // The search-and-create state of the current text.
    bool isCreatingSubcat = false;
    std::string mastercatName;
    std::string createSubcatName;
    TLCategory* foundMastercat = nullptr;
    // The section titles: each master's name's first letter, upper-cased.
    std::vector<std::string> namesArray;
    std::vector<SearchConnector> searchResults;

    // The masters as listed.
    std::vector<TLCategory*> masters();
    // The category a row shows (nothing for the creating row).
    TLCategory* categoryAtIndexPath(IndexPath indexPath);
    // The section an index title leads to.
    int sectionForIndexTitle(const std::string& title, int index);
    // The first row's answer: the new category (and its new master).
    TLCategory* createCategoryFromSearch();

    std::string getEntityName() override { return "Category"; }
    std::shared_ptr<const Predicate> getPredicate() override;
    std::vector<SortDescriptor> getSortDescriptorsArray() override;

    void viewDidLoad() override;
    void prepareForMode(int mode) override;
    void leftAction() override;
    void rightAction() override;
    // "Escape" typed outside the search field is "Cancel".
    bool keyPressed(const std::string& key) override;
    bool searchDisplayControllerShouldReloadTableForSearchString(const std::string& text) override;

    int numberOfSectionsInTableView(TableView&) override;
    int tableViewNumberOfRowsInSection(TableView&, int section) override;
    std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) override;
    std::vector<std::string> sectionIndexTitlesForTableView(TableView&) override;
    int tableViewSectionForSectionIndexTitleAtIndex(TableView& table, const std::string& title, int index) override;
    void tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath indexPath) override;

private:
    // Opened by the entry wizard as its current step.
    bool isWizardStep() const;
    void readSearchText(const std::string& text);
    void choose(TLCategory* chosen);
    bool isMarked(TLCategory* candidate) const;

    std::vector<std::string> indexTitles_;
};

}  // namespace tallo
