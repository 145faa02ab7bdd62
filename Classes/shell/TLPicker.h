#pragma once
// TLPicker: the shared value picker (TLGlobal::picker) holding the
// platform's value picker (320 × 216, selection indicator shown). The screen
// that uses it sets the wheels' data source and delegate. Coming up it posts
// "resignAllResponders" with itself as the object — which hides the date
// picker and ends text entry, but not this picker. Showing, hiding and
// leaving the root view: TLSharedPicker.

#include <memory>

#include "Classes/shell/TLSharedPicker.h"
#include "Platform/ui/PickerView.h"

namespace tallo {

class TLPicker : public TLSharedPicker {
public:
    explicit TLPicker(Rect frame = {0, 200, 320, 400});

    PickerView& pickerView() { return *pickerView_; }

protected:
    void announceShowing() override;

private:
    std::shared_ptr<PickerView> pickerView_;
};

}  // namespace tallo
