#pragma once
// TabBarController: the screens of the tab bar. With more than five, the
// bar shows the first four and "More", which holds the More navigation
// stack (its root screen is the application's own list of the others).
// Tabs carry their item's title, picture and badge; the selected tab tapped
// again goes back to its first screen.

#include <memory>
#include <vector>

#include "Platform/ui/NavigationController.h"
#include "Platform/ui/ViewController.h"

namespace tallo {

class TabBarController;

class TabBarControllerDelegate {
public:
    virtual ~TabBarControllerDelegate() = default;
    // Asked before a tab is selected by the person; NO keeps the current one.
    virtual bool tabBarControllerShouldSelectViewController(TabBarController&, ViewController*) { return true; }
    virtual void tabBarControllerDidSelectViewController(TabBarController&, ViewController*) {}
    // The person closed the tab configuration; `changed` when the order moved.
    virtual void tabBarControllerDidEndCustomizing(TabBarController&, bool /*changed*/) {}
};

class TabBarController : public ViewController {
public:
    static constexpr int kMoreIndex = -1;
    static constexpr size_t kVisibleTabs = 5;

    // Screens that outlive the tab bar (kept elsewhere) forget it.
    ~TabBarController() override;

    void setViewControllers(std::vector<std::shared_ptr<ViewController>> screens);
    const std::vector<std::shared_ptr<ViewController>>& viewControllers() const { return screens_; }
    // The root screen of the More stack (shown when there are more than five).
    void setMoreViewController(std::shared_ptr<ViewController> more);
    NavigationController* moreNavigationController() const { return more_.get(); }

    // An index of viewControllers, or kMoreIndex.
    int selectedIndex() const { return selected_; }
    void setSelectedIndex(int index);
    ViewController* selectedViewController() const;

    TabBarControllerDelegate* delegate() const { return delegate_; }
    void setDelegate(TabBarControllerDelegate* delegate) { delegate_ = delegate; }

    // Tab configuration: while it is open the page shows "Configure", a list
    // of every tab to drag into the order wanted (the first ones make the
    // bar, the rest go under More), over the tab bar; "Done" closes it and
    // tells the delegate. The order lives in memory only.
    void beginCustomizing();
    void endCustomizing();
    bool isCustomizing() const { return customizing_; }
    // Moves the screen at `from` to `to` (both indices of viewControllers);
    // the selected screen stays selected. Out-of-range indices do nothing.
    void moveViewController(size_t from, size_t to);

    ViewController* visibleLeaf() override;
    void render(SceneNode& into, SceneContext& context) override;

private:
    void renderCustomizing(SceneNode& into, SceneContext& context);
    bool hasMore() const { return screens_.size() > kVisibleTabs; }
    // A person's tap on tab `index`: asks the delegate, selects, tells it.
    void tapTab(int index);

    std::vector<std::shared_ptr<ViewController>> screens_;
    std::shared_ptr<NavigationController> more_;
    int selected_ = 0;
    TabBarControllerDelegate* delegate_ = nullptr;
    bool customizing_ = false;
    bool orderChanged_ = false;
};

}  // namespace tallo
