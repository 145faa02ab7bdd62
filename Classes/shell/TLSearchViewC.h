#pragma once
// TLSearchViewC: a fetched list headed by a search bar (44 points, in the
// header area). Typing runs searchDisplayControllerShouldReloadTableForSearchString
// with the text — each list searches its own way — and reloads the table
// when it answers true. A search is on while the bar holds text; starting
// one in editing mode leaves editing first; ending one ("Cancel", an empty
// field, stopSearch, or the notification "syncDidStart") empties the found
// lists and reloads the list.

#include <memory>
#include <string>
#include <vector>

#include "Classes/shell/CDViewC.h"
#include "Platform/ui/SearchBar.h"

namespace tallo {

class TLSearchViewC : public CDViewC {
public:
    static constexpr int kSearchBarHeight = 44;

    explicit TLSearchViewC(TableView::Style style = TableView::Style::Plain);

    SearchBar& searchBar() { return searchBar_; }
    std::vector<std::string> foundTitlesArray;
    std::vector<ManagedObject*> foundObjectsArray;
    std::shared_ptr<const Predicate> searchPredicate;

    bool isSearching() const { return !searchBar_.text.empty(); }
    // Ends the search: the field emptied, the list reloaded.
    void stopSearch();
    // Runs the search again with the current text; ends it when the list
    // itself has become empty.
    void reloadSearchResults();

    // The search of `text`; true: reload the table.
    virtual bool searchDisplayControllerShouldReloadTableForSearchString(const std::string& /*text*/) { return true; }

    void renderHeaderView(SceneNode& content, SceneContext& context) override;

private:
    void searchTextChanged(const std::string& text);

    SearchBar searchBar_;
};

}  // namespace tallo
