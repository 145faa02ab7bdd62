#include "Platform/ui/SearchBar.h"

#include "Platform/foundation/Localization.h"

namespace tallo {

void SearchBar::render(SceneNode& into, SceneContext& context, const std::string& id) {
    SceneNode& bar = into.add(SceneNode("searchbar", id));
    bar.set("text", text);
    if (!placeholder.empty()) bar.set("placeholder", placeholder);
    context.addAction(id, [this](const UIEvent& event) {
        if (event.kind != UIEvent::Kind::Text || event.text == text) return;
        text = event.text;
        if (textDidChange) textDidChange(text);
    });
    if (!showsCancelButton) return;
    std::string cancelId = id + ":cancel";
    bar.add(SceneNode("button", cancelId)).set("title", L("Cancel"));
    context.addAction(cancelId, [this](const UIEvent& event) {
        if (event.kind != UIEvent::Kind::Tap) return;
        bool changed = !text.empty();
        text.clear();
        if (changed && textDidChange) textDidChange(text);
        if (cancelButtonClicked) cancelButtonClicked();
    });
}

}  // namespace tallo
