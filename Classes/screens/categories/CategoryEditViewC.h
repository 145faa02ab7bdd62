#pragma once
// CategoryEditViewC: a category's screen. Modes: 0 shows the category
// (title: its name), 1 makes a new one ("New Category", or "New
// Subcategory" for one with a master), 2 edits it ("Edit <name>"); 1 and 2
// open in editing, 1 with the caret in the name.
//
// The first row is the name (a field while editing: "Category Name" or
// "Subcategory Name") with the total; outside editing "New Transaction"
// follows it and starts a new transaction in the category. A master lists
// its subcategories by name with their totals (tapping one opens it), and
// while an existing master is edited "Create Subcategory" comes first,
// which makes a subcategory and opens it in mode 1. The picture above the
// rows is the category's own, else the one it shows by default; a picture
// chosen for it is kept in its image record.
//
// Right button "Edit"/"Done" ("Done" only while the name is not empty),
// left back or "Cancel":
//   Done, mode 1: the name ("No name" when empty) is saved; the screen closes.
//   Done, other modes: editing ends, the store is saved.
//   Cancel, mode 1: the new category is deleted; the screen closes.
//   Cancel, other modes: every unsaved change is undone, the stored picture
//   shown again, editing ends.
// While editing an existing category a last row deletes it ("Delete
// Subcategory" or "Delete Category") after the framework's confirmation —
// a second later while a chosen picture is still being scaled.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "Classes/shell/IconCDViewC.h"
#include "Platform/foundation/Decimal.h"

namespace tallo {

class TLCategory;

class CategoryEditViewC : public IconCDViewC {
public:
    explicit CategoryEditViewC(TLCategory* category);

    TLCategory* category;
    std::map<std::string, Decimal> amountsCache;
    // The total the list already knew, handed over when opening.
    std::optional<Decimal> amount;

    Decimal amountForCategory(TLCategory* shown);
    void createSubcategory();
    void startNewTransaction();
    // Done and Cancel as the buttons run them.
    void doneAction();
    void cancelAction();
    void deleteCategoryAction();

    ManagedObject* getObject() override;
    std::string getDeleteButtonTitle() override;

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void prepareForMode(int mode) override;
    void leftAction() override;
    void rightAction() override;
    // Typed outside a field: "Enter" is Done (when it is on), "Escape" Cancel.
    bool keyPressed(const std::string& key) override;
    void setEditing(bool editing, bool animated) override;
    void useImage(const Image& image) override;
    void deleteImage() override;

    int numberOfSectionsInTableView(TableView&) override;
    int tableViewNumberOfRowsInSection(TableView&, int section) override;
    std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) override;
    bool tableViewCanEditRowAtIndexPath(TableView&, IndexPath indexPath) override;
    TableViewCellEditingStyle tableViewEditingStyleForRowAtIndexPath(TableView&, IndexPath) override {
        return TableViewCellEditingStyle::Insert;
    }
    void tableViewCommitInsertForRowAtIndexPath(TableView&, IndexPath) override { createSubcategory(); }
    void tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath indexPath) override;

private:
    enum class Section { Name, Subcategories, Delete };
    std::vector<Section> sections();
    bool isMaster() const;
    bool showsCreateRow() { return isEditing() && viewMode != 1 && isMaster(); }
    void updateTitle();
    void updateButtons();
    void updateNameCell();
    void showStoredPicture();

    std::shared_ptr<TableViewCell> nameCell_;
    // The caret goes into the name at the next drawing (a new category).
    bool focusName_ = false;
};

}  // namespace tallo
