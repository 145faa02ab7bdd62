#include "Classes/screens/settings/SettingsViewC.h"

#include "Classes/screens/currencies/CurrenciesEditViewC.h"
#include "Classes/screens/exchange/ExchangeViewC.h"
#include "Classes/screens/passcode/PasscodeViewC.h"
#include "Classes/screens/settings/TransactionSettingsViewC.h"
#include "Classes/screens/sync/SyncViewC.h"
#include "Platform/foundation/Localization.h"

namespace tallo {

namespace {

struct Row {
    const char* label;
    const char* icon;
};
constexpr std::array<Row, 5> kRows = {{{"Currencies", "currencies_icon.png"},
                                       {"Passcode", "passcode_icon.png"},
                                       {"Sync", "sync_icon.png"},
                                       {"Transaction", "transactions_icon.png"},
                                       {"Import & Export", "exchange_icon.png"}}};

}  // namespace

SettingsViewC::SettingsViewC() : TLViewC(TableView::Style::Grouped) { setTitle(L("Settings")); }

void SettingsViewC::viewDidLoad() {
    for (size_t i = 0; i < kRows.size(); ++i) {
        auto cell = std::make_shared<TableViewCell>();
        cell->textLabel().text = L(kRows[i].label);
        cell->imageName = kRows[i].icon;
        cell->imageInactive = true;
        cell->accessoryType = TableViewCell::Accessory::DisclosureIndicator;
        cells_[i] = cell;
    }
    TLViewC::viewDidLoad();
}

void SettingsViewC::prepareForMode(int) {
    // "Home" closes it where the accounts list presented it; opened from
    // More it goes back there.
    setLeftBarButtonType(isModalView ? TLBarButtonType::Home : TLBarButtonType::Back);
}

void SettingsViewC::createHeaderAndFooter() {
    std::vector<SceneNode>& footer = tableView().footerNodes();
    footer.push_back(footerText("Tallo", 28, true));
    footer.push_back(footerText(L("Your sweetest accounting application"), 14, false));
    footer.push_back(footerText("v.2.1.1", 16, true));
}

void SettingsViewC::leftAction() { popView(); }

std::shared_ptr<TableViewCell> SettingsViewC::tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) {
    return cells_[static_cast<size_t>(indexPath.row)];
}

void SettingsViewC::tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath indexPath) {
    TLViewC::tableViewDidSelectRowAtIndexPath(table, indexPath);
    table.selectRowAtIndexPath(indexPath, false);
    std::shared_ptr<TLNavigationViewC> next;
    switch (indexPath.row) {
        case 0: next = std::make_shared<CurrenciesEditViewC>(); break;
        case 1: next = std::make_shared<PasscodeViewC>(); break;
        case 2: next = std::make_shared<SyncViewC>(); break;
        case 3: next = std::make_shared<TransactionSettingsViewC>(); break;
        default: next = std::make_shared<ExchangeViewC>(); break;
    }
    pushView(std::move(next), 0, false);
}

}  // namespace tallo
