#pragma once
// TLPasscodeField: one box of a four-digit entry (the passcode screens and
// the pairing screen). A digit entered shows for half a second and is then
// masked by a bubble — unless shouldHideContent is set, when it stays in
// view (the pairing code is meant to be read). Clearing empties the box and
// cancels a pending mask.
//
//   enterText("7")   → shows "7"; 0.5 s later a bubble in its place
//   clear()          → empty; a mask still pending does not come
//
// While masked the digit is not rendered at all: the page only learns that
// the box holds one. Main thread only; the mask runs on the main run loop.

#include <string>

#include "Platform/foundation/RunLoop.h"
#include "Platform/ui/View.h"

namespace tallo {

class TLPasscodeField : public View {
public:
    static constexpr double kMaskDelaySeconds = 0.5;
    static constexpr double kSide = 65;

    explicit TLPasscodeField(Rect frame = {0, 0, kSide, kSide});
    ~TLPasscodeField() override;

    // `text` is one character; the box shows it and, unless
    // shouldHideContent, masks it kMaskDelaySeconds later.
    void enterText(const std::string& text);
    // Hides the digit behind the bubble, unless the box was cleared.
    void showBubble();
    // Shows the digit again (label visible, bubble hidden).
    void showText();
    void clear();

    bool shouldHideContent() const { return shouldHideContent_; }
    void setShouldHideContent(bool value) { shouldHideContent_ = value; }
    const std::string& label() const { return label_; }
    void setLabel(std::string label) { label_ = std::move(label); }
    bool isCleared() const { return cleared_; }
    bool isBubbleShown() const { return bubbleShown_; }
    bool isLabelShown() const { return labelShown_; }
    // The box the next digit goes to, drawn highlighted.
    bool isActive() const { return active_; }
    void setActive(bool active) { active_ = active; }

protected:
    SceneNode makeNode(SceneContext& context) override;

private:
    void cancelMask();

    std::string label_;
    bool cleared_ = true;
    bool labelShown_ = false;
    bool bubbleShown_ = false;
    bool shouldHideContent_ = false;
    bool active_ = false;
    RunLoop::TimerId maskTimer_ = 0;
};

}  // namespace tallo
