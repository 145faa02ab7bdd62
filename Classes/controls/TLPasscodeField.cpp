#include "Classes/controls/TLPasscodeField.h"

namespace tallo {

TLPasscodeField::TLPasscodeField(Rect frame) : View(frame) {}

TLPasscodeField::~TLPasscodeField() { cancelMask(); }

void TLPasscodeField::enterText(const std::string& text) {
    cancelMask();
    cleared_ = false;
    label_ = text;
    showText();
    if (shouldHideContent_) return;
    // The destructor cancels the timer, so the box is there when it fires.
    maskTimer_ = RunLoop::main().performAfterDelay(kMaskDelaySeconds, [this] {
        maskTimer_ = 0;
        showBubble();
    });
}

void TLPasscodeField::showBubble() {
    if (cleared_) return;
    labelShown_ = false;
    bubbleShown_ = true;
}

void TLPasscodeField::showText() {
    labelShown_ = true;
    bubbleShown_ = false;
}

void TLPasscodeField::clear() {
    cancelMask();
    cleared_ = true;
    label_.clear();
    labelShown_ = false;
    bubbleShown_ = false;
}

void TLPasscodeField::cancelMask() {
    if (maskTimer_ != 0) RunLoop::main().cancel(maskTimer_);
    maskTimer_ = 0;
}

SceneNode TLPasscodeField::makeNode(SceneContext&) {
    SceneNode node("passcodefield");
    if (labelShown_ && !label_.empty()) node.set("text", label_);
    if (bubbleShown_) node.set("masked", true);
    if (active_) node.set("active", true);
    return node;
}

}  // namespace tallo
