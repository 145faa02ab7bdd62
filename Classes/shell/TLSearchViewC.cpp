#include "Classes/shell/TLSearchViewC.h"

#include "Platform/foundation/Localization.h"

namespace tallo {

TLSearchViewC::TLSearchViewC(TableView::Style style) : CDViewC(style) {
    isHeaderViewEnabled = true;
    headerHeight = kSearchBarHeight;
    searchBar_.placeholder = L("Search");
    searchBar_.textDidChange = [this](const std::string& text) { searchTextChanged(text); };
    NotificationCenter::defaultCenter().addObserver(this, "syncDidStart", [this](const Notification&) {
        if (isSearching()) stopSearch();
    });
}

void TLSearchViewC::searchTextChanged(const std::string& text) {
    if (text.empty()) {
        foundTitlesArray.clear();
        foundObjectsArray.clear();
        reloadData();
        return;
    }
    if (isEditing()) toggleEdit();
    if (searchDisplayControllerShouldReloadTableForSearchString(text)) tableView().reloadData();
}

void TLSearchViewC::stopSearch() {
    searchBar_.text.clear();
    foundTitlesArray.clear();
    foundObjectsArray.clear();
    reloadData();
}

void TLSearchViewC::reloadSearchResults() {
    if (!isSearching()) return;
    if (FetchedResultsController* controller = frc()) controller->performFetch();
    if (!isContainingRecords()) return stopSearch();
    searchDisplayControllerShouldReloadTableForSearchString(searchBar_.text);
    tableView().reloadData();
}

void TLSearchViewC::renderHeaderView(SceneNode& content, SceneContext& context) {
    searchBar_.render(content, context, "search");
}

}  // namespace tallo
