#pragma once
// PayeeEditViewC: a payee's screen. Modes: 0 shows it ("Payee"), 1 makes a
// new one ("New Payee"), 2 edits it ("Edit Payee"); 1 and 2 open in
// editing.
//
// Editing: "First", "Last" and "Company" fields, each change written to the
// payee at once, and "Category" (the payee's default category), which
// opens the category chooser; its choice becomes the category, and deleting
// the row clears it. Outside editing: the display name, and the default
// category with its total when there is one. The picture above the rows is
// the payee's own, else the person or company picture.
//
// Right button "Edit"/"Done" ("Done" only while first name, last name or
// company is there — a payee with only a last name saves), left back or
// "Cancel":
//   Done: iscompany from the names (getIsCompanyFromNames) and the display
//   name are stored and the store saved; mode 1 closes, others leave editing.
//   Cancel, mode 1: the new payee is deleted; the screen closes.
//   Cancel, other modes: every unsaved change is undone, the stored picture
//   shown again, editing ends.
// While editing an existing payee a last row deletes it ("Delete Payee")
// after the framework's confirmation.

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "Classes/shell/IconCDViewC.h"

namespace tallo {

class TLPayee;

class PayeeEditViewC : public IconCDViewC {
public:
    explicit PayeeEditViewC(TLPayee* payee);

    TLPayee* payee;

    void doneAction();
    void cancelAction();
    void chooseCategory();

    ManagedObject* getObject() override;
    std::string getDeleteButtonTitle() override;

    void viewDidLoad() override;
    void prepareForMode(int mode) override;
    void leftAction() override;
    void rightAction() override;
    // Typed outside a field: "Enter" is Done (when it is on), "Escape" Cancel.
    bool keyPressed(const std::string& key) override;
    void setEditing(bool editing, bool animated) override;
    void willPopNextView(TLNavigationViewC* next) override;
    void useImage(const Image& image) override;
    void deleteImage() override;

    int numberOfSectionsInTableView(TableView&) override;
    int tableViewNumberOfRowsInSection(TableView&, int section) override;
    std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) override;
    bool tableViewCanEditRowAtIndexPath(TableView&, IndexPath indexPath) override;
    void tableViewCommitDeleteForRowAtIndexPath(TableView&, IndexPath indexPath) override;
    void tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath indexPath) override;

private:
    enum class Section { Names, Category, Delete };
    std::vector<Section> sections();
    bool hasAnyName() const;
    void updateTitle();
    void updateButtons();
    void showStoredPicture();
    void makeNameCells();

    std::array<std::shared_ptr<TableViewCell>, 3> nameCells_;
};

}  // namespace tallo
