#pragma once
// PayeesViewC: the Payees list — every payee by display name
// (representationString, any case) in A–Z sections with the index strip,
// searchable. Empty: "No payees", "Press "+" to create your first payee.".
//
// "+" asks: "Create New" opens a new payee's screen in mode 1; "Add from
// Address Book" opens the people picker over the address book's vCard
// files (a card can be uploaded there too), and the person chosen becomes
// a payee (TLPayee::createFromPerson: names, kind, "Noname" for a card
// without any name, the picture scaled to 100 × 100 and masked); the store
// is saved and the list shows it. "Cancel" does nothing.
//
// Tapping a payee opens its screen (mode 0); tapping its picture starts a
// new transaction for it (NewTransactionFromPicture). As the tab's root it
// has "Edit", which lets payees be deleted ("Done" saves, "Cancel" undoes);
// opened from More it has a back button instead.

#include <memory>
#include <string>

#include "Classes/shell/TLAZSelectionViewC.h"
#include "Platform/contacts/AddressBook.h"

namespace tallo {

class PeoplePickerNavigationController;
class TLPayee;

class PayeesViewC : public TLAZSelectionViewC {
public:
    PayeesViewC();

    // The folder of vCard files the people picker reads.
    std::string addressBookFolder = AddressBook::defaultFolder();
    std::shared_ptr<ActionSheet> addSheet;
    std::shared_ptr<PeoplePickerNavigationController> peoplePicker;

    void showAddSheet();
    void createPayee();
    void showPeoplePicker();
    // The person chosen in the people picker becomes a payee.
    TLPayee* addPerson(const Person& person);
    void startNewTransaction(TLPayee* payee);

    std::string getEntityName() override { return "Payee"; }
    std::string getLabelAttributeKey() override { return "representationString"; }
    std::string getLabelAttributeValueFromObject(ManagedObject* object) override;
    std::vector<SortDescriptor> getSortDescriptorsArray() override;

    void configureView() override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void prepareForMode(int mode) override;
    // No search field over an empty list: there is nothing to find.
    void renderHeaderView(SceneNode& content, SceneContext& context) override;
    void leftAction() override;
    void rightAction() override;
    // "+" typed outside the search field asks what to add, as the button does.
    bool keyPressed(const std::string& key) override;

    std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) override;
    bool tableViewCanEditRowAtIndexPath(TableView&, IndexPath) override { return !isSearching(); }
    void tableViewCommitDeleteForRowAtIndexPath(TableView&, IndexPath indexPath) override;
    void tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath indexPath) override;

private:
    void setButtons();
    void closePeoplePicker();
};

}  // namespace tallo
