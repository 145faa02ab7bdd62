#pragma once
// PasscodeEditViewC: the four-digit entry screen — setting, confirming,
// changing and removing the passcode (presented from the Passcode settings
// in view mode 1 or 2, with "Cancel") and the lock screen itself (view mode
// 0, nothing closes it but the right digits).
//
// Digits come from the passcode keypad (tags 0–9; 12 deletes) or the
// computer's keyboard (digits; "Backspace" and "Delete" delete). Half a
// second after the digit that makes four (deleting one calls the check
// off), the entry is checked (TLPasscodeOperation):
//
//   EnterNew        → slide, ConfirmNew (the entry is the value to confirm)
//   ConfirmNew      equal: stored, saved, unlocked, closed
//                   else:  slide, "Passcodes do not match. Try again.", EnterNew
//   VerifyToChange  equal: slide, EnterNew; else slide, "Old passcode wrong. Try again."
//   VerifyToRemove  equal: the empty passcode stored, saved, closed
//                   else:  slide, "Old passcode wrong. Try again."
//   Unlock          equal: unlocked, closed; else slide, "Passcode wrong. Try again."
//
// A fifth digit, and a delete with nothing entered, do nothing. A slide
// moves the panel in view from x 0 to −320 and the other one from 320 to 0
// over 0.3 s; the new panel starts with empty boxes. The stored passcode is
// read from the store at each check, so a store replaced by a sync meanwhile
// is the one compared with.

#include <memory>
#include <set>
#include <string>

#include "Classes/controls/PasscodeDialogView.h"
#include "Classes/shell/TLNavigationViewC.h"
#include "Platform/foundation/RunLoop.h"
#include "Platform/ui/KeypadView.h"

namespace tallo {

class PasscodeEditViewC : public TLNavigationViewC {
public:
    static constexpr double kCheckDelaySeconds = 0.5;
    static constexpr double kSlideSeconds = 0.3;
    static constexpr int kDeleteKeyTag = 12;

    PasscodeEditViewC();
    ~PasscodeEditViewC() override;

    // The lock screen: a new entry screen asking for the passcode, laid over
    // everything (Application::presentLockScreen) until the right digits.
    static void showLockScreen();
    // Whether the store holds a passcode (a non-empty one).
    static bool isPasscodeSet() { return !storedPasscode().empty(); }
    bool isLockScreen() const { return isLockScreen_; }

    void viewDidLoad() override;
    // Modes 1 and 2 have "Cancel" on the left; mode 0 (the lock) no button.
    void prepareForMode(int mode) override;

    // `operation` is a TLPasscodeOperation; sets the action line and the
    // value to compare with, then clears the entry (the message stays).
    void setOperation(int operation);
    int operation() const { return operation_; }
    const std::string& passcode() const { return passcode_; }
    void setPasscode(std::string passcode);
    const std::string& passcodeToConfirm() const { return passcodeToConfirm_; }
    void setPasscodeToConfirm(std::string value) { passcodeToConfirm_ = std::move(value); }
    const std::string& actionLabel() const { return activeDialog_->actionLabel(); }
    void setActionLabel(std::string text) { activeDialog_->setActionLabel(std::move(text)); }
    const std::string& messageLabel() const { return activeDialog_->messageLabel(); }

    void push(int digit);
    void pop();
    void check();
    void clear();
    void slide();
    void updateActiveField();
    // The keypad's action: the key's tag.
    void pressed(int tag);
    bool keyPressed(const std::string& key) override;

    PasscodeDialogView& activeDialog() { return *activeDialog_; }
    void renderContent(SceneNode& content, SceneContext& context) override;

private:
    // The passcode as stored ("" when none is set).
    static std::string storedPasscode();
    static void storePasscode(const std::string& passcode);
    void setMessageLabel(std::string text) { activeDialog_->setMessageLabel(std::move(text)); }
    void close();

    std::shared_ptr<PasscodeDialogView> dialogView1_;
    std::shared_ptr<PasscodeDialogView> dialogView2_;
    std::shared_ptr<PasscodeDialogView> activeDialog_;
    std::shared_ptr<PasscodeDialogView> dialogToSlideOut_;
    KeypadView keypad_;
    std::string passcode_;
    std::string passcodeToConfirm_;
    int operation_ = 0;
    bool isLockScreen_ = false;
    std::set<RunLoop::TimerId> checkTimers_;
};

}  // namespace tallo
