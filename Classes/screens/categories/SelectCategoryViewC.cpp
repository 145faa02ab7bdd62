#include "Classes/screens/categories/SelectCategoryViewC.h"

#include "Classes/screens/wizard/TLWizard.h"

#include <algorithm>

#include "Classes/controls/TLPictureCell.h"
#include "Classes/ledger/TLCategory.h"
#include "Classes/shell/TLAZSelectionViewC.h"
#include "Classes/store/TLDatabase.h"
#include "Classes/values/StringCorvane.h"
#include "Platform/foundation/Localization.h"
#include "Platform/objectstore/TextFolding.h"

namespace tallo {

namespace {

constexpr const char* kIndexTitles = "{search}|A|B|C|D|E|F|G|H|I|J|K|L|M|N|O|P|Q|R|S|T|U|V|W|X|Y|Z|#";

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t end = text.find(separator); end != std::string::npos; end = text.find(separator, start)) {
        parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    parts.push_back(text.substr(start));
    return parts;
}

std::string trimmed(const std::string& text) {
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string nameOf(const TLCategory* category) { return category != nullptr ? category->name().value_or("") : ""; }

bool holds(const std::string& name, const std::string& foldedText) {
    return foldText(name, true, false).find(foldedText) != std::string::npos;
}

}  // namespace

SelectCategoryViewC::SelectCategoryViewC() : indexTitles_(split(kIndexTitles, '|')) {
    setTitle(L("Select Category"));
    searchBar().placeholder = L("Search or Create New Category");
    // The search creates: the list stays even when there is no category yet.
    canCreateRecord = true;
}

std::shared_ptr<const Predicate> SelectCategoryViewC::getPredicate() { return Predicate::parse("mastercat == NULL"); }

std::vector<SortDescriptor> SelectCategoryViewC::getSortDescriptorsArray() {
    return {SortDescriptor{"name", true, SortDescriptor::Comparison::Compare},
            SortDescriptor{"creationDate", true, SortDescriptor::Comparison::Compare}};
}

std::vector<TLCategory*> SelectCategoryViewC::masters() {
    std::vector<TLCategory*> list;
    for (ManagedObject* object : fetchedObjects()) list.push_back(static_cast<TLCategory*>(object));
    return list;
}

void SelectCategoryViewC::viewDidLoad() {
    TLSelectionViewC::viewDidLoad();
    tableView().rightMargin = 30;
}

void SelectCategoryViewC::prepareForMode(int mode) {
    selectionType = selectType;
    if (selectType == 0) selectedCategoriesArray.clear();
    TLSelectionViewC::prepareForMode(mode);
}

void SelectCategoryViewC::leftAction() {
    isCanceled = true;
    // Inside the entry wizard "Cancel" cancels it: a new split goes, a new
    // transaction is rolled back.
    if (isWizardStep()) return TLWizard::activeWizard().cancel();
    TLSelectionViewC::leftAction();
}

void SelectCategoryViewC::rightAction() {
    if (isWizardStep()) return TLWizard::activeWizard().next();
    popView();
}

bool SelectCategoryViewC::isWizardStep() const {
    TLWizard& wizard = TLWizard::activeWizard();
    return viewMode == 1 && wizard.isActive() && wizard.activeView() == this;
}

TLCategory* SelectCategoryViewC::categoryAtIndexPath(IndexPath indexPath) {
    if (indexPath.section < 0 || indexPath.row < 0) return nullptr;
    auto section = static_cast<size_t>(indexPath.section);
    auto row = static_cast<size_t>(indexPath.row);
    if (isSearching()) {
        if (section == 0 || section > searchResults.size()) return nullptr;
        const SearchConnector& result = searchResults[section - 1];
        if (row == 0) return result.category;
        return row <= result.subcatsArray.size() ? result.subcatsArray[row - 1] : nullptr;
    }
    std::vector<TLCategory*> list = masters();
    if (section >= list.size()) return nullptr;
    if (row == 0) return list[section];
    std::vector<TLCategory*> subcats = list[section]->getOrderedSubcats();
    return row <= subcats.size() ? subcats[row - 1] : nullptr;
}

void SelectCategoryViewC::readSearchText(const std::string& text) {
    isCreatingSubcat = false;
    mastercatName.clear();
    createSubcatName.clear();
    foundMastercat = nullptr;
    size_t colon = text.find(':');
    if (colon == std::string::npos) return;
    std::string master = trimmed(text.substr(0, colon));
    std::string sub = trimmed(text.substr(colon + 1));
    // "Car:" or ":Fuel" name no subcategory: the whole text is a new name.
    if (master.empty() || sub.empty()) return;
    isCreatingSubcat = true;
    createSubcatName = sub;
    // A master of that name first; a subcategory of that name leads to its
    // master, so the new category stays on the tree's second level.
    std::string wanted = foldText(master, true, true);
    for (TLCategory* candidate : masters()) {
        if (foldText(nameOf(candidate), true, true) == wanted) foundMastercat = candidate;
    }
    if (foundMastercat == nullptr) {
        foundMastercat = TLCategory::getCategoryWithName(master);
        if (foundMastercat != nullptr && foundMastercat->mastercat() != nullptr) foundMastercat = foundMastercat->mastercat();
    }
    mastercatName = foundMastercat != nullptr ? nameOf(foundMastercat) : master;
}

bool SelectCategoryViewC::searchDisplayControllerShouldReloadTableForSearchString(const std::string& text) {
    readSearchText(text);
    searchResults.clear();
    std::string folded = foldText(text, true, false);
    for (TLCategory* master : masters()) {
        SearchConnector result{master, {}};
        for (TLCategory* sub : master->getOrderedSubcats()) {
            if (holds(nameOf(sub), folded)) result.subcatsArray.push_back(sub);
        }
        if (holds(nameOf(master), folded) || !result.subcatsArray.empty()) searchResults.push_back(std::move(result));
    }
    return true;
}

TLCategory* SelectCategoryViewC::createCategoryFromSearch() {
    TLDatabase& database = TLDatabase::sharedDatabase();
    auto* created = static_cast<TLCategory*>(database.createObjectForEntity("Category"));
    if (isCreatingSubcat) {
        TLCategory* master = foundMastercat;
        if (master == nullptr) {
            master = static_cast<TLCategory*>(database.createObjectForEntity("Category"));
            master->setName(mastercatName);
        }
        created->setName(createSubcatName);
        created->setMastercat(master);
    } else {
        created->setName(searchBar().text);
    }
    return created;
}

int SelectCategoryViewC::numberOfSectionsInTableView(TableView&) {
    if (isSearching()) return 1 + static_cast<int>(searchResults.size());
    namesArray.clear();
    for (TLCategory* master : masters()) {
        std::string name = nameOf(master);
        namesArray.push_back(name.empty() ? " " : firstCharacterUppercased(name));
    }
    return static_cast<int>(namesArray.size());
}

int SelectCategoryViewC::tableViewNumberOfRowsInSection(TableView&, int section) {
    if (section < 0) return 0;
    auto index = static_cast<size_t>(section);
    if (isSearching()) {
        if (index == 0) return 1;
        return index <= searchResults.size() ? 1 + static_cast<int>(searchResults[index - 1].subcatsArray.size()) : 0;
    }
    std::vector<TLCategory*> list = masters();
    return index < list.size() ? 1 + static_cast<int>(list[index]->subcats().size()) : 0;
}

std::shared_ptr<TableViewCell> SelectCategoryViewC::tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) {
    auto cell = std::make_shared<TLPictureCell>(TableViewCell::Style::Default, "cell");
    if (isSearching() && indexPath.section == 0) {
        cell->textLabel().text = isCreatingSubcat
                                     ? stringWithFormat(L("Create \"%@\" in \"%@\""), {createSubcatName, mastercatName})
                                     : stringWithFormat(L("Create \"%@\""), {searchBar().text});
        cell->imageName = "add_new.png";
        return cell;
    }
    TLCategory* shown = categoryAtIndexPath(indexPath);
    if (shown == nullptr) return cell;
    cell->setPicture(shown->getImageSmall(true));
    cell->textLabel().text = nameOf(shown);
    // The master heads its section; its subcategories are set in under it.
    if (indexPath.row == 0) {
        cell->textLabel().bold = true;
    } else {
        cell->indented = true;
    }
    if (isMarked(shown)) cell->accessoryType = TableViewCell::Accessory::Checkmark;
    return cell;
}

