#include "Classes/shell/TLCheckListViewC.h"

#include <algorithm>

namespace tallo {

TLCheckListViewC::TLCheckListViewC() : TLViewC(TableView::Style::Grouped) {}

bool TLCheckListViewC::isChecked(int row) const {
    return std::find(checkedIndexArray.begin(), checkedIndexArray.end(), row) != checkedIndexArray.end();
}

void TLCheckListViewC::viewDidLoad() {
    TLViewC::viewDidLoad();
    if (type == TLCheckListType::ChooseOneAndClose) setLeftBarButtonType(TLBarButtonType::Cancel);
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
    if (type == TLCheckListType::ChooseOneAndClose) selectedIndex = -1;
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
    if (type == TLCheckListType::ChooseOneAndClose || type == TLCheckListType::ChooseOneAndStay) {
        checkedIndexArray.clear();
        checkedIndexArray.push_back(indexPath.row);
    } else if (isChecked(indexPath.row)) {
        checkedIndexArray.erase(std::find(checkedIndexArray.begin(), checkedIndexArray.end(), indexPath.row));
    } else {
        checkedIndexArray.push_back(indexPath.row);
    }
    table.reloadData();
    if (type == TLCheckListType::ChooseOneAndClose) popView();
}

}  // namespace tallo
