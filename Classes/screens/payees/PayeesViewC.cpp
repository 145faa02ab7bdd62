#include "Classes/screens/payees/PayeesViewC.h"

#include "Classes/controls/TLPictureCell.h"
#include "Classes/ledger/TLPayee.h"
#include "Classes/ledger/TLTransaction.h"
#include "Classes/screens/categories/NewTransactionFromPicture.h"
#include "Classes/screens/payees/PayeeEditViewC.h"
#include "Classes/screens/wizard/TLWizard.h"
#include "Classes/shell/TLGlobal.h"
#include "Classes/store/TLDatabase.h"
#include "Platform/foundation/Localization.h"
#include "Platform/ui/PeoplePickerNavigationController.h"

namespace tallo {

PayeesViewC::PayeesViewC() {
    setTitle(L("Payees"));
    label = L("No payees");
    label2 = L("Press \"+\" to create your first payee.");
}

std::string PayeesViewC::getLabelAttributeValueFromObject(ManagedObject* object) {
    auto* payee = static_cast<TLPayee*>(object);
    return payee != nullptr ? payee->representationString().value_or("") : "";
}

std::vector<SortDescriptor> PayeesViewC::getSortDescriptorsArray() {
    // In any case, so "apple" and "Avis" share the A section.
    return {SortDescriptor{"representationString", true, SortDescriptor::Comparison::CaseInsensitiveCompare}};
}

void PayeesViewC::configureView() {
    bool root = isRootView;
    TLAZSelectionViewC::configureView();
    isRootView = root;
}

void PayeesViewC::viewDidLoad() {
    TLAZSelectionViewC::viewDidLoad();
    setButtons();
}

void PayeesViewC::viewWillAppear(bool animated) {
    TLAZSelectionViewC::viewWillAppear(animated);
    if (isSearching()) return reloadSearchResults();
    reloadData();
    setButtons();
}

void PayeesViewC::prepareForMode(int) { setButtons(); }

void PayeesViewC::setButtons() {
    if (isEditing()) return;
    setRightBarButtonType(TLBarButtonType::Add);
    if (!isRootView) return setLeftBarButtonType(TLBarButtonType::Back);
    if (isContainingRecords()) {
        setLeftBarButtonType(TLBarButtonType::Edit);
    } else {
        removeLeftBarButton();
    }
}

void PayeesViewC::leftAction() {
    if (isEditing()) {
        cancel();
        return setButtons();
    }
    if (isRootView) return toggleEdit();
    popView();
}

void PayeesViewC::rightAction() {
    if (isEditing()) {
        done();
        return setButtons();
    }
    showAddSheet();
}

void PayeesViewC::showAddSheet() {
    addSheet = std::make_shared<ActionSheet>("", L("Cancel"), "",
                                             std::vector<std::string>{L("Create New"), L("Add from Address Book")});
    std::weak_ptr<ViewController> weak = weak_from_this();
    addSheet->clicked = [this, weak](int index) {
        auto alive = weak.lock();
        if (!alive) return;
        addSheet.reset();
        if (index == 0) createPayee();
        if (index == 1) showPeoplePicker();
    };
    addSheet->show();
}

void PayeesViewC::createPayee() {
    auto* payee = static_cast<TLPayee*>(createObjectForEntity("Payee"));
    payee->initializeNilNames();
    pushView(std::make_shared<PayeeEditViewC>(payee), 1);
}

void PayeesViewC::showPeoplePicker() {
    peoplePicker = std::make_shared<PeoplePickerNavigationController>(std::make_shared<AddressBook>(addressBookFolder));
    std::weak_ptr<ViewController> weak = weak_from_this();
    peoplePicker->didSelectPerson = [this, weak](const Person& person) {
        if (auto alive = weak.lock()) addPerson(person);
    };
    peoplePicker->didCancel = [this, weak] {
        if (auto alive = weak.lock()) closePeoplePicker();
    };
    presentModalViewController(peoplePicker, workAnimated);
}

TLPayee* PayeesViewC::addPerson(const Person& person) {
    TLPayee* payee = TLPayee::createFromPerson(person);
    closePeoplePicker();
    reloadData();
    setButtons();
    return payee;
}

void PayeesViewC::closePeoplePicker() {
    if (!peoplePicker) return;
    dismissModalViewControllerAnimated(workAnimated);
    peoplePicker.reset();
}

void PayeesViewC::startNewTransaction(TLPayee* payee) {
    TLTransaction* transaction = NewTransactionFromPicture::fromPayee(payee);
    if (transaction == nullptr) return;
    TLWizard::activeWizard().beginWithInitiator(this, TLWizard::Initiator::PayeeList, transaction);
}

std::shared_ptr<TableViewCell> PayeesViewC::tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) {
    auto cell = std::make_shared<TLPictureCell>(TableViewCell::Style::Default, "cell");
    auto* payee = static_cast<TLPayee*>(objectAtIndexPath(indexPath));
    if (payee == nullptr) return cell;
    cell->textLabel().text = getLabelAttributeValueFromObject(payee);
    cell->setPicture(payee->getImageSmall(true));
    if (!isEditing()) {
        cell->accessoryType = TableViewCell::Accessory::DisclosureIndicator;
        cell->pictureTapped = [this, payee] { startNewTransaction(payee); };
    }
    return cell;
}

void PayeesViewC::tableViewCommitDeleteForRowAtIndexPath(TableView&, IndexPath indexPath) {
    ManagedObject* payee = objectAtIndexPath(indexPath);
    if (payee == nullptr) return;
    deleteObject(payee);
    TLGlobal::sharedGlobal().setShouldMissDeselect(true);
    if (!isEditing()) TLDatabase::sharedDatabase().save();
    reloadData();
}

void PayeesViewC::tableViewDidSelectRowAtIndexPath(TableView&, IndexPath indexPath) {
    if (isEditing()) return;
    auto* payee = static_cast<TLPayee*>(objectAtIndexPath(indexPath));
    if (payee == nullptr) return;
    setSelectedIndexPath(indexPath);
    pushView(std::make_shared<PayeeEditViewC>(payee), 0);
}

bool PayeesViewC::keyPressed(const std::string& key) {
    if (key != "+" || isEditing()) return false;
    showAddSheet();
    return true;
}

void PayeesViewC::renderHeaderView(SceneNode& content, SceneContext& context) {
    if (!tableView().isHidden()) TLAZSelectionViewC::renderHeaderView(content, context);
}

}  // namespace tallo
