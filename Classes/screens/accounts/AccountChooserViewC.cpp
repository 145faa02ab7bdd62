#include "Classes/screens/accounts/AccountChooserViewC.h"

#include "Classes/ledger/TLAccount.h"
#include "Platform/foundation/Localization.h"

namespace tallo {

AccountChooserViewC::AccountChooserViewC(TLAccount* marked, TLAccount* leftOut) {
    setTitle(L("Select Account"));
    type = TLCheckListType::ChooseOneAndClose;
    for (TLAccount* candidate : TLAccount::getAccounts()) {
        if (candidate == leftOut) continue;
        if (candidate == marked) checkedIndexArray.push_back(static_cast<int>(accounts_.size()));
        accounts_.push_back(candidate);
        labelsArray.push_back(candidate->name().value_or(""));
    }
}

void AccountChooserViewC::leftAction() {
    account = nullptr;
    if (!inWizard()) return TLCheckListViewC::leftAction();
    isCanceled = true;
    selectedIndex = -1;
    if (wizardCancel) wizardCancel();
}

void AccountChooserViewC::tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath indexPath) {
    auto row = static_cast<size_t>(indexPath.row);
    account = row < accounts_.size() ? accounts_[row] : nullptr;
    if (!inWizard()) return TLCheckListViewC::tableViewDidSelectRowAtIndexPath(table, indexPath);
    selectedIndex = indexPath.row;
    checkedIndexArray = {indexPath.row};
    table.reloadData();
    if (account != nullptr) wizardDone();
}

}  // namespace tallo
