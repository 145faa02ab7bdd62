#pragma once
// SyncViewC: the Sync settings — which desktop library the device is paired
// with, and the way to pair with another.
//
//   unpaired:  "Set Library"
//   paired:    the library's name ("documentName", else its identifier),
//              not selectable; "Set New Library"
//
// The last row presents the pairing screen (SyncEditViewC) and starts
// pairing. The paired library is not forgotten then: it is replaced only
// when a desktop pairs, so cancelling keeps the device paired as it was.
// The rows are read again when the pairing screen closes.

#include "Classes/shell/TLViewC.h"

namespace tallo {

class SyncViewC : public TLViewC {
public:
    SyncViewC();

    void viewDidLoad() override;
    int tableViewNumberOfRowsInSection(TableView&, int) override;
    std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) override;
    void tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath indexPath) override;
    void willDismissModalView(TLNavigationViewC* modal) override;

    // The paired library's name as shown: "documentName", else the
    // identifier; "" when unpaired.
    static std::string libraryTitle();
};

}  // namespace tallo
