#include "Classes/shell/TLTabBarController.h"

#include "Platform/ui/NavigationController.h"

namespace tallo {

namespace {

constexpr double kButtonWidth = 64;

}  // namespace

void TLTabBarController::viewDidLoad() { backgroundImage_ = "tab-back.png"; }

void TLTabBarController::initButtons() {
    buttons_.clear();
    for (size_t i = 0; i < viewControllers().size(); ++i) {
        const ViewController& screen = *viewControllers()[i];
        Button button;
        button.title = screen.tabBarItem().title.empty() ? screen.title() : screen.tabBarItem().title;
        button.backgroundImage = "tab_button_" + std::to_string(i) + ".png";
        button.x = static_cast<double>(i) * kButtonWidth;
        buttons_.push_back(button);
    }
    if (!buttons_.empty()) buttons_.front().selected = true;
}

int TLTabBarController::buttonIndexOf(const ViewController* screen) const {
    if (screen == nullptr) return -1;
    int tag = screen->tabBarItem().tag;
    return tag >= 0 && tag < static_cast<int>(buttons_.size()) ? tag : -1;
}

void TLTabBarController::updateSelection() {
    for (Button& button : buttons_) {
        button.hidden = true;
        button.selected = false;
    }
    int shown = buttonIndexOf(selectedViewController());
    if (shown >= 0) {
        buttons_[static_cast<size_t>(shown)].hidden = false;
        buttons_[static_cast<size_t>(shown)].selected = true;
    }
}

void TLTabBarController::rearangeButtons() {
    for (size_t i = 0; i < viewControllers().size() && i < kVisibleTabs; ++i) {
        int index = buttonIndexOf(viewControllers()[i].get());
        if (index >= 0) buttons_[static_cast<size_t>(index)].x = static_cast<double>(i) * kButtonWidth;
    }
}

void TLTabBarController::popToRoot() {
    if (auto* stack = dynamic_cast<NavigationController*>(selectedViewController())) stack->popToRootViewControllerAnimated(true);
}

void TLTabBarController::render(SceneNode& into, SceneContext& context) {
    // Tapping the selected tab again takes it to its root (TabBarController).
    TabBarController::render(into, context);
    if (into.children().empty()) return;
    SceneNode& bar = into.children().back();
    if (bar.kind() != "tabbar") return;
    if (!backgroundImage_.empty()) bar.set("background", backgroundImage_);
    int shown = buttonIndexOf(selectedViewController());
    if (shown < 0 || buttons_[static_cast<size_t>(shown)].hidden) return;
    const Button& button = buttons_[static_cast<size_t>(shown)];
    for (SceneNode& tab : bar.children()) {
        if (tab.property("selected") != nullptr) tab.set("button", button.backgroundImage);
    }
}

}  // namespace tallo
