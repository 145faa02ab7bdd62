#pragma once
// TLDatePicker: the shared date picker (TLGlobal::datePicker) holding the
// platform's date-only picker. Coming up it posts "pickerWillShow" (table
// screens make room, TLViewC); every change of the date is told to the
// delegate. Showing, hiding and leaving the root view: TLSharedPicker.

#include <memory>

#include "Classes/shell/TLSharedPicker.h"
#include "Platform/ui/DatePicker.h"

namespace tallo {

class TLDatePicker;

class TLDatePickerDelegate {
public:
    virtual ~TLDatePickerDelegate() = default;
    virtual void datePickerDateChanged(TLDatePicker* picker) = 0;
};

class TLDatePicker : public TLSharedPicker {
public:
    explicit TLDatePicker(Rect frame = {0, 200, 320, 400});
    ~TLDatePicker() override;

    DatePicker& picker() { return *picker_; }
    TLDatePickerDelegate* delegate = nullptr;  // not owned

protected:
    void announceShowing() override;

private:
    std::shared_ptr<DatePicker> picker_;
};

}  // namespace tallo
