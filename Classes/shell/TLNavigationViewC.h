#pragma once
// TLNavigationViewC: the base of every screen. It opens other screens
// (pushed onto its navigation stack, or presented modally in a stack of
// their own) with a mode whose meaning belongs to each screen, closes
// itself, toggles editing with the matching bar buttons, and sets its bar
// buttons by type (TLBarButtonType: Done, Cancel, Edit, Add, Home, Now,
// Settings, Back, Next). The left button runs leftAction, the right one
// rightAction.

#include <memory>

#include "Classes/shell/TLBarButtonType.h"
#include "Platform/ui/NavigationController.h"
#include "Platform/ui/ViewController.h"

namespace tallo {

class TLNavigationViewC : public ViewController {
public:
    bool isRootView = false;
    bool isModalView = false;
    int viewMode = 0;
    TLNavigationViewC* modalViewParent = nullptr;
    bool isVisible = false;
    bool isCanceled = false;
    bool showsNext = false;
    bool workAnimated = true;

    void presentModalView(std::shared_ptr<TLNavigationViewC> screen, int mode);
    void pushView(std::shared_ptr<TLNavigationViewC> screen, int mode);
    void pushView(std::shared_ptr<TLNavigationViewC> screen, int mode, bool withTabBar);
    void popView();
    void popViewToEditing(bool editing);
    void goBack();
    void popToRoot();
    virtual void toggleEdit();

    // `type` is a TLBarButtonType.
    void setLeftBarButtonType(int type);
    void setRightBarButtonType(int type);
    void removeLeftBarButton() { navigationItem().leftBarButtonItem.reset(); }
    void removeRightBarButton() { navigationItem().rightBarButtonItem.reset(); }

    // Hooks.
    virtual void leftAction() { popView(); }
    virtual void rightAction() {}
    virtual void prepareForMode(int /*mode*/) {}
    virtual void willPopNextView(TLNavigationViewC* /*next*/) {}
    virtual void willDismissModalView(TLNavigationViewC* /*modal*/) {}

private:
    BarButtonItem barButton(int type, bool left);
};

}  // namespace tallo
