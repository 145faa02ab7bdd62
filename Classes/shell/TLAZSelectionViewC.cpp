#include "Classes/shell/TLAZSelectionViewC.h"

#include <algorithm>
#include <cstdlib>

#include "Platform/foundation/Localization.h"
#include "Platform/objectstore/TextFolding.h"

namespace tallo {

namespace {

constexpr const char* kIndexTitles = "{search}|A|B|C|D|E|F|G|H|I|J|K|L|M|N|O|P|Q|R|S|T|U|V|W|X|Y|Z|#";
constexpr int kMaxIndexDistance = 50;

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (true) {
        size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}

// Replaces the first "%@" of a localized format.
std::string formatted(const std::string& format, const std::string& value) {
    std::string out = format;
    size_t at = out.find("%@");
    if (at != std::string::npos) out.replace(at, 2, value);
    return out;
}

}  // namespace

TLAZSelectionViewC::TLAZSelectionViewC() : indexTitlesArray(split(kIndexTitles, '|')) {}

std::string TLAZSelectionViewC::getLabelAttributeValueFromObject(ManagedObject*) { return "Method must be overloaded!"; }

void TLAZSelectionViewC::configureView() {
    TLSelectionViewC::configureView();
    isRootView = false;
    isHeaderViewEnabled = true;
    shouldHeaderViewHideOnEndDraging = false;
    headerHeight = 44;
    tableView().rightMargin = 30;
    accessoryType = 1;
}

void TLAZSelectionViewC::createSections() {
    if (FetchedResultsController* controller = frc()) controller->performFetch();
    sectionsArray.clear();
    sectionTitlesArray.clear();
    for (ManagedObject* object : objectsArray()) {
        std::string heading = firstCharacterUppercased(getLabelAttributeValueFromObject(object));
        if (std::find(sectionTitlesArray.begin(), sectionTitlesArray.end(), heading) == sectionTitlesArray.end()) {
            sectionTitlesArray.push_back(heading);
            sectionsArray.emplace_back();
        }
        sectionsArray.back().push_back(object);
    }
}

int TLAZSelectionViewC::sectionForIndexTitle(const std::vector<std::string>& sectionTitles,
                                             const std::vector<std::string>& indexTitles, const std::string& title,
                                             int index) {
    auto heading = std::find(sectionTitles.begin(), sectionTitles.end(), title);
    if (heading != sectionTitles.end()) return static_cast<int>(heading - sectionTitles.begin());
    int best = 0;
    int bestDistance = kMaxIndexDistance;
    for (size_t s = 0; s < sectionTitles.size(); ++s) {
        auto inStrip = std::find(indexTitles.begin(), indexTitles.end(), sectionTitles[s]);
        if (inStrip == indexTitles.end()) continue;
        int distance = std::abs(index - static_cast<int>(inStrip - indexTitles.begin()));
        if (distance < bestDistance) {
            bestDistance = distance;
            best = static_cast<int>(s);
        }
    }
    return best;
}

ManagedObject* TLAZSelectionViewC::objectAtIndexPath(IndexPath indexPath) {
    if (isSearching()) {
        int row = indexPath.row - searchRowOffset();
        if (row < 0 || static_cast<size_t>(row) >= foundObjectsArray.size()) return nullptr;
        return foundObjectsArray[static_cast<size_t>(row)];
    }
    if (indexPath.section < 0 || static_cast<size_t>(indexPath.section) >= sectionsArray.size()) return nullptr;
    const auto& objects = sectionsArray[static_cast<size_t>(indexPath.section)];
    if (indexPath.row < 0 || static_cast<size_t>(indexPath.row) >= objects.size()) return nullptr;
    return objects[static_cast<size_t>(indexPath.row)];
}

int TLAZSelectionViewC::numberOfSectionsInTableView(TableView&) {
    if (isSearching()) return 1;
    createSections();
    return static_cast<int>(sectionsArray.size());
}

int TLAZSelectionViewC::tableViewNumberOfRowsInSection(TableView&, int section) {
    if (isSearching()) return static_cast<int>(foundTitlesArray.size()) + searchRowOffset();
    if (section < 0 || static_cast<size_t>(section) >= sectionsArray.size()) return 0;
    return static_cast<int>(sectionsArray[static_cast<size_t>(section)].size());
}

std::shared_ptr<TableViewCell> TLAZSelectionViewC::tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) {
    auto cell = std::make_shared<TableViewCell>(TableViewCell::Style::Default, "cell");
    if (!isEditing() && accessoryType == 1) cell->accessoryType = TableViewCell::Accessory::DisclosureIndicator;
    if (isSearching()) {
        if (canCreateRecord && indexPath.row == 0) {
            cell->textLabel().text = formatted(L("Create \"%@\""), searchBar().text);
            return cell;
        }
        size_t row = static_cast<size_t>(indexPath.row - searchRowOffset());
        if (row < foundTitlesArray.size()) cell->textLabel().text = foundTitlesArray[row];
        return cell;
    }
    ManagedObject* object = objectAtIndexPath(indexPath);
    cell->textLabel().text = getLabelAttributeValueFromObject(object);
    if (isChosen(object)) cell->accessoryType = TableViewCell::Accessory::Checkmark;
    return cell;
}

std::string TLAZSelectionViewC::tableViewTitleForHeaderInSection(TableView&, int section) {
    if (isSearching() || section < 0 || static_cast<size_t>(section) >= sectionTitlesArray.size()) return {};
    return sectionTitlesArray[static_cast<size_t>(section)];
}

std::vector<std::string> TLAZSelectionViewC::sectionIndexTitlesForTableView(TableView&) {
    return isSearching() ? std::vector<std::string>{} : indexTitlesArray;
}

int TLAZSelectionViewC::tableViewSectionForSectionIndexTitleAtIndex(TableView&, const std::string& title, int index) {
    // "{search}" is the only title of four characters or more.
    if (title.size() >= 4) {
        isHeaderViewActivated = true;
        showHeaderViewAnimated(false);
        return 0;
    }
    return sectionForIndexTitle(title, index);
}

void TLAZSelectionViewC::tableViewDidSelectRowAtIndexPath(TableView&, IndexPath indexPath) {
    if (!isMultiple()) return chooseRow(indexPath);
    // Several: the sections have no group row; a row's object is added or taken away.
    toggleSelectionOfObject(objectAtIndexPath(indexPath));
}

}  // namespace tallo
