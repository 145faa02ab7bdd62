#include "Classes/shell/TLDatePicker.h"

#include "Classes/shell/TLGlobal.h"
#include "Platform/foundation/NotificationCenter.h"

namespace tallo {

TLDatePicker::TLDatePicker(Rect frame)
    : view_(std::make_shared<View>(frame)), picker_(std::make_shared<DatePicker>("datePicker", Rect{0, 0, 320, 300})) {
    picker_->sizeToFit();
    view_->addSubview(picker_);
    picker_->valueChanged = [this] {
        if (delegate != nullptr) delegate->datePickerDateChanged(this);
    };
    NotificationCenter::defaultCenter().addObserver(this, "resignAllResponders", [this](const Notification& note) {
        // The value picker says it is coming up with itself as the object.
        if (note.object != this) resignAllResponders();
    });
}

TLDatePicker::~TLDatePicker() {
    picker_->valueChanged = nullptr;
    NotificationCenter::defaultCenter().removeObserver(this);
    view_->removeFromSuperview();
}

void TLDatePicker::showAnimated(bool animated) {
    if (!isHidden_) return;
    // Posted while still hidden: a screen that hides every picker on this
    // notification leaves this one alone.
    NotificationCenter::defaultCenter().postNotification("pickerWillShow", this);
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

void TLDatePicker::hideAnimated(bool animated) {
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

void TLDatePicker::removeFromRoot() {
    if (!wasActivated_) view_->removeFromSuperview();
}

void TLDatePicker::resignAllResponders() { hideAnimated(true); }

}  // namespace tallo
