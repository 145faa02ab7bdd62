#pragma once
// PasscodeViewC: the Passcode settings — one section of two centred rows.
//
//   row 0  "Set Passcode" (none set) or "Change Passcode" (one set)
//   row 1  "Remove Passcode": dark grey when a passcode is set, grey and
//          doing nothing otherwise
//
// Each row presents the entry screen (PasscodeEditViewC) modally in view
// mode 2, with the title of the row: EnterNew for "Set Passcode",
// VerifyToChange for "Change Passcode", VerifyToRemove for "Remove
// Passcode". The rows are read again when it closes.

#include "Classes/shell/TLViewC.h"

namespace tallo {

class PasscodeViewC : public TLViewC {
public:
    PasscodeViewC();

    void viewDidLoad() override;
    int tableViewNumberOfRowsInSection(TableView&, int) override { return 2; }
    std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) override;
    void tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath indexPath) override;
    void willDismissModalView(TLNavigationViewC* modal) override;
};

}  // namespace tallo
