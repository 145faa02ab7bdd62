#include "Classes/screens/categories/CategoriesViewC.h"

#include "Classes/controls/TLPictureCell.h"
#include "Classes/ledger/TLCategory.h"
#include "Classes/ledger/TLTransaction.h"
#include "Classes/screens/categories/CategoryAmount.h"
#include "Classes/screens/categories/CategoryEditViewC.h"
#include "Classes/screens/categories/NewTransactionFromPicture.h"
#include "Classes/screens/wizard/TLWizard.h"
#include "Classes/shell/TLGlobal.h"
#include "Classes/store/TLDatabase.h"
#include "Platform/foundation/Localization.h"
#include "Platform/objectstore/TextFolding.h"

namespace tallo {

namespace {

std::string nameOf(const TLCategory* category) { return category != nullptr ? category->name().value_or("") : ""; }

}  // namespace

CategoriesViewC::CategoriesViewC() {
    setTitle(L("Categories"));
    label = L("No categories");
    label2 = L("Press \"+\" to create your first category.");
    NotificationCenter::defaultCenter().addObserver(this, "gotNewDatabase", [this](const Notification&) {
        resetFetchedResultsControllerAfterSync();
        prepareTotals();
    });
}

std::shared_ptr<const Predicate> CategoriesViewC::getPredicate() { return Predicate::parse("mastercat == NULL"); }

std::vector<SortDescriptor> CategoriesViewC::getSortDescriptorsArray() {
    return {SortDescriptor{"name", true, SortDescriptor::Comparison::Compare},
            SortDescriptor{"creationDate", true, SortDescriptor::Comparison::Compare}};
}

void CategoriesViewC::viewDidLoad() {
    TLSearchViewC::viewDidLoad();
    // "+" is there from the start: an empty list is where the first category is made.
    setRightBarButtonType(TLBarButtonType::Add);
    performFetch();
    if (!isRootView) setLeftBarButtonType(TLBarButtonType::Back);
}

void CategoriesViewC::viewWillAppear(bool animated) {
    TLSearchViewC::viewWillAppear(animated);
    if (isSearching()) return reloadSearchResults();
    reloadData();
}

Decimal CategoriesViewC::amountForCategory(TLCategory* category) { return totals_.totalOf(*category); }

bool CategoriesViewC::searchDisplayControllerShouldReloadTableForSearchString(const std::string& text) {
    foundObjectsArray.clear();
    foundTitlesArray.clear();
    std::string wanted = foldText(text, true, false);
    FetchedResultsController* controller = frc();
    if (controller == nullptr) return true;
    for (ManagedObject* object : controller->fetchedObjects()) {
        std::string name = nameOf(static_cast<TLCategory*>(object));
        if (foldText(name, true, false).find(wanted) == std::string::npos) continue;
        foundObjectsArray.push_back(object);
        foundTitlesArray.push_back(name);
    }
    return true;
}

TLCategory* CategoriesViewC::categoryAtIndexPath(IndexPath indexPath) {
    int row = indexPath.row - (showsCreateRow() ? 1 : 0);
    if (row < 0) return nullptr;
    if (isSearching()) {
        return static_cast<size_t>(row) < foundObjectsArray.size() ? static_cast<TLCategory*>(foundObjectsArray[static_cast<size_t>(row)])
                                                                 : nullptr;
    }
    return static_cast<TLCategory*>(fetchedObjectAtIndexPath(IndexPath{0, row}));
}

int CategoriesViewC::tableViewNumberOfRowsInSection(TableView& table, int section) {
    if (isSearching()) return static_cast<int>(foundObjectsArray.size());
    return TLSearchViewC::tableViewNumberOfRowsInSection(table, section) + (showsCreateRow() ? 1 : 0);
}

std::shared_ptr<TableViewCell> CategoriesViewC::tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) {
    auto cell = std::make_shared<TLPictureCell>(TableViewCell::Style::Value1, "cell");
    TLCategory* category = categoryAtIndexPath(indexPath);
    if (category == nullptr) {
        cell->textLabel().text = L("Create Category");
        return cell;
    }
    cell->setPicture(category->getImageSmall(true));
    cell->textLabel().text = nameOf(category);
    Decimal total = amountForCategory(category);
    cell->detailTextLabel().text = CategoryAmount::text(total);
    cell->detailTextLabel().color = CategoryAmount::color(total);
    if (!isEditing()) {
        cell->accessoryType = TableViewCell::Accessory::DisclosureIndicator;
        cell->pictureTapped = [this, category] { startNewTransaction(category); };
    }
    return cell;
}

bool CategoriesViewC::tableViewCanEditRowAtIndexPath(TableView&, IndexPath) { return !isSearching(); }

TableViewCellEditingStyle CategoriesViewC::tableViewEditingStyleForRowAtIndexPath(TableView&, IndexPath indexPath) {
    return showsCreateRow() && indexPath.row == 0 ? TableViewCellEditingStyle::Insert : TableViewCellEditingStyle::Delete;
}

void CategoriesViewC::tableViewCommitDeleteForRowAtIndexPath(TableView&, IndexPath indexPath) {
    TLCategory* category = categoryAtIndexPath(indexPath);
    if (category == nullptr) return;
    deleteObject(category);
    TLGlobal::sharedGlobal().setShouldMissDeselect(true);
    performFetch();
    if (!isEditing()) TLDatabase::sharedDatabase().save();
    tableView().reloadData();
}

void CategoriesViewC::tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath indexPath) {
    TLSearchViewC::tableViewDidSelectRowAtIndexPath(table, indexPath);
    TLCategory* category = categoryAtIndexPath(indexPath);
    if (category == nullptr) {
        if (isEditing()) createCategory();
        return;
    }
    if (isEditing()) return;
    auto next = std::make_shared<CategoryEditViewC>(category);
    next->amount = amountForCategory(category);
    pushView(next, 0);
}

void CategoriesViewC::createCategory() {
    auto* category = static_cast<TLCategory*>(createObjectForEntity("Category"));
    pushView(std::make_shared<CategoryEditViewC>(category), 1);
}

void CategoriesViewC::startNewTransaction(TLCategory* category) {
    TLTransaction* transaction = NewTransactionFromPicture::fromCategory(category);
    if (transaction == nullptr) return;
    TLWizard::activeWizard().beginWithInitiator(this, TLWizard::Initiator::CategoryList, transaction);
}

void CategoriesViewC::leftAction() {
    if (isEditing()) return cancel();
    if (isRootView) return toggleEdit();
    popView();
}

void CategoriesViewC::rightAction() {
    if (isEditing()) return done();
    createCategory();
}

bool CategoriesViewC::keyPressed(const std::string& key) {
    if (key != "+" || isEditing()) return false;
    createCategory();
    return true;
}

void CategoriesViewC::renderHeaderView(SceneNode& content, SceneContext& context) {
    if (!tableView().isHidden()) TLSearchViewC::renderHeaderView(content, context);
}

}  // namespace tallo
