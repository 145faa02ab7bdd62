#include "Classes/screens/payees/PayeeSelectionViewC.h"

#include "Classes/ledger/TLPayee.h"
#include "Classes/screens/wizard/TLWizard.h"
#include "Classes/store/TLDatabase.h"
#include "Platform/foundation/Localization.h"

namespace tallo {

PayeeSelectionViewC::PayeeSelectionViewC() {
    setTitle(L("Select Payee"));
    searchBar().placeholder = L("Search or Create New");
}

std::string PayeeSelectionViewC::getLabelAttributeValueFromObject(ManagedObject* object) {
    auto* shown = static_cast<TLPayee*>(object);
    return shown != nullptr ? shown->representationString().value_or("") : "";
}

std::vector<SortDescriptor> PayeeSelectionViewC::getSortDescriptorsArray() {
    return {SortDescriptor{"representationString", true, SortDescriptor::Comparison::CaseInsensitiveCompare}};
}

void PayeeSelectionViewC::configureView() {
    TLAZSelectionViewC::configureView();
    // The search creates: the list stays even when there is no payee yet.
    canCreateRecord = true;
}

void PayeeSelectionViewC::prepareForMode(int mode) {
    TLAZSelectionViewC::prepareForMode(mode);
    // In the entry wizard (mode 1) "Next" moves on; the wizard answers it.
    if (mode == 1) setRightBarButtonType(TLBarButtonType::Next);
}

void PayeeSelectionViewC::leftAction() {
    isCanceled = true;
    // Inside the entry wizard "Cancel" cancels it.
    if (isWizardStep()) return TLWizard::activeWizard().cancel();
    TLAZSelectionViewC::leftAction();
}

void PayeeSelectionViewC::rightAction() {
    if (isWizardStep()) return TLWizard::activeWizard().next();
    popView();
}

bool PayeeSelectionViewC::isWizardStep() const {
    TLWizard& wizard = TLWizard::activeWizard();
    return viewMode == 1 && wizard.isActive() && wizard.activeView() == this;
}

TLPayee* PayeeSelectionViewC::createPayeeFromText(const std::string& text) {
    TLDatabase& database = TLDatabase::sharedDatabase();
    auto* created = static_cast<TLPayee*>(database.createObjectForEntity("Payee"));
    created->initializeNilNames();
    created->setNamesFromString(text);
    created->setRepresentationString(created->getRepresentationString());
    database.context()->processPendingChanges();
    return created;
}

void PayeeSelectionViewC::tableViewDidSelectRowAtIndexPath(TableView&, IndexPath indexPath) {
    setSelectedIndexPath(indexPath);
    if (isSearching() && indexPath.row == 0) {
        payee = createPayeeFromText(searchBar().text);
    } else {
        payee = static_cast<TLPayee*>(objectAtIndexPath(indexPath));
        if (payee == nullptr) return;
    }
    // Inside the entry wizard the wizard moves on instead of closing.
    if (isWizardStep()) return TLWizard::activeWizard().next();
    popView();
}

bool PayeeSelectionViewC::keyPressed(const std::string& key) {
    if (key != "Escape") return false;
    leftAction();
    return true;
}

}  // namespace tallo
