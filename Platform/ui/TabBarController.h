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

    ViewController* visibleLeaf() override;
    void render(SceneNode& into, SceneContext& context) override;

private:
    bool hasMore() const { return screens_.size() > kVisibleTabs; }
    // A person's tap on tab `index`: asks the delegate, selects, tells it.
    void tapTab(int index);

    std::vector<std::shared_ptr<ViewController>> screens_;
    std::shared_ptr<NavigationController> more_;
    int selected_ = 0;
    TabBarControllerDelegate* delegate_ = nullptr;
};

}  // namespace tallo
