#pragma once
// Application: the running program as the person sees it — one window with
// its root screen (the tab bar), the questions laid over it, the icon badge,
// and whether the program is in the foreground. It renders all of it into
// one scene and answers the person's events through the handlers of the
// last rendering, so only what is on the screen can be acted on. An event
// for something no longer there is refused with a reason and changes
// nothing.
//
// The lock: while a lock screen is up it is all the program shows and
// answers. render() draws the lock screen alone — no tab bar, no screen or
// question under it, no view laid over the screens, no badge — so nothing
// of the ledger reaches any page; only its own elements and keys are
// answered, and the handlers of earlier renderings are forgotten the moment
// it comes up. Questions shown meanwhile wait under it for its dismissal.
//
// One shared instance; main thread only.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Platform/ui/AlertView.h"
#include "Platform/ui/SceneContext.h"
#include "Platform/ui/SceneNode.h"
#include "Platform/ui/UIEvent.h"
#include "Platform/ui/View.h"
#include "Platform/ui/ViewController.h"

namespace tallo {

class ApplicationDelegate {
public:
    virtual ~ApplicationDelegate() = default;
    virtual bool applicationDidFinishLaunching() { return true; }
    virtual void applicationDidEnterBackground() {}
    virtual void applicationWillEnterForeground() {}
};

class Application {
public:
    static Application& sharedApplication();
    // Tests only: a fresh application (no window, no delegate).
    static void resetSharedApplication();

    void setDelegate(ApplicationDelegate* delegate) { delegate_ = delegate; }
    ApplicationDelegate* delegate() const { return delegate_; }
    // Sets the root screen and runs the delegate's launch.
    bool launch(std::shared_ptr<ViewController> root);
    void setRootViewController(std::shared_ptr<ViewController> root);
    ViewController* rootViewController() const { return root_.get(); }
    // The screen in view: the lock screen's while locked, else the deepest
    // modal screen over the root's.
    ViewController* visibleViewController() const;

    int applicationIconBadgeNumber() const { return badge_; }
    void setApplicationIconBadgeNumber(int number) { badge_ = number; }
    bool isInBackground() const { return background_; }
    // Whether a field is being typed in (the keyboard is up).
    bool isKeyboardShown() const { return keyboardShown_; }
    // The id of the field being typed in ("field:0:2"), or "".
    const std::string& focusedTarget() const { return focusedTarget_; }
    // While set, the device must not dim or lock (a sync is running).
    bool isIdleTimerDisabled() const { return idleTimerDisabled_; }
    void setIdleTimerDisabled(bool disabled) { idleTimerDisabled_ = disabled; }

    // The lock screen covers everything until dismissed (see above). A
    // second one while one is up is ignored.
    void presentLockScreen(std::shared_ptr<ViewController> lock);
    void dismissLockScreen();
    bool isLocked() const { return lock_ != nullptr; }
    ViewController* lockScreen() const { return lock_.get(); }

    // The views laid over the screens (the shared pickers), drawn above
    // the screen and under the questions; 320 × 480 points.
    View& rootView() { return *rootView_; }

    // Questions over the window, newest on top.
    void showOverlay(std::shared_ptr<Overlay> overlay);
    void removeOverlay(const Overlay* overlay);
    const std::vector<std::shared_ptr<Overlay>>& overlays() const { return overlays_; }

    // The scene of the current state; remembers its handlers.
    SceneNode render();
    // Parses and handles one message of the client. False, with the reason,
    // when it was refused.
    bool handleMessage(std::string_view message, std::string* error = nullptr);
    bool handleEvent(const UIEvent& event, std::string* error = nullptr);

private:
    Application() = default;
    SceneNode renderLocked(SceneNode& scene);
    // A key typed outside any field goes to the screen in view.
    bool handleKey(const std::string& key, std::string* error);

    std::shared_ptr<ViewController> root_;
    std::shared_ptr<ViewController> lock_;
    std::shared_ptr<View> rootView_ = std::make_shared<View>(Rect{0, 0, 320, 480});
    std::vector<std::shared_ptr<Overlay>> overlays_;
    ApplicationDelegate* delegate_ = nullptr;
    SceneContext context_;
    int badge_ = 0;
    bool background_ = false;
    bool idleTimerDisabled_ = false;
    bool keyboardShown_ = false;
    std::string focusedTarget_;
};

}  // namespace tallo
