#include "Classes/shell/TLCheckListViewC.h"

#include <algorithm>

namespace tallo {

TLCheckListViewC::TLCheckListViewC() : TLViewC(TableView::Style::Grouped) {}

bool TLCheckListViewC::isChecked(int row) const {
    return std::find(checkedIndexArray.begin(), checkedIndexArray.end(), row) != checkedIndexArray.end();
}

void TLCheckListViewC::viewDidLoad() {
    TLViewC::viewDidLoad();
    if (type == 0) setLeftBarButtonType(1);
    removeRightBarButton();
    isHeaderViewEnabled = true;
}

void TLCheckListViewC::viewWillAppear(bool animated) {
    TLViewC::viewWillAppear(animated);
    resizeFooterView();
}

void TLCheckListViewC::leftAction() {
    isCanceled = true;
    // Set before closing: the opener reads it as the screen goes.
    if (type == 0) selectedIndex = -1;
    popView();
}

std::shared_ptr<TableViewCell> TLCheckListViewC::tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) {
    auto cell = std::make_shared<TableViewCell>(TableViewCell::Style::Default, "cell");
    size_t row = static_cast<size_t>(indexPath.row);
    if (row < labelsArray.size()) cell->textLabel().text = labelsArray[row];
    if (row < iconPathsArray.size()) {
        cell->imageName = iconPathsArray[row];
        cell->imageInactive = true;
    }
    if (isChecked(indexPath.row)) cell->accessoryType = TableViewCell::Accessory::Checkmark;
    return cell;
}

void TLCheckListViewC::tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath indexPath) {
    TLViewC::tableViewDidSelectRowAtIndexPath(table, indexPath);
    selectedIndex = indexPath.row;
    if (type == 0 || type == 1) {
        checkedIndexArray.clear();
        checkedIndexArray.push_back(indexPath.row);
    } else if (isChecked(indexPath.row)) {
        checkedIndexArray.erase(std::find(checkedIndexArray.begin(), checkedIndexArray.end(), indexPath.row));
    } else {
        checkedIndexArray.push_back(indexPath.row);
    }
    table.reloadData();
    if (type == 0) popView();
}

}  // namespace tallo
