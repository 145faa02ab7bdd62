#pragma once
// MoreViewC: the list under the tab bar's "More": the screens from position
// five of the tab bar on, each with its title and the picture
// "more_tab_<title in lower case>.png". Choosing one opens a new screen of
// its kind on the More stack, chosen by its tab item's tag (0 accounts,
// 2 schedules, 3 categories, 5 settings, 6 payees, 7 reports; other tags
// open nothing).
// "Edit" opens the tab bar's configuration, where the tabs are reordered.

#include <functional>
#include <memory>

#include "Classes/shell/TLViewC.h"

namespace tallo {

class MoreViewC : public TLViewC {
public:
    // Makes the screen for a tag, or nothing.
    using ScreenForTag = std::function<std::shared_ptr<TLNavigationViewC>(int tag)>;

    explicit MoreViewC(ScreenForTag screenForTag);

    int tableViewNumberOfRowsInSection(TableView&, int) override;
    std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) override;
    void tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath indexPath) override;
    void rightAction() override;

private:
    ViewController* listed(int row) const;
    ScreenForTag screenForTag_;
};

}  // namespace tallo
