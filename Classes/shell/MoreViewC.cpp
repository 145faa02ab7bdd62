#include "Classes/shell/MoreViewC.h"

#include <algorithm>
#include <cctype>

#include "Classes/shell/TLBarButtonType.h"
#include "Platform/foundation/Localization.h"
#include "Platform/ui/TabBarController.h"

namespace tallo {

MoreViewC::MoreViewC(ScreenForTag screenForTag) : screenForTag_(std::move(screenForTag)) {
    setTitle(L("More"));
    isRootView = true;
    setRightBarButtonType(TLBarButtonType::Edit);
}

void MoreViewC::rightAction() {
    if (TabBarController* tabs = tabBarController()) tabs->beginCustomizing();
}

ViewController* MoreViewC::listed(int row) const {
    TabBarController* tabs = tabBarController();
    size_t index = static_cast<size_t>(4 + row);
    if (tabs == nullptr || index >= tabs->viewControllers().size()) return nullptr;
    return tabs->viewControllers()[index].get();
}

int MoreViewC::tableViewNumberOfRowsInSection(TableView&, int) {
    TabBarController* tabs = tabBarController();
    if (tabs == nullptr) return 0;
    return static_cast<int>(tabs->viewControllers().size() > 4 ? tabs->viewControllers().size() - 4 : 0);
}

std::shared_ptr<TableViewCell> MoreViewC::tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) {
    auto cell = std::make_shared<TableViewCell>();
    ViewController* screen = listed(indexPath.row);
    if (screen == nullptr) return cell;
    std::string title = screen->tabBarItem().title.empty() ? screen->title() : screen->tabBarItem().title;
    std::string lower = title;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    cell->textLabel().text = title;
    cell->imageName = "more_tab_" + lower + ".png";
    cell->accessoryType = TableViewCell::Accessory::DisclosureIndicator;
    return cell;
}

void MoreViewC::tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath indexPath) {
    TLViewC::tableViewDidSelectRowAtIndexPath(table, indexPath);
    ViewController* screen = listed(indexPath.row);
    if (screen == nullptr || !screenForTag_) return;
    std::shared_ptr<TLNavigationViewC> next = screenForTag_(screen->tabBarItem().tag);
    if (next) pushView(std::move(next), 0);
}

}  // namespace tallo
