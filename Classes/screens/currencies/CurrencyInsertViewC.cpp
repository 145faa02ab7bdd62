#include "Classes/screens/currencies/CurrencyInsertViewC.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "Classes/currencies/TLCurrency.h"
#include "Classes/store/TLDatabase.h"
#include "Platform/foundation/Bundle.h"
#include "Platform/foundation/Localization.h"
#include "Platform/objectstore/TextFolding.h"

namespace tallo {

namespace {

const std::vector<std::string> kIndexTitles = {"{search}", "A", "B", "C", "D", "E", "F", "G", "H", "I", "J", "K", "L", "M",
                                               "N", "O", "P", "Q", "R", "S", "T", "U", "V", "W", "X", "Y", "Z", "#"};

}  // namespace

CurrencyInsertViewC::CurrencyInsertViewC() : TLSearchViewC(TableView::Style::Plain) {
    setTitle(L("Select Currency"));
    canCreateRecord = true;  // a list of texts, never empty-stated
}

std::vector<std::string> CurrencyInsertViewC::readCurrencyTitles() {
    std::vector<std::string> titles;
    auto path = Bundle::pathForResource("DTCL", "tclf");
    if (!path) return titles;
    std::ifstream in(*path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        size_t bar = line.find('|');
        if (bar == std::string::npos) continue;
        size_t end = line.find('|', bar + 1);
        std::string title = line.substr(bar + 1, end == std::string::npos ? std::string::npos : end - bar - 1);
        if (!title.empty()) titles.push_back(title);
    }
    return titles;
}

std::string CurrencyInsertViewC::codeFromTitle(const std::string& title) {
    // The code ends one character before the title does: "Euro (EUR)".
    if (title.size() < 4) return {};
    return title.substr(title.size() - 4, 3);
}

void CurrencyInsertViewC::viewDidLoad() {
    TLSearchViewC::viewDidLoad();
    setLeftBarButtonType(TLBarButtonType::Cancel);
    tableView().rightMargin = 30;
    std::vector<std::string> stored;
    for (ManagedObject* object : TLDatabase::sharedDatabase().getAllObjectsWithEntityName("Currency")) {
        if (auto title = static_cast<TLCurrency*>(object)->title()) stored.push_back(*title);
    }
    for (std::string& title : readCurrencyTitles()) {
        if (std::find(stored.begin(), stored.end(), title) == stored.end()) currencyTitlesArray_.push_back(std::move(title));
    }
    std::sort(currencyTitlesArray_.begin(), currencyTitlesArray_.end());
    for (const std::string& title : currencyTitlesArray_) {
        std::string heading = firstCharacterUppercased(title);
        if (sectionTitles_.empty() || sectionTitles_.back() != heading) {
            sectionTitles_.push_back(heading);
            sections_.emplace_back();
        }
        sections_.back().push_back(title);
    }
}

bool CurrencyInsertViewC::searchDisplayControllerShouldReloadTableForSearchString(const std::string& text) {
    foundTitlesArray.clear();
    std::string wanted = foldText(text, true, false);
    for (const std::string& title : currencyTitlesArray_) {
        if (foldText(title, true, false).find(wanted) != std::string::npos) foundTitlesArray.push_back(title);
    }
    return true;
}

const std::string* CurrencyInsertViewC::titleAtIndexPath(IndexPath indexPath) const {
    if (isSearching()) {
        if (indexPath.row < 0 || static_cast<size_t>(indexPath.row) >= foundTitlesArray.size()) return nullptr;
        return &foundTitlesArray[static_cast<size_t>(indexPath.row)];
    }
    if (indexPath.section < 0 || static_cast<size_t>(indexPath.section) >= sections_.size()) return nullptr;
    const auto& rows = sections_[static_cast<size_t>(indexPath.section)];
    if (indexPath.row < 0 || static_cast<size_t>(indexPath.row) >= rows.size()) return nullptr;
    return &rows[static_cast<size_t>(indexPath.row)];
}

int CurrencyInsertViewC::numberOfSectionsInTableView(TableView&) {
    return isSearching() ? 1 : static_cast<int>(sections_.size());
}

int CurrencyInsertViewC::tableViewNumberOfRowsInSection(TableView&, int section) {
    if (isSearching()) return static_cast<int>(foundTitlesArray.size());
    if (section < 0 || static_cast<size_t>(section) >= sections_.size()) return 0;
    return static_cast<int>(sections_[static_cast<size_t>(section)].size());
}

std::shared_ptr<TableViewCell> CurrencyInsertViewC::tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) {
    auto cell = std::make_shared<TableViewCell>();
    if (const std::string* title = titleAtIndexPath(indexPath)) cell->textLabel().text = *title;
    return cell;
}

std::string CurrencyInsertViewC::tableViewTitleForHeaderInSection(TableView&, int section) {
    if (isSearching() || section < 0 || static_cast<size_t>(section) >= sectionTitles_.size()) return {};
    return sectionTitles_[static_cast<size_t>(section)];
}

std::vector<std::string> CurrencyInsertViewC::sectionIndexTitlesForTableView(TableView&) {
    return isSearching() ? std::vector<std::string>{} : kIndexTitles;
}

int CurrencyInsertViewC::tableViewSectionForSectionIndexTitleAtIndex(TableView&, const std::string& title, int) {
    if (title == kIndexTitles.front()) {
        showHeaderViewAnimated(false);
        return 0;
    }
    // The section of that letter, else the first one after it, else the last.
    for (size_t s = 0; s < sectionTitles_.size(); ++s) {
        if (sectionTitles_[s] >= title) return static_cast<int>(s);
    }
    return sectionTitles_.empty() ? 0 : static_cast<int>(sectionTitles_.size()) - 1;
}

void CurrencyInsertViewC::tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath indexPath) {
    TLSearchViewC::tableViewDidSelectRowAtIndexPath(table, indexPath);
    if (const std::string* title = titleAtIndexPath(indexPath)) chooseTitle(*title);
}

void CurrencyInsertViewC::chooseTitle(const std::string& title) {
    TLDatabase& db = TLDatabase::sharedDatabase();
    int count = static_cast<int>(db.getAllObjectsWithEntityName("Currency").size());
    auto* currency = static_cast<TLCurrency*>(db.createObjectForEntity("Currency"));
    if (currency != nullptr) {
        currency->setCode(codeFromTitle(title));
        currency->setTitle(title);
        currency->setOrder(count);
    }
    insertedCurrency_ = currency;
    popView();
}

}  // namespace tallo
