#pragma once
// NavigationController: a stack of screens under one navigation bar. The bar
// shows the top screen's title, its left button (or "Back" when the stack is
// deeper than one and the screen does not hide it) and its right button.
// Pushing and popping tell the screens going out of and coming into view.

#include <memory>
#include <vector>

#include "Platform/ui/ViewController.h"

namespace tallo {

class NavigationController : public ViewController {
public:
    explicit NavigationController(std::shared_ptr<ViewController> root);
    // Screens that outlive the stack (kept elsewhere) forget it.
    ~NavigationController() override;

    void pushViewController(std::shared_ptr<ViewController> screen, bool animated);
    // Nothing when only the root is left. The popped screen is answered (and
    // kept alive until the current event is over).
    std::shared_ptr<ViewController> popViewControllerAnimated(bool animated);
    void popToRootViewControllerAnimated(bool animated);

    ViewController* topViewController() const { return stack_.empty() ? nullptr : stack_.back().get(); }
    const std::vector<std::shared_ptr<ViewController>>& viewControllers() const { return stack_; }
    bool isNavigationBarHidden() const { return barHidden_; }
    void setNavigationBarHidden(bool hidden) { barHidden_ = hidden; }

    ViewController* visibleLeaf() override;
    void render(SceneNode& into, SceneContext& context) override;

private:
    std::vector<std::shared_ptr<ViewController>> stack_;
    bool barHidden_ = false;
};

}  // namespace tallo
