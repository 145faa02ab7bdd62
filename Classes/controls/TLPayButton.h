#pragma once
// TLPayButton: the two-tap pay control at the right of a scheduled
// transaction's row and of its amount in the editor. Normally it shows the
// amount ("-$700.00"); the first tap turns it to "PAY" in the colours of
// money going out (an expense or a transfer) or coming in; the second tap
// turns it back, and only then is the payment made. Every tap reaches
// `tapped` after the look has changed, so a receiver pays when the control
// is no longer activated:
//
//   tap 1: isActivated true,  tapped → nothing paid, "PAY" shown
//   tap 2: isActivated false, tapped → the payment starts
//
// Rows are drawn anew on every change, so the screen that owns the rows
// keeps which control is activated and sets isActivated before drawing.
// In the scene: "paybutton#pay:<section>:<row> title=… active=yes tone=…".

#include <functional>
#include <string>

#include "Platform/ui/SceneContext.h"
#include "Platform/ui/SceneNode.h"

namespace tallo {

class TLPayButton {
public:
    // Money going out (an expense or a transfer, TLScheduler::isNegative)
    // is drawn red, money coming in green.
    bool outgoing = true;
    std::string normalText;
    std::string payText;
    bool isActivated = false;
    // The schedule the control pays (any object the receiver recognises).
    void* tagObject = nullptr;
    std::function<void(TLPayButton&)> tapped;

    TLPayButton();
    // What it shows now: payText when activated, else normalText.
    const std::string& label() const { return isActivated ? payText : normalText; }
    // Switches the look and tells `tapped`.
    void touchesEnded();
    // Adds the control to `row` and its handler under "pay:<suffix>".
    void render(SceneNode& row, SceneContext& context, const std::string& suffix);
};

}  // namespace tallo