bool SelectCategoryViewC::isMarked(TLCategory* candidate) const {
    return std::find(selectedCategoriesArray.begin(), selectedCategoriesArray.end(), candidate) != selectedCategoriesArray.end();
}

std::vector<std::string> SelectCategoryViewC::sectionIndexTitlesForTableView(TableView&) {
    return isSearching() ? std::vector<std::string>{} : indexTitles_;
}

int SelectCategoryViewC::sectionForIndexTitle(const std::string& title, int index) {
    return TLAZSelectionViewC::sectionForIndexTitle(namesArray, indexTitles_, title, index);
}

int SelectCategoryViewC::tableViewSectionForSectionIndexTitleAtIndex(TableView&, const std::string& title, int index) {
    if (title == indexTitles_.front()) {
        isHeaderViewActivated = true;
        showHeaderViewAnimated(false);
        return 0;
    }
    return sectionForIndexTitle(title, index);
}

void SelectCategoryViewC::tableViewDidSelectRowAtIndexPath(TableView&, IndexPath indexPath) {
    setSelectedIndexPath(indexPath);
    if (isSearching() && indexPath.section == 0) {
        TLCategory* created = createCategoryFromSearch();
        if (selectType == 1) stopSearch();
        return choose(created);
    }
    if (TLCategory* chosen = categoryAtIndexPath(indexPath)) choose(chosen);
}

void SelectCategoryViewC::choose(TLCategory* chosen) {
    if (selectType == 1) {
        auto found = std::find(selectedCategoriesArray.begin(), selectedCategoriesArray.end(), chosen);
        if (found == selectedCategoriesArray.end()) {
            selectedCategoriesArray.push_back(chosen);
        } else {
            selectedCategoriesArray.erase(found);
        }
        tableView().reloadData();
        return;
    }
    category = chosen;
    // Inside the entry wizard the wizard moves on instead of closing.
    if (isWizardStep()) return TLWizard::activeWizard().next();
    popView();
}

bool SelectCategoryViewC::keyPressed(const std::string& key) {
    if (key != "Escape") return false;
    leftAction();
    return true;
}

}  // namespace tallo
