#include "Platform/ui/TabBarController.h"

#include <algorithm>

#include "Platform/foundation/Localization.h"

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
    more_->tabBarItem().title = L("More");
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
    // The configuration covers the screens: keys go to none of them.
    if (customizing_) return this;
    ViewController* selected = selectedViewController();
    return selected != nullptr ? selected->visibleLeaf() : this;
}

void TabBarController::beginCustomizing() {
    customizing_ = true;
    orderChanged_ = false;
}

void TabBarController::endCustomizing() {
    if (!customizing_) return;
    customizing_ = false;
    if (delegate_ != nullptr) delegate_->tabBarControllerDidEndCustomizing(*this, orderChanged_);
}

void TabBarController::moveViewController(size_t from, size_t to) {
    if (from >= screens_.size() || to >= screens_.size() || from == to) return;
    ViewController* selected = selected_ == kMoreIndex ? nullptr : selectedViewController();
    std::shared_ptr<ViewController> moved = screens_[from];
    screens_.erase(screens_.begin() + static_cast<std::ptrdiff_t>(from));
    screens_.insert(screens_.begin() + static_cast<std::ptrdiff_t>(to), std::move(moved));
    orderChanged_ = true;
    if (selected == nullptr) return;
    auto found = std::find_if(screens_.begin(), screens_.end(), [&](const auto& screen) { return screen.get() == selected; });
    selected_ = static_cast<int>(found - screens_.begin());
    // A selected screen moved under More is reached through More now.
    if (hasMore() && more_ && selected_ >= static_cast<int>(kVisibleTabs) - 1) {
        selected->notifyDisappearing(false);
        selected_ = kMoreIndex;
        more_->notifyAppearing(false);
    }
}

// "Configure": the tabs in two sections, those of the bar and those under
// More; a row dragged onto another takes its place.
void TabBarController::renderCustomizing(SceneNode& into, SceneContext& context) {
    SceneNode& bar = into.add(SceneNode("navbar"));
    bar.set("title", L("Configure"));
    bar.add(SceneNode("button", "nav:right")).set("title", L("Done")).set("done", true);
    context.addAction("nav:right", [this](const UIEvent& event) {
        if (event.kind == UIEvent::Kind::Tap) endCustomizing();
    });
    SceneNode& content = into.add(SceneNode("content"));
    SceneNode& table = content.add(SceneNode("table", "table"));
    table.set("style", "grouped");
    size_t inBar = hasMore() && more_ ? kVisibleTabs - 1 : screens_.size();
    const std::string headers[] = {L("Tab Bar"), L("More")};
    for (int s = 0; s < 2; ++s) {
        size_t first = s == 0 ? 0 : inBar;
        size_t last = s == 0 ? inBar : screens_.size();
        if (first >= last) continue;
        SceneNode& section = table.add(SceneNode("section"));
        section.set("header", headers[s]);
        for (size_t i = first; i < last; ++i) {
            std::string suffix = std::to_string(s) + ":" + std::to_string(i - first);
            SceneNode& row = section.add(SceneNode("row", "row:" + suffix));
            const TabBarItem& item = screens_[i]->tabBarItem();
            row.set("text", item.title.empty() ? screens_[i]->title() : item.title);
            if (!item.image.empty()) row.set("glyph", item.image);
            row.set("movable", true);
            context.addAction("move:" + suffix, [this, i, inBar](const UIEvent& event) {
                if (event.kind != UIEvent::Kind::Move || event.toSection < 0 || event.toRow < 0) return;
                size_t to = static_cast<size_t>(event.toRow) + (event.toSection == 0 ? 0 : inBar);
                moveViewController(i, to);
            });
        }
    }
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
    if (customizing_) {
        renderCustomizing(into, context);
    } else if (ViewController* selected = selectedViewController()) {
        selected->render(into, context);
    }
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
        // While the tabs are configured the bar shows the order, no more.
        if (!customizing_) context.addAction(id, [this, index](const UIEvent&) { tapTab(index); });
    };
    for (size_t i = 0; i < shown; ++i) addTab(static_cast<int>(i), screens_[i].get());
    if (hasMore() && more_) addTab(kMoreIndex, more_.get());
}

}  // namespace tallo
