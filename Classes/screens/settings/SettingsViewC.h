#pragma once
// SettingsViewC: the five groups of preferences — currencies, passcode,
// desktop sync, transaction entry, and bank files in and the book out — each row opening its screen on the
// Settings stack. Presented modally from the accounts list and closed with
// "Home". A group whose screen is not built yet opens an empty screen with
// its title.

#include <array>

#include "Classes/shell/TLViewC.h"

namespace tallo {

class SettingsViewC : public TLViewC {
public:
    SettingsViewC();

    void viewDidLoad() override;
    void prepareForMode(int mode) override;
    void createHeaderAndFooter() override;
    void leftAction() override;
    int tableViewNumberOfRowsInSection(TableView&, int) override { return 5; }
    std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) override;
    void tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath indexPath) override;

private:
    std::array<std::shared_ptr<TableViewCell>, 5> cells_;
};

}  // namespace tallo
