#include "Classes/shell/TLNavigationViewC.h"

#include "Classes/shell/TLGlobal.h"
#include "Platform/foundation/Localization.h"
#include "Platform/foundation/NotificationCenter.h"

namespace tallo {

namespace {

void resignAllResponders(const void* sender) {
    NotificationCenter::defaultCenter().postNotification("resignAllResponders", sender);
}

}  // namespace

BarButtonItem TLNavigationViewC::barButton(int type, bool left) {
    BarButtonItem item;
    switch (type) {
        case TLBarButtonType::Done: item.title = L("Done"); item.done = true; item.image = "nav_done.png"; break;
        case TLBarButtonType::Cancel: item.title = L("Cancel"); break;
        case TLBarButtonType::Edit: item.title = L("Edit"); break;
        case TLBarButtonType::Add: item.image = "nav_add.png"; item.title = "+"; break;
        case TLBarButtonType::Home: item.title = L("Home"); break;
        case TLBarButtonType::Now: item.title = L("Now"); break;
        case TLBarButtonType::Settings: item.title = L("Settings"); break;
        case TLBarButtonType::Back: item.title = L("Back"); item.image = "nav_back_left.png"; break;
        case TLBarButtonType::Next: item.title = L("Next"); item.done = true; break;
        default: item.title = "?"; break;
    }
    item.action = left ? std::function<void()>([this] { leftAction(); }) : std::function<void()>([this] { rightAction(); });
    return item;
}

void TLNavigationViewC::setLeftBarButtonType(int type) { navigationItem().leftBarButtonItem = barButton(type, true); }

void TLNavigationViewC::setRightBarButtonType(int type) { navigationItem().rightBarButtonItem = barButton(type, false); }

void TLNavigationViewC::presentModalView(std::shared_ptr<TLNavigationViewC> screen, int mode) {
    resignAllResponders(this);
    screen->modalViewParent = this;
    screen->viewMode = mode;
    screen->isModalView = true;
    screen->loadViewIfNeeded();
    screen->prepareForMode(mode);
    screen->isVisible = true;
    isVisible = false;
    presentModalViewController(std::make_shared<NavigationController>(std::move(screen)), workAnimated);
}

void TLNavigationViewC::pushView(std::shared_ptr<TLNavigationViewC> screen, int mode) {
    resignAllResponders(this);
    screen->isModalView = false;
    screen->viewMode = mode;
    screen->loadViewIfNeeded();
    screen->prepareForMode(mode);
    screen->isVisible = true;
    isVisible = false;
    if (NavigationController* stack = navigationController()) stack->pushViewController(std::move(screen), workAnimated);
}

void TLNavigationViewC::pushView(std::shared_ptr<TLNavigationViewC> screen, int mode, bool withTabBar) {
    TLNavigationViewC* parent = modalViewParent;
    if (withTabBar) return pushView(std::move(screen), mode);
    screen->modalViewParent = parent;
    auto* pushed = screen.get();
    pushView(std::move(screen), mode);
    pushed->isModalView = true;
    pushed->modalViewParent = parent;
}

void TLNavigationViewC::popView() {
    NavigationController* stack = navigationController();
    size_t depth = stack != nullptr ? stack->viewControllers().size() : 0;
    bool previousEditing = depth >= 2 && stack->viewControllers()[depth - 2]->isEditing();
    popViewToEditing(depth >= 2 ? previousEditing : false);
}

void TLNavigationViewC::popViewToEditing(bool editing) {
    NavigationController* stack = navigationController();
    bool dismissesModal = isModalView && (stack == nullptr || stack->viewControllers().size() < 2 ||
                                          stack->viewControllers().front().get() == this);
    if (dismissesModal) {
        isVisible = false;
        TLNavigationViewC* parent = modalViewParent;
        if (parent != nullptr) {
            parent->isVisible = true;
            parent->willDismissModalView(this);
        }
        dismissModalViewControllerAnimated(workAnimated);
    } else if (stack != nullptr && stack->viewControllers().size() >= 2) {
        auto* previous = dynamic_cast<TLNavigationViewC*>(stack->viewControllers()[stack->viewControllers().size() - 2].get());
        isVisible = false;
        if (previous != nullptr) {
            previous->isVisible = true;
            previous->willPopNextView(this);
        }
        stack->popViewControllerAnimated(workAnimated);
        if (previous != nullptr && previous->isEditing() != editing) previous->setEditing(editing, false);
    }
    TLGlobal::sharedGlobal().setShouldMissDeselect(false);
}

void TLNavigationViewC::goBack() {
    isModalView = false;
    popView();
}

void TLNavigationViewC::popToRoot() {
    if (NavigationController* stack = navigationController()) stack->popToRootViewControllerAnimated(true);
}

void TLNavigationViewC::toggleEdit() {
    resignAllResponders(this);
    setEditing(!isEditing(), workAnimated);
    if (isEditing()) {
        setRightBarButtonType(showsNext ? TLBarButtonType::Next : TLBarButtonType::Done);
        setLeftBarButtonType(TLBarButtonType::Cancel);
    } else if (isRootView) {
        setRightBarButtonType(TLBarButtonType::Add);
        setLeftBarButtonType(TLBarButtonType::Edit);
    } else {
        setRightBarButtonType(TLBarButtonType::Edit);
        setLeftBarButtonType(TLBarButtonType::Back);
    }
}

}  // namespace tallo
