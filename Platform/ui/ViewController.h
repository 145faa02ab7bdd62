#pragma once
// ViewController: one screen. It has a title, the items its navigation bar
// and tab bar show, an editing state, the screen it presented modally (and
// the one that presented it), and the life-cycle calls the containers make
// as it comes into and goes out of view. What it shows below the navigation
// bar it renders itself (renderContent), registering a handler for every
// element the person can act on.
//
// Screens are owned by their containers through shared_ptr (a navigation
// stack owns its screens, a screen owns the screen it presented); the
// container and parent pointers here are plain, valid while owned.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "Platform/ui/SceneContext.h"
#include "Platform/ui/SceneNode.h"

namespace tallo {

class NavigationController;
class TabBarController;

struct BarButtonItem {
    std::string title;
    std::string image;  // a picture name instead of (or beside) the title
    bool enabled = true;
    bool done = false;  // the prominent style ("Done", "Save")
    std::function<void()> action;
};

struct NavigationItem {
    std::optional<BarButtonItem> leftBarButtonItem;
    std::optional<BarButtonItem> rightBarButtonItem;
    bool hidesBackButton = false;
};

struct TabBarItem {
    std::string title;
    std::string image;
    int tag = 0;
    std::string badgeValue;  // "" shows no badge
};

class ViewController : public std::enable_shared_from_this<ViewController> {
public:
    ViewController();
    virtual ~ViewController();
    ViewController(const ViewController&) = delete;
    ViewController& operator=(const ViewController&) = delete;

    const std::string& title() const { return title_; }
    void setTitle(std::string title) { title_ = std::move(title); }
    NavigationItem& navigationItem() { return navigationItem_; }
    TabBarItem& tabBarItem() { return tabBarItem_; }
    const TabBarItem& tabBarItem() const { return tabBarItem_; }

    NavigationController* navigationController() const;
    TabBarController* tabBarController() const;

    bool isEditing() const { return editing_; }
    virtual void setEditing(bool editing, bool animated);

    // Modal presentation: `screen` covers everything until dismissed. The
    // presenting screen is told viewWillDisappear/… and later
    // viewWillAppear/… again. Dismissing from the presented screen (or its
    // navigation stack) dismisses it from its presenter.
    void presentModalViewController(std::shared_ptr<ViewController> screen, bool animated);
    void dismissModalViewControllerAnimated(bool animated);
    ViewController* modalViewController() const { return modal_.get(); }
    ViewController* parentViewController() const { return presenter_ != nullptr ? presenter_ : parent_; }
    ViewController* presentingViewController() const { return presenter_; }

    // Life cycle, called by the containers.
    void loadViewIfNeeded();
    bool isViewLoaded() const { return loaded_; }
    virtual void viewDidLoad() {}
    virtual void viewWillAppear(bool /*animated*/) {}
    virtual void viewDidAppear(bool /*animated*/) {}
    virtual void viewWillDisappear(bool /*animated*/) {}
    virtual void viewDidDisappear(bool /*animated*/) {}

    // Renders the whole screen: containers their bars and child, plain
    // screens their content.
    virtual void render(SceneNode& into, SceneContext& context);
    // The area under the navigation bar.
    virtual void renderContent(SceneNode& /*content*/, SceneContext& /*context*/) {}

    // A key of the computer's keyboard typed outside any field, offered to
    // the screen in view ("7", ".", "Backspace", "Enter", "Escape"; the list
    // is UIEvent's). True when the screen used it; by default it takes none.
    virtual bool keyPressed(const std::string& /*key*/) { return false; }

    // The screen in view inside this one: a container's current child's,
    // a plain screen itself.
    virtual ViewController* visibleLeaf() { return this; }
    // Tells the screen in view it is coming or going (will, then did).
    void notifyAppearing(bool animated);
    void notifyDisappearing(bool animated);
    // Keeps `screen` alive until the current event is over: a screen may be
    // closed from inside its own button action.
    static void retireLater(std::shared_ptr<ViewController> screen);

    // Containers set these.
    void setParent(ViewController* parent) { parent_ = parent; }
    ViewController* parent() const { return parent_; }
    // The last animation a container ran ("push", "pop", "present",
    // "dismiss"), for the client to animate; cleared once rendered.
    static void noteTransition(const char* kind, bool animated);
    static std::string takeTransition();

private:
    std::string title_;
    NavigationItem navigationItem_;
    TabBarItem tabBarItem_;
    bool editing_ = false;
    bool loaded_ = false;
    ViewController* parent_ = nullptr;     // the container holding this screen
    ViewController* presenter_ = nullptr;  // who presented this screen modally
    std::shared_ptr<ViewController> modal_;
};

}  // namespace tallo
