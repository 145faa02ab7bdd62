#pragma once
// TLDatePicker: the shared date picker (TLGlobal::datePicker), a view laid
// over the root view holding the platform's date-only picker. Made with the
// frame 0, 200, 320, 400 and hidden.
//
// showAnimated: nothing when shown already; otherwise posts "pickerWillShow"
// (table screens make room, algorithm of TLViewC), goes on top of the root
// view and moves its top to 265 points (over 0.3 s when animated).
// hideAnimated: nothing when hidden already; otherwise posts
// "pickerWillHide", moves down by its own height and leaves the root view
// 0.3 s later — unless it was shown again meanwhile. Any "resignAllResponders"
// hides it, animated. Every change of the date is told to the delegate.
//
// Main thread only; TLGlobal owns the shared one for the process.

#include <memory>

#include "Platform/foundation/RunLoop.h"
#include "Platform/ui/DatePicker.h"

namespace tallo {

class TLDatePicker;

class TLDatePickerDelegate {
public:
    virtual ~TLDatePickerDelegate() = default;
    virtual void datePickerDateChanged(TLDatePicker* picker) = 0;
};

class TLDatePicker {
public:
    static constexpr double kShownTop = 265;
    static constexpr double kAnimationSeconds = 0.3;

    explicit TLDatePicker(Rect frame = {0, 200, 320, 400});
    ~TLDatePicker();
    TLDatePicker(const TLDatePicker&) = delete;
    TLDatePicker& operator=(const TLDatePicker&) = delete;

    DatePicker& picker() { return *picker_; }
    View& view() { return *view_; }
    TLDatePickerDelegate* delegate = nullptr;  // not owned
    bool isHidden() const { return isHidden_; }
    bool wasActivated() const { return wasActivated_; }

    void showAnimated(bool animated);
    void hideAnimated(bool animated);
    // Takes the view off the root view unless it was shown again.
    void removeFromRoot();
    // The "resignAllResponders" observer: hides, animated.
    void resignAllResponders();

private:
    std::shared_ptr<View> view_;
    std::shared_ptr<DatePicker> picker_;
    bool isHidden_ = true;
    bool wasActivated_ = false;
    RunLoop::TimerId pendingRemoval_ = 0;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace tallo
