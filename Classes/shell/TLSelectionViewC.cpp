#include "Classes/shell/TLSelectionViewC.h"

#include <algorithm>

#include "Platform/foundation/Localization.h"
#include "Platform/objectstore/ManagedObject.h"
#include "Platform/objectstore/TextFolding.h"

namespace tallo {

TLSelectionViewC::TLSelectionViewC(TableView::Style style) : TLSearchViewC(style) {}

std::string TLSelectionViewC::labelOfObject(ManagedObject* object) {
    if (object == nullptr) return {};
    Value value = object->valueForKey(getLabelAttributeKey());
    if (const std::string* text = value.asString()) return *text;
    return value.isNull() ? std::string() : value.description();
}

std::vector<ManagedObject*> TLSelectionViewC::fetchedObjects() {
    FetchedResultsController* controller = frc();
    return controller != nullptr ? controller->fetchedObjects() : std::vector<ManagedObject*>{};
}

std::shared_ptr<const Predicate> TLSelectionViewC::getPredicate() {
    if (!filterSet.empty()) return Predicate::parse("NOT SELF IN %@", {Value(ObjectList(filterSet))});
    return searchPredicate;
}

std::vector<SortDescriptor> TLSelectionViewC::getSortDescriptorsArray() {
    std::vector<SortDescriptor> sort;
    if (searchSortDescriptor) sort.push_back(*searchSortDescriptor);
    sort.push_back(SortDescriptor{getLabelAttributeKey(), true, SortDescriptor::Comparison::Compare});
    return sort;
}

bool TLSelectionViewC::isChosen(ManagedObject* object) const {
    return std::find(selectedObjectsArray.begin(), selectedObjectsArray.end(), object) != selectedObjectsArray.end();
}

void TLSelectionViewC::markAll() {
    selectedObjectsArray = fetchedObjects();
    tableView().reloadData();
}

void TLSelectionViewC::unmarkAll() {
    selectedObjectsArray.clear();
    tableView().reloadData();
}

void TLSelectionViewC::configureView() {
    shouldConfirmSelection = false;
    footerHeight = 4;
    isSelectionView = true;
}

void TLSelectionViewC::viewDidLoad() {
    TLSearchViewC::viewDidLoad();
    selectedIndex = 0;
    setLeftBarButtonType(TLBarButtonType::Cancel);
    performFetch();
    tableView().reloadData();
    groupSelectionCell = std::make_shared<TableViewCell>(TableViewCell::Style::Default, "group");
}

void TLSelectionViewC::prepareForMode(int mode) {
    removeRightBarButton();
    setLeftBarButtonType(TLBarButtonType::Cancel);
    if (isMultiple()) {
        if (mode == 1) setRightBarButtonType(TLBarButtonType::Next);
        if (mode == 2) setRightBarButtonType(TLBarButtonType::Done);
    }
}

void TLSelectionViewC::leftAction() {
    NavigationController* stack = navigationController();
    popView();
    // A stack presented by other means than presentModalView closes as well.
    if (stack != nullptr && stack->presentingViewController() != nullptr && stack->topViewController() == this) {
        stack->dismissModalViewControllerAnimated(true);
    }
}

bool TLSelectionViewC::searchDisplayControllerShouldReloadTableForSearchString(const std::string& text) {
    foundTitlesArray.clear();
    foundObjectsArray.clear();
    std::string wanted = foldText(text, true, false);
    for (ManagedObject* object : fetchedObjects()) {
        std::string label = labelOfObject(object);
        if (foldText(label, true, false).find(wanted) == std::string::npos) continue;
        foundTitlesArray.push_back(label);
        foundObjectsArray.push_back(object);
    }
    return true;
}

ManagedObject* TLSelectionViewC::objectAtIndexPath(IndexPath indexPath) {
    if (isSearching()) {
        if (indexPath.row < 0 || static_cast<size_t>(indexPath.row) >= foundObjectsArray.size()) return nullptr;
        return foundObjectsArray[static_cast<size_t>(indexPath.row)];
    }
    int row = isMultiple() ? indexPath.row - 1 : indexPath.row;
    std::vector<ManagedObject*> objects = fetchedObjects();
    if (row < 0 || static_cast<size_t>(row) >= objects.size()) return nullptr;
    return objects[static_cast<size_t>(row)];
}

int TLSelectionViewC::tableViewNumberOfRowsInSection(TableView&, int) {
    if (isSearching()) return static_cast<int>(foundTitlesArray.size());
    return static_cast<int>(fetchedObjects().size()) + (isMultiple() ? 1 : 0);
}

std::shared_ptr<TableViewCell> TLSelectionViewC::tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) {
    if (!isSearching() && isMultiple() && indexPath.row == 0) {
        if (!groupSelectionCell) groupSelectionCell = std::make_shared<TableViewCell>(TableViewCell::Style::Default, "group");
        bool all = selectedObjectsArray.size() == fetchedObjects().size();
        groupSelectionCell->textLabel().text = all ? L("Unselect All") : L("Select All");
        return groupSelectionCell;
    }
    auto cell = std::make_shared<TableViewCell>(TableViewCell::Style::Default, "cell");
    ManagedObject* object = objectAtIndexPath(indexPath);
    cell->textLabel().text = isSearching() && static_cast<size_t>(indexPath.row) < foundTitlesArray.size()
                                 ? foundTitlesArray[static_cast<size_t>(indexPath.row)]
                                 : labelOfObject(object);
    if (object != nullptr && isChosen(object)) cell->accessoryType = TableViewCell::Accessory::Checkmark;
    return cell;
}

void TLSelectionViewC::chooseRow(IndexPath indexPath) {
    setSelectedIndexPath(indexPath);
    selectedIndex = indexPath.row;
    selectedObject_ = objectAtIndexPath(indexPath);
    tableView().reloadData();
    if (!shouldConfirmSelection) popView();
}

void TLSelectionViewC::tableViewDidSelectRowAtIndexPath(TableView&, IndexPath indexPath) {
    if (!isMultiple()) return chooseRow(indexPath);
    setSelectedIndexPath(indexPath);
    selectedIndex = indexPath.row;
    if (!isSearching() && indexPath.row == 0) {
        if (selectedObjectsArray.size() != fetchedObjects().size()) {
            markAll();
        } else {
            unmarkAll();
        }
        tableView().reloadData();
        return;
    }
    toggleSelectionOfObject(objectAtIndexPath(indexPath));
}

void TLSelectionViewC::toggleSelectionOfObject(ManagedObject* object) {
    if (object == nullptr) return;
    auto found = std::find(selectedObjectsArray.begin(), selectedObjectsArray.end(), object);
    if (found == selectedObjectsArray.end()) {
        selectedObjectsArray.push_back(object);
    } else {
        selectedObjectsArray.erase(found);
    }
    tableView().reloadData();
}

}  // namespace tallo
