#pragma once
// CurrencyInsertViewC: the currencies that can still be added — every title
// of the currency list resource ("Euro (EUR)") that no stored currency has,
// in alphabetical sections with an A–Z index and a search bar ("Select
// Currency"). Choosing one makes it: the code is the three characters
// before the title's closing character ("Euro (EUR)" → EUR), the order the
// number of currencies already there; the screen then closes, and the
// opener reads insertedCurrency in its willPopNextView. "Cancel" closes it
// having made nothing.

#include <string>
#include <vector>

#include "Classes/shell/TLSearchViewC.h"

namespace tallo {

class TLCurrency;

class CurrencyInsertViewC : public TLSearchViewC {
public:
    CurrencyInsertViewC();

    const std::vector<std::string>& currencyTitlesArray() const { return currencyTitlesArray_; }
    // The currency made by the choice; nothing after a cancel.
    TLCurrency* insertedCurrency() const { return insertedCurrency_; }
    // The titles of the resource's lines, in its order (a missing resource: none).
    static std::vector<std::string> readCurrencyTitles();
    // The code inside a title: "Euro (EUR)" → "EUR"; "" for a title too short.
    static std::string codeFromTitle(const std::string& title);
    // Makes the currency of `title`, closes the screen.
    void chooseTitle(const std::string& title);

    void viewDidLoad() override;
    bool searchDisplayControllerShouldReloadTableForSearchString(const std::string& text) override;

    int numberOfSectionsInTableView(TableView&) override;
    int tableViewNumberOfRowsInSection(TableView&, int section) override;
    std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) override;
    std::string tableViewTitleForHeaderInSection(TableView&, int section) override;
    std::vector<std::string> sectionIndexTitlesForTableView(TableView&) override;
    int tableViewSectionForSectionIndexTitleAtIndex(TableView&, const std::string& title, int index) override;
    void tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath indexPath) override;

private:
    // The title a row shows (sections outside a search, the found titles in one).
    const std::string* titleAtIndexPath(IndexPath indexPath) const;

    std::vector<std::string> currencyTitlesArray_;
    std::vector<std::string> sectionTitles_;
    std::vector<std::vector<std::string>> sections_;
    TLCurrency* insertedCurrency_ = nullptr;
};

}  // namespace tallo
