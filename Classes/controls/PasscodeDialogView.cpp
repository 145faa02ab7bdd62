#include "Classes/controls/PasscodeDialogView.h"

namespace tallo {

namespace {

constexpr double kFieldSpacing = 77;
constexpr double kFieldsTop = 60;

}  // namespace

PasscodeDialogView::PasscodeDialogView(Rect frame) : View(frame) {
    // The four boxes centred: 3 × 77 + 65 = 296 points wide.
    double left = (kWidth - (kFieldSpacing * (kFieldCount - 1) + TLPasscodeField::kSide)) / 2;
    for (size_t i = 0; i < kFieldCount; ++i) {
        fields_[i] = std::make_shared<TLPasscodeField>(
            Rect{left + kFieldSpacing * static_cast<double>(i), kFieldsTop, TLPasscodeField::kSide, TLPasscodeField::kSide});
        addSubview(fields_[i]);
    }
}

void PasscodeDialogView::setShouldHideContent(bool value) {
    for (auto& field : fields_) field->setShouldHideContent(value);
}

SceneNode PasscodeDialogView::makeNode(SceneContext&) {
    SceneNode node("dialog");
    node.set("action", actionLabel_);
    node.set("message", messageLabel_);
    return node;
}

}  // namespace tallo
