#pragma once
// TLSelectionViewC: a searchable list of stored objects to choose from.
// Each row shows an object's label (getLabelAttributeKey, "name" by
// default), sorted by it with the plain, case-sensitive comparison
// ("Zebra" before "apple"); a search keeps the objects whose label contains
// the typed text in any case, in list order.
//
// selectionType 1 chooses several: row 0 is the group row ("Select All", or
// "Unselect All" when every object is chosen) and the objects follow, each
// chosen one checked; tapping one adds it to or takes it from
// selectedObjectsArray. Any other selectionType chooses one: tapping a row
// keeps it as selectedIndex and selectedObject and closes the screen,
// unless shouldConfirmSelection is set.
//
// Objects in filterSet are never listed, also not in a search. The opener
// sets the fields, shows the screen (pushed, or presented in mode 1 — right
// button "Next" — or 2 — "Done" — when choosing several) and reads the
// choice in its willPopNextView or willDismissModalView. "Cancel" closes it.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Classes/shell/TLSearchViewC.h"

namespace tallo {

class TLSelectionViewC : public TLSearchViewC {
public:
    explicit TLSelectionViewC(TableView::Style style = TableView::Style::Plain);

    int selectionType = 0;
    int selectedIndex = 0;
    std::vector<ManagedObject*> selectedObjectsArray;
    std::vector<ManagedObject*> filterSet;
    bool shouldConfirmSelection = false;
    std::shared_ptr<TableViewCell> groupSelectionCell;
    bool isSelectionView = false;
    // Put before the label's order when set (a list sorted by kind first).
    std::optional<SortDescriptor> searchSortDescriptor;

    bool isMultiple() const { return selectionType == 1; }
    // The object chosen last in single mode.
    ManagedObject* selectedObject() const { return selectedObject_; }

    virtual std::string getLabelAttributeKey() { return "name"; }
    // An object's label as the rows show it.
    virtual std::string labelOfObject(ManagedObject* object);
    // The object a row shows (nothing for the group row or a made-up row).
    virtual ManagedObject* objectAtIndexPath(IndexPath indexPath);
    std::vector<ManagedObject*> fetchedObjects();

    std::shared_ptr<const Predicate> getPredicate() override;
    std::vector<SortDescriptor> getSortDescriptorsArray() override;

    void markAll();
    void unmarkAll();

    void viewDidLoad() override;
    void configureView() override;
    void prepareForMode(int mode) override;
    void leftAction() override;
    bool searchDisplayControllerShouldReloadTableForSearchString(const std::string& text) override;

    int numberOfSectionsInTableView(TableView&) override { return 1; }
    int tableViewNumberOfRowsInSection(TableView&, int section) override;
    std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) override;
    void tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath indexPath) override;

protected:
    bool isChosen(ManagedObject* object) const;
    // Single mode: remember the row and close unless confirming.
    void chooseRow(IndexPath indexPath);
    // Several mode: the object is added to the choice, or taken out of it.
    void toggleSelectionOfObject(ManagedObject* object);

private:
    ManagedObject* selectedObject_ = nullptr;
};

}  // namespace tallo
