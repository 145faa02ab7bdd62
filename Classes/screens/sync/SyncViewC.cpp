#include "Classes/screens/sync/SyncViewC.h"

#include "Classes/screens/sync/SyncEditViewC.h"
#include "Classes/sync/TLSync.h"
#include "Platform/foundation/Localization.h"
#include "Platform/foundation/UserDefaults.h"

namespace tallo {

namespace {

constexpr int kPairingMode = 0;

}  // namespace

SyncViewC::SyncViewC() : TLViewC(TableView::Style::Grouped) { setTitle(L("Sync")); }

void SyncViewC::viewDidLoad() {
    setLeftBarButtonType(TLBarButtonType::Back);
    TLViewC::viewDidLoad();
}

std::string SyncViewC::libraryTitle() {
    TLSync& sync = TLSync::sharedSync();
    if (!sync.isLibrarySet()) return "";
    std::string name = UserDefaults::standardUserDefaults().stringForKey("documentName");
    return name.empty() ? sync.libraryName().value_or("") : name;
}

int SyncViewC::tableViewNumberOfRowsInSection(TableView&, int) { return TLSync::sharedSync().isLibrarySet() ? 2 : 1; }

std::shared_ptr<TableViewCell> SyncViewC::tableViewCellForRowAtIndexPath(TableView& table, IndexPath indexPath) {
    auto cell = std::make_shared<TableViewCell>();
    bool lastRow = indexPath.row == tableViewNumberOfRowsInSection(table, indexPath.section) - 1;
    if (!lastRow) {
        cell->textLabel().text = libraryTitle();
        cell->textLabel().bold = true;
        cell->selectable = false;
    } else {
        cell->textLabel().text = TLSync::sharedSync().isLibrarySet() ? L("Set New Library") : L("Set Library");
        cell->textLabel().centered = true;
    }
    return cell;
}

void SyncViewC::tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath indexPath) {
    TLViewC::tableViewDidSelectRowAtIndexPath(table, indexPath);
    if (indexPath.row != tableViewNumberOfRowsInSection(table, indexPath.section) - 1) return;
    TLSync& sync = TLSync::sharedSync();
    auto pairing = std::make_shared<SyncEditViewC>();
    sync.setSyncEditViewC(pairing.get());
    presentModalView(std::move(pairing), kPairingMode);
    sync.setIsSettingNewLibrary(true);
}

void SyncViewC::willDismissModalView(TLNavigationViewC*) { tableView().reloadData(); }

}  // namespace tallo
