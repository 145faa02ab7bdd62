#include "Classes/shell/TLPicker.h"

#include "Platform/foundation/NotificationCenter.h"

namespace tallo {

TLPicker::TLPicker(Rect frame)
    : TLSharedPicker(frame), pickerView_(std::make_shared<PickerView>("picker", Rect{0, 0, 320, 216})) {
    pickerView_->showsSelectionIndicator = true;
    view_->addSubview(pickerView_);
}

void TLPicker::announceShowing() { NotificationCenter::defaultCenter().postNotification("resignAllResponders", this); }

}  // namespace tallo
