#pragma once
// TLSharedPicker: what the two shared pickers (TLDatePicker, TLPicker) have
// in common — a view laid over the root view, made with the frame
// 0, 200, 320, 400 and hidden.
//
// showAnimated: nothing when shown already; otherwise the picker announces
// itself (each in its own way, announceShowing), goes on top of the root
// view and moves its top to 265 points (over 0.3 s when animated).
// hideAnimated: nothing when hidden already; otherwise posts
// "pickerWillHide", moves down by its own height and leaves the root view
// 0.3 s later — unless it was shown again meanwhile. Any
// "resignAllResponders" not posted by the picker itself hides it, animated.
//
// Main thread only.

#include <memory>

#include "Platform/foundation/RunLoop.h"
#include "Platform/ui/View.h"

namespace tallo {

class TLSharedPicker {
public:
    static constexpr double kShownTop = 265;
    static constexpr double kAnimationSeconds = 0.3;

    explicit TLSharedPicker(Rect frame);
    virtual ~TLSharedPicker();
    TLSharedPicker(const TLSharedPicker&) = delete;
    TLSharedPicker& operator=(const TLSharedPicker&) = delete;

    View& view() { return *view_; }
    bool isHidden() const { return isHidden_; }
    bool wasActivated() const { return wasActivated_; }

    void showAnimated(bool animated);
    void hideAnimated(bool animated);
    // Takes the view off the root view unless it was shown again.
    void removeFromRoot();
    // The "resignAllResponders" observer: hides, animated.
    void resignAllResponders();

protected:
    // Posted while still hidden, before the picker comes up.
    virtual void announceShowing() = 0;
    std::shared_ptr<View> view_;

private:
    bool isHidden_ = true;
    bool wasActivated_ = false;
    RunLoop::TimerId pendingRemoval_ = 0;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace tallo
