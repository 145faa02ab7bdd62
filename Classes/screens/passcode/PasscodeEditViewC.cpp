#include "Classes/screens/passcode/PasscodeEditViewC.h"

#include "Classes/screens/passcode/TLPasscodeOperation.h"
#include "Classes/shell/TLGlobal.h"
#include "Classes/store/TLDatabase.h"
#include "Classes/store/TLSecurityInfo.h"
#include "Platform/foundation/Localization.h"
#include "Platform/ui/Application.h"

namespace tallo {

namespace {

constexpr size_t kDigits = PasscodeDialogView::kFieldCount;
constexpr int kLockMode = 0;

const char* actionFor(int operation) {
    switch (operation) {
        case TLPasscodeOperation::EnterNew: return "Enter your new passcode";
        case TLPasscodeOperation::ConfirmNew: return "Confirm your new passcode";
        case TLPasscodeOperation::VerifyToChange:
        case TLPasscodeOperation::VerifyToRemove: return "Enter your old passcode";
        default: return "Enter your passcode";
    }
}

}  // namespace

PasscodeEditViewC::PasscodeEditViewC()
    : dialogView1_(std::make_shared<PasscodeDialogView>()), activeDialog_(dialogView1_),
      keypad_(KeypadView::passcodeKeypad()) {
    setTitle(L("Security"));
    keypad_.pressed = [this](int tag) { pressed(tag); };
}

PasscodeEditViewC::~PasscodeEditViewC() {
    for (RunLoop::TimerId timer : checkTimers_) RunLoop::main().cancel(timer);
}

void PasscodeEditViewC::showLockScreen() {
    Application& app = Application::sharedApplication();
    if (app.isLocked()) return;
    auto lock = std::make_shared<PasscodeEditViewC>();
    lock->isLockScreen_ = true;
    lock->viewMode = kLockMode;
    lock->loadViewIfNeeded();
    lock->prepareForMode(kLockMode);
    lock->setOperation(TLPasscodeOperation::Unlock);
    app.presentLockScreen(std::make_shared<NavigationController>(std::move(lock)));
}

void PasscodeEditViewC::viewDidLoad() { updateActiveField(); }

void PasscodeEditViewC::prepareForMode(int mode) {
    if (mode == 1 || mode == 2) {
        setLeftBarButtonType(TLBarButtonType::Cancel);
    } else {
        removeLeftBarButton();
        navigationItem().hidesBackButton = true;
    }
    removeRightBarButton();
}

void PasscodeEditViewC::setOperation(int operation) {
    operation_ = operation;
    setActionLabel(L(actionFor(operation)));
    if (operation == TLPasscodeOperation::ConfirmNew) {
        passcodeToConfirm_ = passcode_;
    } else if (operation != TLPasscodeOperation::EnterNew) {
        passcodeToConfirm_ = storedPasscode();
    }
    clear();
}

void PasscodeEditViewC::setPasscode(std::string passcode) {
    passcode_ = std::move(passcode);
    updateActiveField();
}

void PasscodeEditViewC::push(int digit) {
    if (passcode_.size() >= kDigits) return;
    std::string text = std::to_string(digit);
    setPasscode(passcode_ + text);
    activeDialog_->field(passcode_.size() - 1).enterText(text);
    // The digit before shows its bubble at once: only the newest is readable.
    if (passcode_.size() >= 2) activeDialog_->field(passcode_.size() - 2).showBubble();
    // Checked half a second after the digit that makes four, once the
    // person has seen it.
    if (passcode_.size() < kDigits) return;
    auto timer = std::make_shared<RunLoop::TimerId>(0);
    *timer = RunLoop::main().performAfterDelay(kCheckDelaySeconds, [this, timer] {
        checkTimers_.erase(*timer);
        check();
    });
    checkTimers_.insert(*timer);
}

void PasscodeEditViewC::pop() {
    if (passcode_.empty()) return;
    // Four digits no longer: the check they were waiting for is off.
    for (RunLoop::TimerId timer : checkTimers_) RunLoop::main().cancel(timer);
    checkTimers_.clear();
    activeDialog_->field(passcode_.size() - 1).clear();
    setPasscode(passcode_.substr(0, passcode_.size() - 1));
}

void PasscodeEditViewC::clear() {
    for (const auto& field : activeDialog_->fieldsArray()) field->clear();
    setPasscode("");
}

void PasscodeEditViewC::updateActiveField() {
    // The box the next digit goes to is drawn highlighted.
    for (size_t i = 0; i < kDigits; ++i) activeDialog_->field(i).setActive(i == passcode_.size());
}

void PasscodeEditViewC::check() {
    if (passcode_.size() != kDigits) return;
    switch (operation_) {
        case TLPasscodeOperation::EnterNew:
            slide();
            setMessageLabel("");
            setOperation(TLPasscodeOperation::ConfirmNew);
            break;
        case TLPasscodeOperation::ConfirmNew:
            if (passcode_ == passcodeToConfirm_) {
                storePasscode(passcode_);
                setMessageLabel("");
                TLGlobal::sharedGlobal().setIsUnlocked(true);
                close();
            } else {
                slide();
                setMessageLabel(L("Passcodes do not match. Try again."));
                setOperation(TLPasscodeOperation::EnterNew);
            }
            break;
        case TLPasscodeOperation::VerifyToChange:
            slide();
            if (passcode_ == storedPasscode()) {
                setMessageLabel("");
                setOperation(TLPasscodeOperation::EnterNew);
            } else {
                setMessageLabel(L("Old passcode wrong. Try again."));
                setOperation(TLPasscodeOperation::VerifyToChange);
            }
            break;
        case TLPasscodeOperation::VerifyToRemove:
            if (passcode_ == storedPasscode()) {
                setMessageLabel("");
                storePasscode("");
                close();
            } else {
                slide();
                setMessageLabel(L("Old passcode wrong. Try again."));
                setOperation(TLPasscodeOperation::VerifyToRemove);
            }
            break;
        case TLPasscodeOperation::Unlock:
            if (passcode_ == storedPasscode()) {
                setMessageLabel("");
                TLGlobal::sharedGlobal().setIsUnlocked(true);
                close();
            } else {
                slide();
                setMessageLabel(L("Passcode wrong. Try again."));
                setOperation(TLPasscodeOperation::Unlock);
            }
            break;
        default: break;
    }
}

void PasscodeEditViewC::slide() {
    if (!dialogView2_) dialogView2_ = std::make_shared<PasscodeDialogView>(Rect{PasscodeDialogView::kWidth, 0, PasscodeDialogView::kWidth, PasscodeDialogView::kHeight});
    dialogToSlideOut_ = activeDialog_;
    activeDialog_ = activeDialog_ == dialogView1_ ? dialogView2_ : dialogView1_;
    // The incoming panel starts where the person was: the same step, the
    // same message, until the check that slid it sets its own.
    activeDialog_->setActionLabel(dialogToSlideOut_->actionLabel());
    activeDialog_->setMessageLabel(dialogToSlideOut_->messageLabel());
    for (const auto& field : activeDialog_->fieldsArray()) field->clear();
    Rect in = activeDialog_->frame();
    in.x = PasscodeDialogView::kWidth;
    activeDialog_->setFrame(in);
    in.x = 0;
    activeDialog_->setFrame(in, kSlideSeconds);
    Rect out = dialogToSlideOut_->frame();
    out.x = -PasscodeDialogView::kWidth;
    dialogToSlideOut_->setFrame(out, kSlideSeconds);
    for (const auto& field : dialogToSlideOut_->fieldsArray()) field->setActive(false);
    updateActiveField();
}

void PasscodeEditViewC::pressed(int tag) {
    if (tag >= 0 && tag <= 9) {
        push(tag);
    } else if (tag == kDeleteKeyTag) {
        pop();
    }
}

bool PasscodeEditViewC::keyPressed(const std::string& key) {
    if (key.size() == 1 && key[0] >= '0' && key[0] <= '9') {
        pressed(key[0] - '0');
        return true;
    }
    if (key == "Backspace" || key == "Delete") {
        pressed(kDeleteKeyTag);
        return true;
    }
    return false;
}

void PasscodeEditViewC::renderContent(SceneNode& content, SceneContext& context) {
    SceneNode& panels = content.add(SceneNode("passcode"));
    dialogView1_->render(panels, context);
    if (dialogView2_) dialogView2_->render(panels, context);
    keypad_.render(content, context);
}

std::string PasscodeEditViewC::storedPasscode() {
    TLDatabase& db = TLDatabase::sharedDatabase();
    // Asking does not make the record: a store without one has no passcode.
    if (db.getAllObjectsWithEntityName("SecurityInfo").empty()) return "";
    return db.securityInfo()->passcode().value_or("");
}

void PasscodeEditViewC::storePasscode(const std::string& passcode) {
    TLDatabase& db = TLDatabase::sharedDatabase();
    db.securityInfo()->setPasscode(passcode);
    db.save();
}

void PasscodeEditViewC::close() {
    if (isLockScreen_) {
        Application::sharedApplication().dismissLockScreen();
    } else {
        popView();
    }
}

}  // namespace tallo
