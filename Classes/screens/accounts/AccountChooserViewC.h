#pragma once
// AccountChooserViewC: "Select Account", the accounts in their stored order
// (TLAccount::getAccounts) with the marked one checked and, when asked, one
// left out (a transfer's own account). Choosing a row sets `account` and
// closes the list; "Cancel" closes it with `account` nullptr and
// isCanceled set — both already when the opener's willDismissModalView or
// willPopNextView reads them.
//
// As a step of the entry wizard (view mode 1, wizardDone set) choosing moves
// the wizard on instead of closing, and "Cancel" calls wizardCancel.

#include <functional>
#include <vector>

#include "Classes/shell/TLCheckListViewC.h"

namespace tallo {

class TLAccount;

class AccountChooserViewC : public TLCheckListViewC {
public:
    explicit AccountChooserViewC(TLAccount* marked = nullptr, TLAccount* leftOut = nullptr);

    // The chosen account; nullptr until one is chosen.
    TLAccount* account = nullptr;
    // The accounts listed, row by row.
    const std::vector<TLAccount*>& accounts() const { return accounts_; }

    std::function<void()> wizardDone;
    std::function<void()> wizardCancel;

    void leftAction() override;
    void tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath indexPath) override;

private:
    bool inWizard() const { return viewMode == 1 && wizardDone != nullptr; }
    std::vector<TLAccount*> accounts_;
};

}  // namespace tallo
