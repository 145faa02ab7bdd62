#include "Classes/shell/TLSharedPicker.h"

#include "Classes/shell/TLGlobal.h"
#include "Platform/foundation/NotificationCenter.h"

namespace tallo {

TLSharedPicker::TLSharedPicker(Rect frame) : view_(std::make_shared<View>(frame)) {
    NotificationCenter::defaultCenter().addObserver(this, "resignAllResponders", [this](const Notification& note) {
        // The value picker says it is coming up with itself as the object.
        if (note.object != this) resignAllResponders();
    });
}

TLSharedPicker::~TLSharedPicker() {
    NotificationCenter::defaultCenter().removeObserver(this);
    view_->removeFromSuperview();
}

void TLSharedPicker::showAnimated(bool animated) {
    if (!isHidden_) return;
    // Announced while still hidden: a screen that hides every picker on
    // the announcement leaves this one alone.
    announceShowing();
    isHidden_ = false;
    TLGlobal::sharedGlobal().rootView().addSubview(view_);
    wasActivated_ = true;
    // A removal pending from an earlier hide no longer applies.
    if (pendingRemoval_ != 0) RunLoop::main().cancel(pendingRemoval_);
    pendingRemoval_ = 0;
    Rect frame = view_->frame();
    frame.y = kShownTop;
    view_->setFrame(frame, animated ? kAnimationSeconds : 0);
}

void TLSharedPicker::hideAnimated(bool animated) {
    if (isHidden_) return;
    NotificationCenter::defaultCenter().postNotification("pickerWillHide", this);
    isHidden_ = true;
    Rect frame = view_->frame();
    frame.y += frame.height;
    view_->setFrame(frame, animated ? kAnimationSeconds : 0);
    wasActivated_ = false;
    if (pendingRemoval_ != 0) RunLoop::main().cancel(pendingRemoval_);
    // The timer may outlive the picker (tests forget the shared one).
    pendingRemoval_ = RunLoop::main().performAfterDelay(kAnimationSeconds, [this, alive = std::weak_ptr<bool>(alive_)] {
        if (alive.expired()) return;
        pendingRemoval_ = 0;
        removeFromRoot();
    });
}

void TLSharedPicker::removeFromRoot() {
    if (!wasActivated_) view_->removeFromSuperview();
}

void TLSharedPicker::resignAllResponders() { hideAnimated(true); }

}  // namespace tallo
