#pragma once
// TLPicker: the shared value picker (TLGlobal::picker), a view laid over
// the root view holding the platform's value picker (320 × 216, selection
// indicator shown). The screen that uses it sets the wheels' data source
// and delegate. Made with the frame 0, 200, 320, 400 and hidden.
//
// showAnimated: nothing when shown already; otherwise posts
// "resignAllResponders" with itself as the object — which hides the date
// picker and ends text entry, but not this picker — then goes on top of the
// root view with its top at 265 points (over 0.3 s when animated).
// hideAnimated: as the date picker's: "pickerWillHide", down by its own
// height, off the root view 0.3 s later unless shown again meanwhile.
//
// Main thread only; TLGlobal owns the shared one for the process.

#include <memory>

#include "Platform/foundation/RunLoop.h"
#include "Platform/ui/PickerView.h"

namespace tallo {

class TLPicker {
public:
    static constexpr double kShownTop = 265;
    static constexpr double kAnimationSeconds = 0.3;

    explicit TLPicker(Rect frame = {0, 200, 320, 400});
    ~TLPicker();
    TLPicker(const TLPicker&) = delete;
    TLPicker& operator=(const TLPicker&) = delete;

    PickerView& pickerView() { return *pickerView_; }
    View& view() { return *view_; }
    bool isHidden() const { return isHidden_; }
    bool wasActivated() const { return wasActivated_; }

    void showAnimated(bool animated);
    void hideAnimated(bool animated);
    void removeFromRoot();
    void resignAllResponders();

private:
    std::shared_ptr<View> view_;
    std::shared_ptr<PickerView> pickerView_;
    bool isHidden_ = true;
    bool wasActivated_ = false;
    RunLoop::TimerId pendingRemoval_ = 0;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace tallo
