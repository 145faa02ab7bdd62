#include "Classes/controls/TLPayButton.h"

#include "Platform/foundation/Localization.h"

namespace tallo {

TLPayButton::TLPayButton() : payText(L("PAY")) {}

void TLPayButton::touchesEnded() {
    isActivated = !isActivated;
    if (tapped) tapped(*this);
}

void TLPayButton::render(SceneNode& row, SceneContext& context, const std::string& suffix) {
    std::string id = "pay:" + suffix;
    SceneNode& control = row.add(SceneNode("paybutton", id));
    control.set("title", label());
    control.set("tone", outgoing ? "expense" : "income");
    if (isActivated) control.set("active", true);
    // The row is drawn anew after every event: the action keeps its own copy.
    context.addAction(id, [button = *this](const UIEvent& event) mutable {
        if (event.kind == UIEvent::Kind::Tap) button.touchesEnded();
    });
}

}  // namespace tallo
