#include "Platform/ui/KeypadView.h"

namespace tallo {

KeypadView::KeypadView(std::vector<Key> keys, int columns) : keys_(std::move(keys)), columns_(columns) {}

KeypadView KeypadView::amountKeypad() {
    // A calculator's rows: the digits with backspace, minus and plus beside
    // them, and currency, 0, point and equals at the bottom.
    return KeypadView({{7, "7"}, {8, "8"}, {9, "9"}, {15, "⌫", "backspace.png"},
                       {4, "4"}, {5, "5"}, {6, "6"}, {13, "−", "minus.png"},
                       {1, "1"}, {2, "2"}, {3, "3"}, {12, "+", "plus.png"},
                       {10, "¤"}, {0, "0"}, {11, "."}, {14, "="}},
                      4);
}

KeypadView KeypadView::passcodeKeypad() {
    return KeypadView({{1, "1"}, {2, "2"}, {3, "3"},
                       {4, "4"}, {5, "5"}, {6, "6"},
                       {7, "7"}, {8, "8"}, {9, "9"},
                       {10, "", "", false}, {0, "0"}, {12, "⌫", "backspace.png"}},
                      3);
}

KeypadView::Key* KeypadView::keyWithTag(int tag) {
    for (Key& key : keys_) {
        if (key.tag == tag) return &key;
    }
    return nullptr;
}

void KeypadView::render(SceneNode& into, SceneContext& context) {
    SceneNode& pad = into.add(SceneNode("keypad"));
    pad.set("columns", columns_);
    for (const Key& key : keys_) {
        std::string id = "key:" + std::to_string(key.tag);
        SceneNode& node = pad.add(SceneNode("key", id));
        if (!key.title.empty()) node.set("title", key.title);
        if (!key.image.empty()) node.set("image", key.image);
        if (key.highlighted) node.set("highlighted", true);
        if (!key.enabled) {
            node.set("enabled", false);
            continue;
        }
        int tag = key.tag;
        context.addAction(id, [this, tag](const UIEvent& event) {
            if (event.kind == UIEvent::Kind::Tap && pressed) pressed(tag);
        });
    }
}

}  // namespace tallo
