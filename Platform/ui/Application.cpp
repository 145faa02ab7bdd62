#include "Platform/ui/Application.h"

#include <algorithm>

#include "Platform/foundation/NotificationCenter.h"
#include "Platform/foundation/RunLoop.h"
#include "Platform/foundation/SharedInstance.h"
#include "Platform/ui/Keyboard.h"

namespace tallo {

namespace {

SharedInstance<Application> gShared;

// The deepest modal screen over `screen`, or the screen itself.
ViewController* topModal(ViewController* screen) {
    ViewController* at = screen;
    while (true) {
        ViewController* leaf = at->visibleLeaf();
        ViewController* next = nullptr;
        // A modal screen may hang off the leaf or any container above it.
        for (ViewController* up = leaf; up != nullptr; up = up->parent()) {
            if (up->modalViewController() != nullptr) {
                next = up->modalViewController();
                break;
            }
        }
        if (next == nullptr) return at;
        at = next;
    }
}

}  // namespace

Application& Application::sharedApplication() {
    return gShared.get([] { return new Application(); });
}

void Application::resetSharedApplication() {
    gShared.reset();
}

bool Application::launch(std::shared_ptr<ViewController> root) {
    setRootViewController(std::move(root));
    return delegate_ == nullptr || delegate_->applicationDidFinishLaunching();
}

void Application::setRootViewController(std::shared_ptr<ViewController> root) {
    root_ = std::move(root);
    if (root_) root_->notifyAppearing(false);
}

ViewController* Application::visibleViewController() const {
    if (lock_) return topModal(lock_.get())->visibleLeaf();
    return root_ ? topModal(root_.get())->visibleLeaf() : nullptr;
}

void Application::presentLockScreen(std::shared_ptr<ViewController> lock) {
    if (!lock || lock_) return;
    if (ViewController* under = visibleViewController()) under->notifyDisappearing(false);
    lock_ = std::move(lock);
    // Nothing rendered before the lock can be acted on any more.
    context_ = SceneContext();
    if (keyboardShown_) {
        keyboardShown_ = false;
        focusedTarget_.clear();
        NotificationCenter::defaultCenter().postNotification(kKeyboardWillHideNotification, nullptr,
                                                             standardKeyboardInfo(false));
    }
    lock_->loadViewIfNeeded();
    lock_->notifyAppearing(false);
}

void Application::dismissLockScreen() {
    if (!lock_) return;
    lock_->notifyDisappearing(false);
    // The lock may be dismissed from its own handler: it lives until the
    // event is over, and none of its handlers is answered again.
    ViewController::retireLater(std::move(lock_));
    lock_.reset();
    context_ = SceneContext();
    if (ViewController* under = visibleViewController()) under->notifyAppearing(false);
}

void Application::showOverlay(std::shared_ptr<Overlay> overlay) {
    if (overlay) overlays_.push_back(std::move(overlay));
}

void Application::removeOverlay(const Overlay* overlay) {
    auto found = std::find_if(overlays_.begin(), overlays_.end(), [&](const auto& o) { return o.get() == overlay; });
    if (found == overlays_.end()) return;
    // Kept until the current event is over: the overlay's own handler runs.
    RunLoop::main().post([kept = std::move(*found)]() mutable { kept.reset(); });
    overlays_.erase(found);
}

SceneNode Application::render() {
    context_ = SceneContext();
    SceneNode scene("window");
    if (lock_) return renderLocked(scene);
    if (root_) {
        // While a question is up, the screen under it is shown but cannot
        // be acted on.
        SceneContext covered;
        SceneContext& screenContext = overlays_.empty() ? context_ : covered;
        SceneNode& base = scene.add(SceneNode("screen"));
        ViewController* top = topModal(root_.get());
        if (top == root_.get()) {
            root_->render(base, screenContext);
        } else {
            top->render(base, screenContext);
            base.set("modal", true);
        }
        std::string transition = ViewController::takeTransition();
        if (!transition.empty()) base.set("transition", transition);
    }
    {
        SceneContext covered;
        SceneContext& viewContext = overlays_.empty() ? context_ : covered;
        for (const auto& view : std::vector<std::shared_ptr<View>>(rootView_->subviews())) view->render(scene, viewContext);
    }
    for (size_t i = 0; i < overlays_.size(); ++i) {
        // Only the newest question can be answered.
        SceneContext ignored;
        bool top = i + 1 == overlays_.size();
        overlays_[i]->render(scene, top ? context_ : ignored, "overlay:" + std::to_string(i));
    }
    if (badge_ > 0) scene.set("badge", badge_);
    if (idleTimerDisabled_) scene.set("keepAwake", true);
    return scene;
}

// The lock screen alone: what lies under it (screens, laid-over views,
// questions, the badge's count) is neither drawn nor answered.
SceneNode Application::renderLocked(SceneNode& scene) {
    SceneNode& base = scene.add(SceneNode("screen"));
    ViewController* top = topModal(lock_.get());
    top->render(base, context_);
    base.set("modal", true);
    base.set("locked", true);
    ViewController::takeTransition();  // a move of the screens under the lock
    if (idleTimerDisabled_) scene.set("keepAwake", true);
    return scene;
}

bool Application::handleMessage(std::string_view message, std::string* error) {
    std::optional<UIEvent> event = UIEvent::parse(message, error);
    if (!event) return false;
    return handleEvent(*event, error);
}

bool Application::handleEvent(const UIEvent& event, std::string* error) {
    if (event.kind == UIEvent::Kind::Hidden) {
        if (!background_) {
            background_ = true;
            if (delegate_ != nullptr) delegate_->applicationDidEnterBackground();
        }
        return true;
    }
    if (event.kind == UIEvent::Kind::Shown) {
        if (background_) {
            background_ = false;
            if (delegate_ != nullptr) delegate_->applicationWillEnterForeground();
        }
        return true;
    }
    if (event.kind == UIEvent::Kind::Key) return handleKey(event.text, error);
    const SceneContext::Handler* handler = context_.action(event.target);
    // Typing ends in the field being typed in even when its screen has gone
    // meanwhile (a Save pressed while typing): the keyboard goes with it.
    bool endsTyping = event.kind == UIEvent::Kind::Blur && keyboardShown_ && event.target == focusedTarget_;
    if (handler == nullptr && !endsTyping) {
        if (error != nullptr) *error = "nothing on the screen answers to " + event.target;
        return false;
    }
    if (event.kind == UIEvent::Kind::Focus || event.kind == UIEvent::Kind::Blur) {
        // Typing starts or ends in a field on the screen: the keyboard comes
        // or goes, told as the platform tells it, once each way.
        bool showing = event.kind == UIEvent::Kind::Focus;
        focusedTarget_ = showing ? event.target : std::string();
        if (showing == keyboardShown_) return true;
        keyboardShown_ = showing;
        NotificationCenter::defaultCenter().postNotification(
            showing ? kKeyboardWillShowNotification : kKeyboardWillHideNotification, nullptr, standardKeyboardInfo(showing));
        return true;
    }
    // The handler may render anew (and so replace the context): run a copy.
    SceneContext::Handler run = *handler;
    run(event);
    return true;
}

bool Application::handleKey(const std::string& key, std::string* error) {
    // A question over the screen is answered by its buttons; a field being
    // typed in takes its keys itself.
    ViewController* screen = visibleViewController();
    const char* reason = nullptr;
    if (lock_) {
        // The questions and fields under the lock are not in view.
        if (screen == nullptr || !screen->keyPressed(key)) reason = "the lock screen takes no such key";
    } else if (!overlays_.empty()) {
        reason = "a question is up";
    } else if (keyboardShown_) {
        reason = "a field is being typed in";
    } else if (screen == nullptr || !screen->keyPressed(key)) {
        reason = "the screen takes no key";
    }
    if (reason == nullptr) return true;
    if (error != nullptr) *error = std::string(reason) + ": " + key;
    return false;
}

}  // namespace tallo
