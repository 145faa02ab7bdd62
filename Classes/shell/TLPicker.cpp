#include "Classes/shell/TLPicker.h"

#include "Classes/shell/TLGlobal.h"
#include "Platform/foundation/NotificationCenter.h"

namespace tallo {

TLPicker::TLPicker(Rect frame)
    : view_(std::make_shared<View>(frame)), pickerView_(std::make_shared<PickerView>("picker", Rect{0, 0, 320, 216})) {
    pickerView_->showsSelectionIndicator = true;
    view_->addSubview(pickerView_);
    NotificationCenter::defaultCenter().addObserver(this, "resignAllResponders", [this](const Notification& note) {
        if (note.object != this) resignAllResponders();
    });
}

TLPicker::~TLPicker() {
    NotificationCenter::defaultCenter().removeObserver(this);
    view_->removeFromSuperview();
}

void TLPicker::showAnimated(bool animated) {
    if (!isHidden_) return;
    NotificationCenter::defaultCenter().postNotification("resignAllResponders", this);
    isHidden_ = false;
    TLGlobal::sharedGlobal().rootView().addSubview(view_);
    wasActivated_ = true;
    if (pendingRemoval_ != 0) RunLoop::main().cancel(pendingRemoval_);
    pendingRemoval_ = 0;
    Rect frame = view_->frame();
    frame.y = kShownTop;
    view_->setFrame(frame, animated ? kAnimationSeconds : 0);
}

void TLPicker::hideAnimated(bool animated) {
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

void TLPicker::removeFromRoot() {
    if (!wasActivated_) view_->removeFromSuperview();
}

void TLPicker::resignAllResponders() { hideAnimated(true); }

}  // namespace tallo
