#pragma once
// PayeeSelectionViewC: the payee chooser ("Select Payee") — the payees by
// display name in A–Z sections with the index strip. Searching ("Search or
// Create New") puts "Create "<text>"" first: it makes a payee named from
// the text (first word the first name, second the last name) and chooses
// it; the matching payees follow. The choice is `payee` and the chooser
// closes; "Cancel" closes with isCanceled set. The opener reads `payee` in
// its willPopNextView or willDismissModalView; a created payee is not
// saved here. As a step of the entry wizard (view mode 1) a choice and
// "Next" (no payee) move the wizard on, and "Cancel" cancels it.

#include <string>

#include "Classes/shell/TLAZSelectionViewC.h"

namespace tallo {

class TLPayee;
class TLScheduler;

class PayeeSelectionViewC : public TLAZSelectionViewC {
public:
    PayeeSelectionViewC();

    TLPayee* payee = nullptr;
    TLScheduler* scheduler = nullptr;

    // The search row's answer: a new payee named from `text`.
    TLPayee* createPayeeFromText(const std::string& text);

    std::string getEntityName() override { return "Payee"; }
    std::string getLabelAttributeKey() override { return "representationString"; }
    std::string getLabelAttributeValueFromObject(ManagedObject* object) override;
    std::vector<SortDescriptor> getSortDescriptorsArray() override;

    void configureView() override;
    void prepareForMode(int mode) override;
    void leftAction() override;
    void rightAction() override;
    // "Escape" typed outside the search field is "Cancel".
    bool keyPressed(const std::string& key) override;
    void tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath indexPath) override;

private:
    // Opened by the entry wizard as its current step.
    bool isWizardStep() const;
};

}  // namespace tallo
