#pragma once
// TLCheckListViewC: choose among fixed texts ("Account Type": Bank, Cash,
// Credit Card, Asset). One row per label, with its picture when
// iconPathsArray is set, and a check mark on each row in checkedIndexArray.
//
// `type` (TLCheckListType) ChooseOneAndClose: tapping a row makes it the
// only checked one and closes the screen; ChooseOneAndStay: the same, but
// the screen stays; ChooseSeveral (and any other number): tapping a row
// checks or unchecks it alone. selectedIndex is the row last tapped.
// "Cancel" (ChooseOneAndClose only) closes the screen leaving
// checkedIndexArray as it was, with selectedIndex −1 and isCanceled set —
// already when the opener's willDismissModalView reads them.

#include <string>
#include <vector>

#include "Classes/shell/TLCheckListType.h"
#include "Classes/shell/TLViewC.h"

namespace tallo {

class TLCheckListViewC : public TLViewC {
public:
    TLCheckListViewC();

    std::vector<std::string> labelsArray;
    std::vector<std::string> iconPathsArray;
    std::vector<int> checkedIndexArray;
    int type = TLCheckListType::ChooseOneAndClose;
    int selectedIndex = 0;

    bool isChecked(int row) const;

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void leftAction() override;

    int tableViewNumberOfRowsInSection(TableView&, int) override { return static_cast<int>(labelsArray.size()); }
    std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) override;
    void tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath indexPath) override;
};

}  // namespace tallo
