#include "Classes/shell/TLDatePicker.h"

#include "Platform/foundation/NotificationCenter.h"

namespace tallo {

TLDatePicker::TLDatePicker(Rect frame)
    : TLSharedPicker(frame), picker_(std::make_shared<DatePicker>("datePicker", Rect{0, 0, 320, 300})) {
    picker_->sizeToFit();
    view_->addSubview(picker_);
    picker_->valueChanged = [this] {
        if (delegate != nullptr) delegate->datePickerDateChanged(this);
    };
}

TLDatePicker::~TLDatePicker() { picker_->valueChanged = nullptr; }

void TLDatePicker::announceShowing() { NotificationCenter::defaultCenter().postNotification("pickerWillShow", this); }

}  // namespace tallo
