#include "Platform/ui/NavigationController.h"

namespace tallo {

namespace {

void renderButton(SceneNode& bar, const char* id, const BarButtonItem& item, SceneContext& context) {
    SceneNode& button = bar.add(SceneNode("button", id));
    if (!item.title.empty()) button.set("title", item.title);
    if (!item.image.empty()) button.set("image", item.image);
    if (item.done) button.set("done", true);
    if (!item.enabled) {
        button.set("enabled", false);
        return;
    }
    if (item.action) {
        auto action = item.action;
        context.addAction(id, [action](const UIEvent&) { action(); });
    }
}

}  // namespace

NavigationController::NavigationController(std::shared_ptr<ViewController> root) {
    if (root) {
        root->setParent(this);
        stack_.push_back(std::move(root));
    }
}

NavigationController::~NavigationController() {
    for (auto& screen : stack_) screen->setParent(nullptr);
}

ViewController* NavigationController::visibleLeaf() {
    return stack_.empty() ? this : stack_.back()->visibleLeaf();
}

void NavigationController::pushViewController(std::shared_ptr<ViewController> screen, bool animated) {
    if (!screen) return;
    if (!stack_.empty()) stack_.back()->notifyDisappearing(animated);
    screen->setParent(this);
    stack_.push_back(std::move(screen));
    stack_.back()->notifyAppearing(animated);
    noteTransition("push", animated);
}

std::shared_ptr<ViewController> NavigationController::popViewControllerAnimated(bool animated) {
    if (stack_.size() < 2) return nullptr;
    stack_.back()->notifyDisappearing(animated);
    std::shared_ptr<ViewController> popped = std::move(stack_.back());
    stack_.pop_back();
    popped->setParent(nullptr);
    retireLater(popped);
    stack_.back()->notifyAppearing(animated);
    noteTransition("pop", animated);
    return popped;
}

void NavigationController::popToRootViewControllerAnimated(bool animated) {
    if (stack_.size() < 2) return;
    stack_.back()->notifyDisappearing(animated);
    while (stack_.size() > 1) {
        stack_.back()->setParent(nullptr);
        retireLater(std::move(stack_.back()));
        stack_.pop_back();
    }
    stack_.back()->notifyAppearing(animated);
    noteTransition("pop", animated);
}

void NavigationController::render(SceneNode& into, SceneContext& context) {
    ViewController* top = topViewController();
    if (top == nullptr) return;
    if (!barHidden_) {
        SceneNode& bar = into.add(SceneNode("navbar"));
        bar.set("title", top->title());
        NavigationItem& item = top->navigationItem();
        if (item.leftBarButtonItem) {
            renderButton(bar, "nav:left", *item.leftBarButtonItem, context);
        } else if (stack_.size() > 1 && !item.hidesBackButton) {
            BarButtonItem back{"Back", "", true, false, [this] { popViewControllerAnimated(true); }};
            renderButton(bar, "nav:back", back, context);
        }
        if (item.rightBarButtonItem) renderButton(bar, "nav:right", *item.rightBarButtonItem, context);
    }
    top->render(into, context);
}

}  // namespace tallo
