#include "Platform/ui/TabBarController.h"

namespace tallo {

TabBarController::~TabBarController() {
    for (auto& screen : screens_) screen->setParent(nullptr);
    if (more_) more_->setParent(nullptr);
}

void TabBarController::setViewControllers(std::vector<std::shared_ptr<ViewController>> screens) {
    for (auto& screen : screens_) screen->setParent(nullptr);
    screens_ = std::move(screens);
    for (auto& screen : screens_) screen->setParent(this);
    if (selected_ != kMoreIndex && selected_ >= static_cast<int>(screens_.size())) selected_ = 0;
}

void TabBarController::setMoreViewController(std::shared_ptr<ViewController> more) {
    more_ = std::make_shared<NavigationController>(std::move(more));
    more_->setParent(this);
    more_->tabBarItem().title = "More";
    more_->tabBarItem().image = "tab-more.png";
}

ViewController* TabBarController::selectedViewController() const {
    if (selected_ == kMoreIndex) return more_.get();
    return selected_ >= 0 && selected_ < static_cast<int>(screens_.size()) ? screens_[static_cast<size_t>(selected_)].get()
                                                                          : nullptr;
}

void TabBarController::setSelectedIndex(int index) {
    bool valid = (index == kMoreIndex && more_) || (index >= 0 && index < static_cast<int>(screens_.size()));
    if (!valid || index == selected_) return;
    if (ViewController* old = selectedViewController()) old->notifyDisappearing(false);
    selected_ = index;
    selectedViewController()->notifyAppearing(false);
}

ViewController* TabBarController::visibleLeaf() {
    ViewController* selected = selectedViewController();
    return selected != nullptr ? selected->visibleLeaf() : this;
}

void TabBarController::tapTab(int index) {
    ViewController* target = index == kMoreIndex ? more_.get() : screens_[static_cast<size_t>(index)].get();
    if (index == selected_) {
        // The selected tab tapped again goes back to its first screen.
        if (auto* stack = dynamic_cast<NavigationController*>(target)) stack->popToRootViewControllerAnimated(true);
        return;
    }
    if (delegate_ != nullptr && !delegate_->tabBarControllerShouldSelectViewController(*this, target)) return;
    setSelectedIndex(index);
    if (delegate_ != nullptr) delegate_->tabBarControllerDidSelectViewController(*this, target);
}

void TabBarController::render(SceneNode& into, SceneContext& context) {
    if (ViewController* selected = selectedViewController()) selected->render(into, context);
    SceneNode& bar = into.add(SceneNode("tabbar"));
    size_t shown = hasMore() && more_ ? kVisibleTabs - 1 : screens_.size();
    auto addTab = [&](int index, ViewController* screen) {
        std::string id = "tab:" + std::to_string(index == kMoreIndex ? static_cast<int>(shown) : index);
        SceneNode& tab = bar.add(SceneNode("tab", id));
        const TabBarItem& item = screen->tabBarItem();
        tab.set("title", item.title.empty() ? screen->title() : item.title);
        if (!item.image.empty()) tab.set("image", item.image);
        if (!item.badgeValue.empty()) tab.set("badge", item.badgeValue);
        if (index == selected_) tab.set("selected", true);
        context.addAction(id, [this, index](const UIEvent&) { tapTab(index); });
    };
    for (size_t i = 0; i < shown; ++i) addTab(static_cast<int>(i), screens_[i].get());
    if (hasMore() && more_) addTab(kMoreIndex, more_.get());
}

}  // namespace tallo
