#pragma once
// PasscodeDialogView: one panel of the passcode screens, 320 × 200 points —
// the action line at the top ("Enter your passcode"), four TLPasscodeField
// boxes of 65 × 65 points side by side, 77 points apart, and the message
// line under them ("Passcode wrong. Try again."). The screens slide two of
// these past each other; the pairing screen shows one.
//
//   dialog action="Enter your passcode" frame="0,0,320,200" message=""
//     passcodefield active=yes frame="12,60,65,65"
//     passcodefield frame="89,60,65,65"  …

#include <array>
#include <memory>
#include <string>

#include "Classes/controls/TLPasscodeField.h"
#include "Platform/ui/View.h"

namespace tallo {

class PasscodeDialogView : public View {
public:
    static constexpr double kWidth = 320;
    static constexpr double kHeight = 200;
    static constexpr size_t kFieldCount = 4;

    explicit PasscodeDialogView(Rect frame = {0, 0, kWidth, kHeight});

    const std::array<std::shared_ptr<TLPasscodeField>, kFieldCount>& fieldsArray() const { return fields_; }
    TLPasscodeField& field(size_t index) { return *fields_[index]; }
    const std::string& actionLabel() const { return actionLabel_; }
    void setActionLabel(std::string text) { actionLabel_ = std::move(text); }
    const std::string& messageLabel() const { return messageLabel_; }
    void setMessageLabel(std::string text) { messageLabel_ = std::move(text); }
    // Every box keeps its digit in view (the pairing code), or masks it.
    void setShouldHideContent(bool value);

protected:
    SceneNode makeNode(SceneContext& context) override;

private:
    std::array<std::shared_ptr<TLPasscodeField>, kFieldCount> fields_;
    std::string actionLabel_;
    std::string messageLabel_;
};

}  // namespace tallo
