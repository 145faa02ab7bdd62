#include "Platform/ui/ViewController.h"

#include <utility>

#include "Platform/foundation/RunLoop.h"
#include "Platform/ui/NavigationController.h"
#include "Platform/ui/TabBarController.h"

namespace tallo {

namespace {

std::string gTransition;

}  // namespace

ViewController::ViewController() = default;
ViewController::~ViewController() {
    if (modal_) modal_->presenter_ = nullptr;
}

NavigationController* ViewController::navigationController() const {
    for (ViewController* at = parent_; at != nullptr; at = at->parent_) {
        if (auto* navigation = dynamic_cast<NavigationController*>(at)) return navigation;
    }
    return nullptr;
}

TabBarController* ViewController::tabBarController() const {
    const ViewController* at = this;
    while (at != nullptr) {
        if (auto* tabs = dynamic_cast<const TabBarController*>(at)) return const_cast<TabBarController*>(tabs);
        at = at->parent_ != nullptr ? at->parent_ : at->presenter_;
    }
    return nullptr;
}

void ViewController::setEditing(bool editing, bool /*animated*/) { editing_ = editing; }

void ViewController::loadViewIfNeeded() {
    if (loaded_) return;
    loaded_ = true;
    viewDidLoad();
}

void ViewController::notifyAppearing(bool animated) {
    ViewController* leaf = visibleLeaf();
    leaf->loadViewIfNeeded();
    leaf->viewWillAppear(animated);
    leaf->viewDidAppear(animated);
}

void ViewController::notifyDisappearing(bool animated) {
    ViewController* leaf = visibleLeaf();
    leaf->viewWillDisappear(animated);
    leaf->viewDidDisappear(animated);
}

void ViewController::presentModalViewController(std::shared_ptr<ViewController> screen, bool animated) {
    if (!screen || modal_) return;
    notifyDisappearing(animated);
    modal_ = std::move(screen);
    modal_->presenter_ = this;
    modal_->loadViewIfNeeded();
    modal_->notifyAppearing(animated);
    noteTransition("present", animated);
}

void ViewController::dismissModalViewControllerAnimated(bool animated) {
    if (!modal_) {
        // Asked by the presented screen or by a screen inside it: the
        // presenter closes it.
        for (ViewController* at = this; at != nullptr; at = at->parent_) {
            if (at->presenter_ != nullptr) {
                at->presenter_->dismissModalViewControllerAnimated(animated);
                return;
            }
        }
        return;
    }
    modal_->notifyDisappearing(animated);
    std::shared_ptr<ViewController> closed = std::move(modal_);
    closed->presenter_ = nullptr;
    retireLater(std::move(closed));
    notifyAppearing(animated);
    noteTransition("dismiss", animated);
}

void ViewController::render(SceneNode& into, SceneContext& context) {
    SceneNode& content = into.add(SceneNode("content"));
    renderContent(content, context);
}

void ViewController::retireLater(std::shared_ptr<ViewController> screen) {
    if (!screen) return;
    RunLoop::main().post([kept = std::move(screen)]() mutable { kept.reset(); });
}

void ViewController::noteTransition(const char* kind, bool animated) { gTransition = animated ? kind : ""; }

std::string ViewController::takeTransition() { return std::exchange(gTransition, std::string()); }

}  // namespace tallo
